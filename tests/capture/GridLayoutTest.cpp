#include "capture/ItemGrids.h"
#include "forms/ChoiceIndexes.h"
#include "forms/Controls.h"
#include "forms/TerminalState.h"
#include "support/Cases.h"
#include "support/DemoFixture.h"
#include "support/SpoiltFiles.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QTableView>

using namespace pusla;
using namespace pusla::test;

namespace {

// 100, 150, 80, 80 and 80 pixels; then the first column dragged 20 pixels wider.
const QByteArray kLayout = "1500,#TRUE#\r\n2250,#TRUE#\r\n1200,#TRUE#\r\n1200,#TRUE#\r\n1200,#TRUE#\r\n";
const QByteArray kDragged = "1800,#TRUE#\r\n2250,#TRUE#\r\n1200,#TRUE#\r\n1200,#TRUE#\r\n1200,#TRUE#\r\n";

class GridLayoutTest : public DemoFixture
{
protected:
    void lay(const char *name, const QByteArray &bytes) { replaceFile(programFile(QString::fromLatin1(name)), bytes); }

    TerminalForm &start(int operation = kCari)
    {
        settings.saveSetting(
            QStringLiteral("pusla"), QStringLiteral("Pusla"), QStringLiteral("SbCr"), QString::number(operation));
        tap(openForm().Option1[kUserRole]);
        return *form;
    }

    // DBGrid1's column widths in pixels, "-" for a hidden column.
    QString shown() const
    {
        QStringList widths;
        for (int c = 0; c < 5; ++c)
            widths << (form->DBGrid1->isColumnHidden(c) ? u"-"_qs : QString::number(form->DBGrid1->columnWidth(c)));
        return widths.join(u' ');
    }

    // The finger drags the first column's border; `during` runs before it lifts.
    void dragBorder(QTableView *grid, int dx, const std::function<void()> &during = {})
    {
        form->Frame1->hide();
        const QHeaderView *header = grid->horizontalHeader();
        const auto at = [&](int x) { return header->viewport()->mapTo(form, QPoint(x, header->height() / 2)); };
        const int border = header->sectionSize(0) - 1;
        ASSERT_EQ(form->childAt(at(border)), header->viewport());
        QTest::mousePress(form->windowHandle(), Qt::LeftButton, {}, at(border));
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(form->windowHandle(), at(border + dx * step / 4));
        if (during)
            during();
        QTest::mouseRelease(form->windowHandle(), Qt::LeftButton, {}, at(border + dx));
    }
};

using ResizeTest = Cases<GridLayoutTest, std::tuple<std::string, const char *, QByteArray>>;
using RoleChoiceLayoutTest = Cases<GridLayoutTest, std::tuple<QByteArray, const char *>>;

} // namespace

// Written once, when the finger lifts, in the situation's file; a file that
// cannot be written stays as it was, and the resize stays without a word.
TEST_P(ResizeTest, WritesTheCaptureGridsLayoutWhenTheFingerLifts)
{
    const auto &[situation, name, bytes] = GetParam();
    const QString folder = tree.paths().programFolder;
    const QString file = programFile(QString::fromLatin1(name));
    lay("PuslaCari2.Dat", kLayout);
    TerminalForm &f = start();
    f.state().setMode(situation == "count" ? kCount : TerminalState::kNone);
    f.Frame3->setVisible(situation == "review");
    if (situation == "folder in the way")
        ASSERT_TRUE(QFile::remove(file) && QDir().mkpath(file));
    else if (situation == "read-only folder" && !makeUnwritable(folder))
        GTEST_SKIP() << "this machine cannot make the program folder read-only";
    QTableView *grid = situation == "review" ? f.DBGrid2 : f.DBGrid1;
    const int width = grid->columnWidth(0);
    const QByteArray before = contents(file);
    dragBorder(grid, 20, [&] { EXPECT_EQ(contents(file), before); });
    makeWritable(folder);
    EXPECT_EQ(contents(file), bytes);
    EXPECT_EQ(grid->columnWidth(0), width + 20);
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("Pusla*.Dat?*")}), QStringList()) << "no copy left behind";
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Situations, ResizeTest,
    ::testing::Values(std::tuple("entry", "PuslaCari2.Dat", kDragged), std::tuple("count", "PuslaCari1.Dat", kDragged),
        std::tuple("review", "PuslaCari3.Dat", kLayout), std::tuple("read-only folder", "PuslaCari2.Dat", kLayout),
        std::tuple("folder in the way", "PuslaCari2.Dat", QByteArray())));

