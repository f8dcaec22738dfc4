#pragma once

namespace pusla {

class TerminalForm;

/// What closing the program leaves for the shop once a role was chosen: the
/// working list appended as a block to the report of the branch or account
/// that `Combo1` shows, and a desktop entry that opens the report. An empty
/// working list leaves nothing. Never stops the closing and asks the
/// operator nothing: what goes wrong is logged.
void leaveCountReport(TerminalForm &form);

} // namespace pusla
