#pragma once

namespace pusla {

class TerminalForm;

/// The role panel's options Option1(0..2).
inline constexpr int kExitRole = 0;
inline constexpr int kServerRole = 1;
inline constexpr int kUserRole = 2;

/// The role panel's choice: "ÇIKIŞ" closes the program, "SUNUCU" (server
/// side) and "KULLANICI" (user terminal) open the database set and reveal
/// the working screen. The role panel is shown once per run.
class RoleChoice
{
public:
    explicit RoleChoice(TerminalForm &form);

    void choose(int index);

private:
    void readServerAddress();
    void prepareServerSide();
    bool openDatabaseSet();
    void positionStockList();
    void fillWheelList();

    TerminalForm &m_form;
};

} // namespace pusla
