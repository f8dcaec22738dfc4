// The design layout of the main form: every control at its twips position.
// Later controls are drawn over earlier ones, so the working screen comes
// first and the four panels that cover it last, the role panel on top.

#include "forms/TerminalForm.h"
#include "store/DataControl.h"
#include "base/Dialogs.h"
#include "forms/Controls.h"
#include "forms/Twips.h"

#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QTableView>

namespace pusla {
namespace {

template <typename Control>
Control *named(Control *control, const QString &name)
{
    control->setObjectName(name);
    return control;
}

QLabel *label(QWidget *parent, const QString &name, const QString &caption, int l, int t, int w, int h)
{
    auto *control = named(new QLabel(caption, parent), name);
    placeTwips(control, l, t, w, h);
    control->setAlignment(Qt::AlignCenter);
    return control;
}

CommandButton *button(QWidget *parent, const QString &name, const QString &caption, int l, int t, int w, int h,
                      int index = -1)
{
    auto *control = named(new CommandButton(caption, parent, index), name);
    placeTwips(control, l, t, w, h);
    return control;
}

QGroupBox *panel(QWidget *parent, const QString &name, const QString &caption, int l, int t, int w, int h)
{
    auto *control = named(new QGroupBox(caption, parent), name);
    placeTwips(control, l, t, w, h);
    control->setAutoFillBackground(true);
    return control;
}

QTableView *grid(QWidget *parent, const QString &name, int l, int t, int w, int h)
{
    auto *control = named(new QTableView(parent), name);
    placeTwips(control, l, t, w, h);
    control->setEditTriggers(QAbstractItemView::NoEditTriggers);
    control->setSelectionMode(QAbstractItemView::NoSelection);
    control->verticalHeader()->hide();
    return control;
}

} // namespace

void TerminalForm::buildControls()
{
    setObjectName(QStringLiteral("TerminalForm"));
    setWindowTitle(productTitle());
    resize(twipsToPixels(designClientTwips().width()), twipsToPixels(designClientTwips().height()));

    // Working screen.
    Combo1 = named(new ComboBox(this), QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setText(QStringLiteral("Merkez"));
    placeTwips(Combo1, 30, 60, 3435, 360);
    Text1 = named(new TextBox(this), QStringLiteral("Text1"));
    placeTwips(Text1, 30, 540, 3435, 420);
    Label7 = label(this, QStringLiteral("Label7"), QString(), 570, 1860, 720, 240);
    DBGrid1 = grid(this, QStringLiteral("DBGrid1"), 30, 990, 3435, 2685);
    FatCmd = button(this, QStringLiteral("FatCmd"), QStringLiteral("Fatura"), 30, 3780, 1215, 405);
    Command6 = button(this, QStringLiteral("Command6"), QStringLiteral("\u2328"), 1290, 3780, 555, 405);
    Command4 = button(this, QStringLiteral("Command4"), QStringLiteral("Güncelle"), 1950, 3780, 1545, 405);
    Text2 = named(new TextBox(this), QStringLiteral("Text2"));
    Text2->setAlignment(Qt::AlignRight);
    Text2->setText(QStringLiteral("0"));
    placeTwips(Text2, 30, 4260, 1185, 420);
    Command2 = button(this, QStringLiteral("Command2"), QStringLiteral("OK"), 1290, 4260, 555, 420);
    Command3 = button(this, QStringLiteral("Command3"), QStringLiteral("SİL"), 1950, 4260, 615, 420);
    Command1[0] = button(this, QStringLiteral("Command1(0)"), QStringLiteral("Geri"), 2670, 4260, 825, 430, 0);

    // Outside the visible area: the focus holder, the wheel list and the file list.
    TextSet = named(new TextBox(this), QStringLiteral("TextSet"));
    placeTwips(TextSet, -1620, 600, 1215, 285);
    cmbMouseWheel = named(new ComboBox(this), QStringLiteral("cmbMouseWheel"));
    placeTwips(cmbMouseWheel, -1230, 1200, 1215, 315);
    File1 = named(new QListWidget(this), QStringLiteral("File1"));
    placeTwips(File1, 3990, 600, 1215, 1000);

    // Balance panel.
    Frame2 = panel(this, QStringLiteral("Frame2"), QString(), 0, 555, 3525, 4215);
    Label2 = label(Frame2, QStringLiteral("Label2"), QStringLiteral("0,00"), 30, 1200, 3420, 450);
    Command7 = button(Frame2, QStringLiteral("Command7"), QStringLiteral("Kapat"), 1020, 2640, 1215, 705);
    Frame2->hide();

    // Review panel.
    Frame3 = panel(this, QStringLiteral("Frame3"), QString(), 0, 540, 3525, 4245);
    Label3 = label(Frame3, QStringLiteral("Label3"), QString(), 600, 60, 1935, 405);
    DBGrid2 = grid(Frame3, QStringLiteral("DBGrid2"), 0, 420, 3495, 2685);
    Label4 = label(Frame3, QStringLiteral("Label4"), QStringLiteral("Toplam "), 30, 3180, 3435, 315);
    Command8[0] = button(Frame3, QStringLiteral("Command8(0)"), QStringLiteral("Vazgeç"), 270, 3600, 1215, 555, 0);
    Command8[1] = button(Frame3, QStringLiteral("Command8(1)"), QStringLiteral("Tamam"), 1980, 3600, 1215, 555, 1);
    Frame3->hide();

    // Mode menu.
    Frame1 = panel(this, QStringLiteral("Frame1"), QString(), 0, 0, 3525, 4785);
    Label1 = label(Frame1, QStringLiteral("Label1"), productTitle(), 30, 90, 3450, 630);
    Label6 = label(Frame1, QStringLiteral("Label6"), QString(), 660, 780, 2175, 405);
    Label5 = label(Frame1, QStringLiteral("Label5"), QStringLiteral("Cari İşlemler"), 660, 1320, 2175, 435);
    const std::array<QString, 3> modeCaptions{QStringLiteral("SATIŞ"), QStringLiteral("SAYIM"), QStringLiteral("ALIŞ")};
    const std::array<int, 3> modeTops{2070, 3390, 2730};
    for (int i = 0; i < 3; ++i) {
        Check1[i] = named(new CheckBox(modeCaptions[i], Frame1, i), QStringLiteral("Check1(%1)").arg(i));
        placeTwips(Check1[i], 660, modeTops[i], 2205, 555);
    }
    Command1[1] = button(Frame1, QStringLiteral("Command1(1)"), QStringLiteral("Çıkış"), 660, 4080, 2205, 555, 1);

    // Role panel, on top of everything.
    Frame4 = panel(this, QStringLiteral("Frame4"), productTitle(), 0, 0, 3495, 4755);
    const std::array<QString, 3> roleCaptions{QStringLiteral("ÇIKIŞ"), QStringLiteral("SUNUCU"),
                                              QStringLiteral("KULLANICI")};
    const std::array<std::array<int, 2>, 3> rolePlaces{{{450, 3360}, {450, 570}, {443, 1950}}};
    for (int i = 0; i < 3; ++i) {
        Option1[i] = named(new OptionButton(roleCaptions[i], Frame4, i), QStringLiteral("Option1(%1)").arg(i));
        placeTwips(Option1[i], rolePlaces[i][0], rolePlaces[i][1], 2625, 1155);
    }

    CopyProgress = named(new QProgressBar(this), QStringLiteral("CopyProgress"));
    placeTwips(CopyProgress, 30, 4500, 3435, 240);
    CopyProgress->setRange(0, 100);
    CopyProgress->hide();

    auto dataControl = [this](const QString &name) {
        return named(new DataControl(m_services.paths, this), name);
    };
    DataCari = dataControl(QStringLiteral("DataCari"));
    DataCariHar = dataControl(QStringLiteral("DataCariHar"));
    DataStok = dataControl(QStringLiteral("DataStok"));
    DataStokHar = dataControl(QStringLiteral("DataStokHar"));
    DataFatura = dataControl(QStringLiteral("DataFatura"));
    DataFatHar = dataControl(QStringLiteral("DataFatHar"));
    IndexPrimary = dataControl(QStringLiteral("IndexPrimary"));
    IndexSecondary = dataControl(QStringLiteral("IndexSecondary"));
    DataTemp = dataControl(QStringLiteral("DataTemp"));
    Data1 = dataControl(QStringLiteral("Data1"));

    // The two top-level menus serve only as pop-up menus.
    Menupop = named(new QMenu(QStringLiteral("Mnpopup"), this), QStringLiteral("Menupop"));
    SrvIp = Menupop->addAction(QStringLiteral("Server İp"));
    SrvIp->setObjectName(QStringLiteral("SrvIp"));
    MnPop = named(new QMenu(QStringLiteral("MnPop"), this), QStringLiteral("MnPop"));
    SbCr[0] = MnPop->addAction(QStringLiteral("Depo"));
    SbCr[1] = MnPop->addAction(QStringLiteral("Cari"));
    for (int i = 0; i < 2; ++i) {
        SbCr[i]->setObjectName(QStringLiteral("SbCr(%1)").arg(i));
        SbCr[i]->setCheckable(true);
    }
}

} // namespace pusla
