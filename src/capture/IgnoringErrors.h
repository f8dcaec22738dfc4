#pragma once

#include "store/DbError.h"

#include <utility>

namespace pusla {

/// One statement of a handler that runs with errors ignored: a database
/// failure skips the statement and the handler goes on with the next one.
/// Returns whether the statement ran to its end.
template <typename Statement>
bool ignoringErrors(Statement &&statement)
{
    try {
        std::forward<Statement>(statement)();
        return true;
    } catch (const DbError &) {
        return false;
    }
}

} // namespace pusla
