#pragma once

#include <memory>

namespace pusla {

class Confirmation;
class GridLayout;
class ItemGrids;
class KeyboardSwitch;
class MainFormResize;
class QuantityEntry;
class Review;
class RoleChoice;
class ScanLookup;
class Selection;
class TerminalForm;
class WorkingModes;
struct Services;

/// The composition root: the main form and each subsystem's behaviour on
/// it, built in order and wired to one another. Nothing else creates them.
class Terminal
{
public:
    /// Builds the form (which restores its placement) and its subsystems,
    /// then settles a document that a crash cut short.
    explicit Terminal(const Services &services);
    ~Terminal();
    Terminal(const Terminal &) = delete;
    Terminal &operator=(const Terminal &) = delete;

    TerminalForm &form() const { return *m_form; }
    ItemGrids &grids() const { return *m_grids; }
    GridLayout &gridLayout() const { return *m_gridLayout; }
    ScanLookup &scanLookup() const { return *m_scanLookup; }
    QuantityEntry &quantityEntry() const { return *m_quantityEntry; }
    Selection &selection() const { return *m_selection; }
    WorkingModes &modes() const { return *m_modes; }
    Review &review() const { return *m_review; }
    Confirmation &confirmation() const { return *m_confirmation; }
    MainFormResize &resize() const { return *m_resize; }
    KeyboardSwitch &keyboard() const { return *m_keyboard; }

private:
    std::unique_ptr<TerminalForm> m_form;
    // Owned by the form as its children; deleted first by ~Terminal, while
    // the controls they watch still exist.
    MainFormResize *m_resize = nullptr;
    KeyboardSwitch *m_keyboard = nullptr;
    ItemGrids *m_grids = nullptr;
    GridLayout *m_gridLayout = nullptr;
    ScanLookup *m_scanLookup = nullptr;
    QuantityEntry *m_quantityEntry = nullptr;
    Selection *m_selection = nullptr;
    WorkingModes *m_modes = nullptr;
    Review *m_review = nullptr;
    Confirmation *m_confirmation = nullptr;
    std::unique_ptr<RoleChoice> m_roleChoice;
};

} // namespace pusla