// Half the free room in blanks of the header font (about 12.7): a load truncates, a save rounds.
TEST_F(GridLayoutTest, CaptionsAreCentredWithBlanksOfTheHeaderFont)
{
    const QFontMetrics metrics(QApplication::font("QHeaderView"));
    const int extra = 25 * metrics.horizontalAdvance(u' ') + metrics.horizontalAdvance(u' ') / 2;
    const auto roomFor
        = [&](const QString &c) { return QByteArray::number((metrics.horizontalAdvance(c) + extra) * 15); };
    lay("PuslaCari2.Dat", roomFor(u"Barkod"_qs) + ",#TRUE#\r\n2250,#TRUE#\r\n" + roomFor(u"Miktar"_qs) + ",#TRUE#\r\n");
    TerminalForm &f = start();
    const auto captions
        = [&]() -> QString { return terminal->grids().columnCaption(0) + u'|' + terminal->grids().columnCaption(2); };
    EXPECT_EQ(captions(), QString(12, u' ') + QStringLiteral("Barkod|Miktar") + QString(12, u' '));
    f.Frame3->show();
    dragBorder(f.DBGrid2, 10);
    EXPECT_EQ(captions(), QString(13, u' ') + QStringLiteral("Barkod|Miktar") + QString(13, u' '));
}

// The review layout goes over the entry layout; a column it does not name,
// or names in a line that cannot be read, keeps the entry layout.
TEST_P(RoleChoiceLayoutTest, AppliesTheReviewLayoutOverTheEntryLayout)
{
    const auto &[bytes, widths] = GetParam();
    lay("PuslaCari2.Dat", kLayout);
    lay("PuslaCari3.Dat", bytes);
    start();
    EXPECT_EQ(shown(), QString::fromLatin1(widths));
    EXPECT_EQ(contents(programFile(QStringLiteral("PuslaCari2.Dat"))), kLayout) << "loading saves nothing";
}

INSTANTIATE_TEST_SUITE_P(Kinds, RoleChoiceLayoutTest,
    ::testing::Values(std::tuple("2100,#TRUE#\r\n2400,#TRUE#\r\n", "140 160 80 80 80"),
        std::tuple("1500,#FALSE#\r\n", "- 150 80 80 80"), // the others are shown first
        std::tuple("-300,#TRUE#\r\n0,#TRUE#\r\n1e30,#TRUE#\r\nnan,#TRUE#\r\nabc,#TRUE#\r\n", "100 150 80 80 80"),
        std::tuple("1234,5,#TRUE#\r\n3000,#TRUE#\r\n", "100 200 80 80 80"), // a decimal comma
        std::tuple("1234.5,#TRUE#\n", "82 150 80 80 80"),
        // The widest the grid shows and saves back; beyond it a width would show wider still.
        std::tuple("999990,#TRUE#\r\n999999,#TRUE#\r\n", "66666 150 80 80 80"),
        std::tuple("1800,#TRUE#\r\n3000,#TR", "120 150 80 80 80"), // truncated
        std::tuple(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "100 150 80 80 80"),
        std::tuple(QByteArray("1800,#TRUE#\r\n").repeated(8), "120 120 120 120 120"),
        std::tuple(QByteArray(QByteArray(20'000'000, '9') + ",#TRUE#\r\n1800,#TRUE#\r\n"), "100 150 80 80 80")));

// Ticking a mode box loads the layout of the situation it leads to.
TEST_F(GridLayoutTest, TheModeSwitchLoadsItsSituationsLayout)
{
    lay("PuslaDepo1.Dat", "1500,#TRUE#\r\n3000,#TRUE#\r\n1200,#TRUE#\r\n1200,#TRUE#\r\n1200,#FALSE#\r\n");
    lay("PuslaDepo2.Dat", kLayout);
    TerminalForm &f = start(kDepo);
    tap(f.Check1[kCount]);
    EXPECT_EQ(shown(), QStringLiteral("100 200 80 80 -"));
    tap(f.Command1[0]);
    tap(f.Check1[kCount]);
    EXPECT_EQ(shown(), QStringLiteral("100 150 80 80 80"));
}
