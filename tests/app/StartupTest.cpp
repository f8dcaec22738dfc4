#include "forms/Controls.h"
#include "forms/TerminalState.h"
#include "support/Cases.h"
#include "support/FormFixture.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

using namespace pusla;
using namespace pusla::test;

namespace {

class StartupTest : public FormFixture
{
protected:
    void storePlacement(const QString &top, const QString &left, const QString &width, const QString &height)
    {
        const QString key = QStringLiteral("LoginEx\\Properties1");
        settings.regWriteString(SettingsStore::HKEY_CURRENT_USER, key, QStringLiteral("TerTop"), top);
        settings.regWriteString(SettingsStore::HKEY_CURRENT_USER, key, QStringLiteral("TerLeft"), left);
        settings.regWriteString(SettingsStore::HKEY_CURRENT_USER, key, QStringLiteral("TerWidth"), width);
        settings.regWriteString(SettingsStore::HKEY_CURRENT_USER, key, QStringLiteral("TerHeight"), height);
    }
};

} // namespace

TEST_F(StartupTest, FirstRunOpensOnTheRolePanel)
{
    TerminalForm &f = openForm();
    EXPECT_TRUE(f.Frame4->isVisible());
    EXPECT_EQ(f.Frame4->title(), productTitle());
    EXPECT_EQ(f.Frame4->geometry(), QRect(0, 0, 233, 317));
    EXPECT_EQ(f.Option1[0]->text(), QStringLiteral("ÇIKIŞ"));
    EXPECT_EQ(f.Option1[1]->text(), QStringLiteral("SUNUCU"));
    EXPECT_EQ(f.Option1[2]->text(), QStringLiteral("KULLANICI"));
    EXPECT_EQ(f.Option1[1]->geometry(), QRect(30, 38, 175, 77));
    EXPECT_TRUE(f.state().dataPath().isEmpty()) << "nothing is read before a role is chosen";
}

// The stored placement (top, left, width, height in twips) as the form opens
// on an 800 x 600 screen: none or a broken top centres the design size, a
// broken left reads as 0, a broken size keeps the design size; a larger size
// lays the design out over it (the scan box shows where).
struct PlacementCase
{
    std::array<const char *, 4> stored;
    QPoint pos;
    QSize size;
    QRect scanBox;
};

using PlacementTest = Cases<StartupTest, PlacementCase>;

TEST_P(PlacementTest, OpensWhereItWasLeft)
{
    const PlacementCase &c = GetParam();
    if (c.stored[0])
        storePlacement(QString::fromLatin1(c.stored[0]), QString::fromLatin1(c.stored[1]),
            QString::fromLatin1(c.stored[2]), QString::fromLatin1(c.stored[3]));
    program.screen = QSize(800, 600);
    TerminalForm &f = openForm();
    EXPECT_EQ(f.pos(), c.pos);
    EXPECT_EQ(f.size(), c.size);
    EXPECT_EQ(f.Text1->geometry(), c.scanBox);
}

INSTANTIATE_TEST_SUITE_P(Placements, PlacementTest,
    ::testing::Values(PlacementCase {{}, {283, 141}, {234, 318}, {2, 36, 229, 28}},
        PlacementCase {{"1500", "3000", "4500", "6000"}, {200, 100}, {300, 400}, {3, 45, 293, 35}},
        PlacementCase {{"0", "0", "5265", "9540"}, {0, 0}, {351, 636}, {3, 72, 343, 56}},
        PlacementCase {{"abc", "3000", "4500", "6000"}, {283, 141}, {234, 318}, {2, 36, 229, 28}},
        PlacementCase {{"1500", "x", "-", ""}, {0, 100}, {234, 318}, {2, 36, 229, 28}}));

TEST_F(StartupTest, FocusStaysOnTheHolderWhileTheRolePanelIsUp)
{
    TerminalForm &f = openForm();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    EXPECT_EQ(QApplication::focusWidget(), f.TextSet);

    QTest::keyClick(f.TextSet, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), f.TextSet) << "Tab does not reach the working screen";

    f.Text1->setFocus();
    QMouseEvent move(QEvent::MouseMove, QPointF(100, 300), f.mapToGlobal(QPointF(100, 300)), Qt::NoButton, Qt::NoButton,
        Qt::NoModifier);
    QApplication::sendEvent(f.childAt(100, 300), &move);
    EXPECT_EQ(QApplication::focusWidget(), f.TextSet) << "the pointer over the form takes the focus back";
}

TEST_F(StartupTest, ExitSavesThePlacementInOrderAndTouchesNothingElse)
{
    storePlacement(QStringLiteral("1500"), QStringLiteral("3000"), QStringLiteral("4500"), QStringLiteral("6000"));
    TerminalForm &f = openForm();
    f.move(40, 60);
    tap(f.Option1[0]);

    EXPECT_TRUE(f.isUnloaded());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(program.endCount, 0);
    EXPECT_EQ(f.Label6->text(), QStringLiteral("ÇIKIŞ"));
    EXPECT_EQ(placement(QStringLiteral("TerTop")), QStringLiteral("900"));
    EXPECT_EQ(placement(QStringLiteral("TerLeft")), QStringLiteral("600"));
    EXPECT_EQ(placement(QStringLiteral("TerWidth")), QStringLiteral("4500"));
    EXPECT_EQ(placement(QStringLiteral("TerHeight")), QStringLiteral("6000"));
    EXPECT_TRUE(QDir(tree.paths().programFolder).entryList(QDir::Files).isEmpty()) << "no database was touched";
}

