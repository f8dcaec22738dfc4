#pragma once

#include <QString>

namespace pusla {

class DbError;
class Dialogs;

/// The two ways the screen tells the operator that something was not done.
/// The layers below never speak to the operator: they hand back a DbError or
/// a reason in the operator's words, and these say it.

/// What could not be done (`headline`) and why, for a database failure.
void showDatabaseFailure(Dialogs &dialogs, const QString &headline, const DbError &error);

/// That the document was not saved, why, and that its lines are still there.
void showPostingFailure(Dialogs &dialogs, const QString &reason);

} // namespace pusla
