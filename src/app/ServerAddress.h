#pragma once

namespace pusla {

class TerminalForm;

/// "Server İp": asks for the data directory prefix and stores it for the next start.
void editServerAddress(TerminalForm &form);

} // namespace pusla