TEST_F(StartupTest, ClosingTheWindowRunsTheUnloadHandlingOnce)
{
    TerminalForm &f = openForm();
    int unloads = 0;
    QObject::connect(&f, &TerminalForm::unloaded, [&] { ++unloads; });
    pressCloseBox(&f);
    f.close();
    EXPECT_EQ(unloads, 1);
    EXPECT_FALSE(placement(QStringLiteral("TerTop")).isEmpty());
}

TEST_F(StartupTest, EndingAtOnceSkipsTheUnloadHandling)
{
    TerminalForm &f = openForm();
    program.endAtOnce();
    f.close();
    EXPECT_FALSE(f.isUnloaded());
    EXPECT_TRUE(placement(QStringLiteral("TerTop")).isEmpty()) << "no placement saved";
}

// Ctrl held at the role choice reaches the local server for this run only.
TEST_F(StartupTest, CtrlHeldUsesTheLocalServerAndKeepsTheStoredAddress)
{
    const QString stored = QStringLiteral("\\\\10.0.0.5\\MuhasebeData\\02");
    settings.saveSetting(QStringLiteral("pusla"), QStringLiteral("Pusla"), QStringLiteral("ip"), stored);
    for (const bool ctrl : {true, false}) {
        TerminalForm &f = openForm();
        program.ctrlDown = ctrl;
        tap(f.Option1[0]);
        EXPECT_EQ(f.state().dataPath(), ctrl ? QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\01") : stored);
        EXPECT_EQ(settings.getSetting(QStringLiteral("pusla"), QStringLiteral("Pusla"), QStringLiteral("ip")), stored);
    }
}

TEST_F(StartupTest, RightClickOpensTheMenusAndALeftClickNothing)
{
    TerminalForm &f = openForm();
    QTest::mouseClick(f.Frame4, Qt::LeftButton, {}, QPoint(5, 300));
    EXPECT_TRUE(dialogs.shownMenus.isEmpty());
    QTest::mouseClick(f.Frame4, Qt::RightButton, {}, QPoint(5, 300));
    ASSERT_EQ(dialogs.shownMenus.size(), 1);
    EXPECT_EQ(dialogs.shownMenus[0], QStringList {QStringLiteral("Server İp")});

    f.Frame4->hide();
    QTest::mouseClick(f.Label5, Qt::LeftButton);
    EXPECT_EQ(dialogs.shownMenus.size(), 1);
    QTest::mouseClick(f.Label5, Qt::RightButton);
    ASSERT_EQ(dialogs.shownMenus.size(), 2);
    EXPECT_EQ(dialogs.shownMenus[1], (QStringList {QStringLiteral("Depo"), QStringLiteral("Cari")}));
}

TEST_F(StartupTest, ServerAddressDialogStoresTheTrimmedAnswer)
{
    TerminalForm &f = openForm();
    dialogs.choosePopupItem(QStringLiteral("Server İp"));
    dialogs.answerInput(QStringLiteral("  \\\\192.168.1.20\\MuhasebeData\\03  "));
    QTest::mouseClick(&f, Qt::RightButton, {}, QPoint(233, 317));

    ASSERT_EQ(dialogs.inputTitles.size(), 1);
    EXPECT_EQ(dialogs.inputTitles[0], QStringLiteral("Ana Makina İp Numarası"));
    EXPECT_EQ(
        dialogs.inputPrompts[0], QStringLiteral("Ip Numarası Giriniz..\n\n( \\\\127.0.0.1\\MuhasebeData\\01 ) Gibi"));
    EXPECT_EQ(dialogs.inputDefaults[0], QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\01"));
    EXPECT_EQ(f.state().dataPath(), QStringLiteral("\\\\192.168.1.20\\MuhasebeData\\03"));
    EXPECT_EQ(settings.getSetting(QStringLiteral("pusla"), QStringLiteral("Pusla"), QStringLiteral("ip")),
        QStringLiteral("\\\\192.168.1.20\\MuhasebeData\\03"));
}

TEST_F(StartupTest, CancellingTheServerAddressDialogStoresNothing)
{
    TerminalForm &f = openForm();
    f.state().setDataPath(QStringLiteral("\\\\10.0.0.5\\MuhasebeData\\02"));
    dialogs.answerInput(QString());
    f.SrvIp->trigger();
    EXPECT_EQ(dialogs.inputDefaults.value(0), QStringLiteral("\\\\10.0.0.5\\MuhasebeData\\02"));
    EXPECT_EQ(f.state().dataPath(), QStringLiteral("\\\\10.0.0.5\\MuhasebeData\\02"));
    EXPECT_TRUE(settings.getSetting(QStringLiteral("pusla"), QStringLiteral("Pusla"), QStringLiteral("ip")).isEmpty());
}

TEST_F(StartupTest, ClosingTheBalancePanelReenablesTheButtons)
{
    TerminalForm &f = openForm();
    f.Frame4->hide();
    f.Frame1->hide();
    f.Frame2->show();
    f.Command3->setEnabled(false);
    f.Command1[0]->setEnabled(false);
    tap(f.Frame2, QPoint(10, 10));
    EXPECT_FALSE(f.Frame2->isVisible());
    EXPECT_TRUE(f.Command3->isEnabled());
    EXPECT_TRUE(f.Command1[0]->isEnabled());
}
