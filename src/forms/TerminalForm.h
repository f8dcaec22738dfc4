#pragma once

#include "data/DatabaseSet.h"
#include "base/Services.h"

#include <QString>
#include <QWidget>
#include <array>
#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QTableView;

namespace pusla {

class CheckBox;
class ComboBox;
class CommandButton;
class DataControl;
class OptionButton;
class TerminalState;
class TextBox;

/// The main form: it owns every control and the terminal's state, and runs
/// the form-level rules (placement, closing, the focus holder, the balance
/// panel's close, "Geri" and "Çıkış"). Each subsystem's behaviour lives in
/// its own class; the composition root (Terminal) builds and wires them.
class TerminalForm : public QWidget
{
    Q_OBJECT
public:
    /// Builds the controls and runs the form load: placement restored or centred.
    explicit TerminalForm(const Services &services, QWidget *parent = nullptr);
    ~TerminalForm() override;

    const Services &services() const { return m_services; }

    /// The client area the form is designed for, in twips (234 x 318 pixels).
    static QSize designClientTwips() { return {3510, 4770}; }

    /// Unloads the form: query-unload, then unload, then it closes.
    void unloadForm();
    bool isUnloaded() const { return m_unloaded; }

    /// What the terminal is doing; the captions follow it.
    TerminalState &state() const { return *m_state; }

    // Role panel.
    QGroupBox *Frame4 = nullptr;
    std::array<OptionButton *, 3> Option1{};
    TextBox *TextSet = nullptr;

    // Mode menu.
    QGroupBox *Frame1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label5 = nullptr;
    std::array<CheckBox *, 3> Check1{};
    std::array<CommandButton *, 2> Command1{};

    // Balance panel.
    QGroupBox *Frame2 = nullptr;
    QLabel *Label2 = nullptr;
    CommandButton *Command7 = nullptr;

    // Review panel.
    QGroupBox *Frame3 = nullptr;
    QLabel *Label3 = nullptr;
    QTableView *DBGrid2 = nullptr;
    QLabel *Label4 = nullptr;
    std::array<CommandButton *, 2> Command8{};

    // Working screen.
    ComboBox *Combo1 = nullptr;
    TextBox *Text1 = nullptr;
    QTableView *DBGrid1 = nullptr;
    CommandButton *FatCmd = nullptr;
    CommandButton *Command6 = nullptr;
    CommandButton *Command4 = nullptr;
    TextBox *Text2 = nullptr;
    CommandButton *Command2 = nullptr;
    CommandButton *Command3 = nullptr;
    QLabel *Label7 = nullptr;
    ComboBox *cmbMouseWheel = nullptr;
    QListWidget *File1 = nullptr;

    /// Shown while a database file is copied.
    QProgressBar *CopyProgress = nullptr;

    // Data controls, bound at the role choice.
    DataControl *DataCari = nullptr;
    DataControl *DataCariHar = nullptr;
    DataControl *DataStok = nullptr;
    DataControl *DataStokHar = nullptr;
    DataControl *DataFatura = nullptr;
    DataControl *DataFatHar = nullptr;
    DataControl *IndexPrimary = nullptr;
    DataControl *IndexSecondary = nullptr;
    DataControl *DataTemp = nullptr;
    DataControl *Data1 = nullptr;
    DataControls dataControls() const;

    // Pop-up menus.
    QMenu *Menupop = nullptr;
    QAction *SrvIp = nullptr;
    QMenu *MnPop = nullptr;
    std::array<QAction *, 2> SbCr{};

signals:
    /// The window is closing on the operator's word, before the placement is
    /// saved: what must be left behind for the shop is written here.
    void queryUnload();
    /// The form has run its unload handling and closed.
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void buildControls();
    void wireControls();
    void formLoad();
    void unload();
    void closeBalancePanel();
    void keepFocusOffWorkingScreen();

    const Services &m_services;
    TerminalState *m_state = nullptr;
    bool m_unloaded = false;
};

} // namespace pusla
