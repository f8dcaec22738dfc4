#include "capture/CaptureFixture.h"
#include "capture/ItemGrids.h"
#include "forms/Twips.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QWheelEvent>

using namespace pusla;
using namespace pusla::test;

namespace {

/// Ten lines, "Satır 0" to "Satır 9", each with its number as quantity and
/// ten times it as price, on the working screen in sale mode.
class GridGesturesTest : public CaptureFixture
{
protected:
    void SetUp() override
    {
        CaptureFixture::SetUp();
        if (HasFatalFailure())
            return;
        runOnFile(tempPath(), {QStringLiteral("DELETE FROM StokKartlar")});
        std::vector<StockRow> rows;
        for (int i = 0; i < 10; ++i)
            rows.push_back({QStringLiteral("S%1").arg(i), name(i), QStringLiteral("869%1").arg(9 - i), {}, {}, double(i),
                            0, 10.0 * i});
        insertRows(tempPath(), rows);
        RefreshData(*form->DataTemp);
        tickMode(kSale);
    }

    static QString name(int line) { return QStringLiteral("Satır %1").arg(line); }
    Recordset &lines() const { return form->DataTemp->recordset(); }
    int rowHeight() const { return form->Label7->height(); }

    QPoint rowCentre(const QTableView &grid, int row) const
    {
        return grid.visualRect(grid.model()->index(row, ItemGrids::CaptureStokAdi)).center();
    }

    void tapHeader(QTableView &grid, int column)
    {
        // Scrolled into view first, as the operator would.
        grid.scrollTo(grid.model()->index(grid.rowAt(0), column));
        const QHeaderView &header = *grid.horizontalHeader();
        tap(header.viewport(),
            QPoint(header.sectionViewportPosition(column) + header.sectionSize(column) / 2, header.height() / 2));
    }

    void turnWheel(QTableView &grid, int angle)
    {
        const QPointF at = grid.viewport()->rect().center();
        QWheelEvent event(at, grid.viewport()->mapToGlobal(at), {}, QPoint(0, angle), Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid.viewport(), &event);
    }
};

// Every sort reverses the one before, on either grid; the capture grid's
// header shows its caption in the entry box for a second first, and
// "Miktar"/"Fiyat" switch the box between quantity and price entry.
TEST_F(GridGesturesTest, HeaderTapsSortAndSwitchTheEntryBox)
{
    const QColor white(255, 255, 255), cyan(0, 255, 255);
    const struct {
        bool review;
        int column;
        const char *source; // set before the tap; null keeps the one there
        const char *sorted;
        const char *shown; // in the entry box during the second; null: nothing shown
        QColor colour;
        const char *firstLine; // after the sort
    } taps[] = {
        {false, ItemGrids::CaptureFiyat, nullptr,
         "Select * From StokKartlar Where StokGizle=False ORDER BY Fiyat2 ASC", "Fiyat", cyan, "Satır 0"},
        {false, ItemGrids::CaptureBarkod, nullptr,
         "Select * From StokKartlar Where StokGizle=False ORDER BY Barkod DESC", "12", cyan, "Satır 0"},
        {true, ItemGrids::ReviewTutar, "select * from StokKartlar where StokAdi<>'order by' order by StokAdi desc",
         "select * from StokKartlar where StokAdi<>'order by' ORDER BY GirenTutar ASC", nullptr, cyan, "Satır 0"},
        {false, ItemGrids::CaptureMiktar, "Select * From StokKartlar",
         "Select * From StokKartlar ORDER BY KalanB DESC", "Miktar", white, "Satır 9"},
    };
    form->Text2->setText(QStringLiteral("12"));
    const int nameWidth = form->DBGrid1->columnWidth(ItemGrids::CaptureStokAdi) + 17;
    form->DBGrid1->setColumnWidth(ItemGrids::CaptureStokAdi, nameWidth);
    for (const auto &t : taps) {
        SCOPED_TRACE(t.sorted);
        QTableView &grid = t.review ? *form->DBGrid2 : *form->DBGrid1;
        form->Frame3->setVisible(t.review);
        if (t.source)
            form->DataTemp->setRecordSource(QString::fromUtf8(t.source));
        QStringList shown;
        program.onDoEvents = [&] {
            clock.elapsed += 0.05;
            if (form->Text2->alignment() == Qt::AlignCenter && !shown.contains(form->Text2->text()))
                shown << form->Text2->text();
        };

        tapHeader(grid, t.column);

        EXPECT_EQ(form->DataTemp->recordSource(), QString::fromUtf8(t.sorted));
        EXPECT_EQ(shown, t.shown ? QStringList{QString::fromUtf8(t.shown)} : QStringList());
        EXPECT_EQ(form->Text2->text(), QStringLiteral("12"));
        EXPECT_EQ(form->Text2->alignment(), Qt::AlignRight);
        EXPECT_EQ(form->Text2->palette().color(QPalette::Base), t.colour);
        if (t.firstLine) {
            EXPECT_EQ(currentName(), QString::fromUtf8(t.firstLine));
        }
        // The re-query keeps the operator's widths and the mode's columns.
        EXPECT_EQ(form->DBGrid1->columnWidth(ItemGrids::CaptureStokAdi), nameWidth);
    }
}

// Price entry is reached from the screen: the "Fiyat" header, a tap on the
// line, the price and Enter.
TEST_F(GridGesturesTest, APriceIsEnteredAfterTheFiyatHeader)
{
    form->Text1->clear();
    tapHeader(*form->DBGrid1, ItemGrids::CaptureFiyat);
    tap(form->DBGrid1->viewport(), rowCentre(*form->DBGrid1, 3));
    ASSERT_EQ(form->Text1->text(), name(3));
    ASSERT_EQ(QApplication::focusWidget(), form->Text2);
    form->Text2->setText(QStringLiteral("25"));
    QTest::keyClick(form->Text2, Qt::Key_Return);

    EXPECT_EQ(lineFields(QStringLiteral("S3"), QStringLiteral("Fiyat,Fiyat2,KalanB,GirenTutar")),
              QStringLiteral("25.0|25.0|3.0|75.0"));
}

// A tap on a capture grid row proposes the line; the name comes at once in
// sale mode, in count mode with the next row change, which a drag makes.
// Enter in the grid asks for the name at the next row change too.
TEST_F(GridGesturesTest, RowTapsProposeTheLine)
{
    for (const int mode : {kSale, kCount}) {
        SCOPED_TRACE(mode);
        form->state().setMode(mode);
        form->Text1->clear();
        form->Text2->setText(QStringLiteral("0"));
        tap(form->DBGrid1->viewport(), rowCentre(*form->DBGrid1, 4));
        EXPECT_EQ(lines().absolutePosition(), 4);
        EXPECT_EQ(form->Text1->text(), mode == kSale ? name(4) : QString());
        EXPECT_EQ(form->Text2->text(), QStringLiteral("1"));
        EXPECT_TRUE(form->Command2->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), form->Text2);

        const QPoint from = rowCentre(*form->DBGrid1, 4);
        drag(form->DBGrid1->viewport(), from, from - QPoint(0, rowHeight()));
        EXPECT_EQ(form->Text1->text(), name(5));
        form->Text1->setText(QStringLiteral("x"));
        drag(form->DBGrid1->viewport(), from, from - QPoint(0, rowHeight()));
        EXPECT_EQ(form->Text1->text(), QStringLiteral("x")) << "the name came once";

        // The finger's press on line 4 is the row change after Enter.
        QTest::keyClick(form->DBGrid1, Qt::Key_Return);
        drag(form->DBGrid1->viewport(), from, from - QPoint(0, rowHeight()));
        EXPECT_EQ(form->Text1->text(), name(4));
    }
    // The review grid's tap proposes nothing.
    form->Frame3->show();
    form->Text2->setText(QStringLiteral("7"));
    tap(form->DBGrid2->viewport(), rowCentre(*form->DBGrid2, 2));
    EXPECT_EQ(form->Text2->text(), QStringLiteral("7"));
    EXPECT_EQ(form->Text1->text(), name(4));
}

// The line moves by whole rows, half a row rounding (the way down rounds
// further), never past the first or the last line.
TEST_F(GridGesturesTest, ADragMovesTheLineByWholeRows)
{
    const struct {
        double rowsUp;
        int lands;
    } drags[] = {{2.6, 6}, {-5, 0}, {20, 9}, {0.4, 3}, {-0.4, 3}, {-0.6, 2}, {1, 4}};
    for (const bool review : {false, true}) {
        QTableView &grid = review ? *form->DBGrid2 : *form->DBGrid1;
        form->Frame3->setVisible(review);
        const int unit = review ? form->Label6->height() : rowHeight();
        for (const auto &d : drags) {
            SCOPED_TRACE(testing::Message() << (review ? "review " : "capture ") << d.rowsUp);
            const QPoint from = rowCentre(grid, 3);
            drag(grid.viewport(), from, from - QPoint(0, qRound(d.rowsUp * unit)));
            EXPECT_EQ(lines().absolutePosition(), d.lands);
        }
    }
}

// One line a step; past the end, then back on the last line; before the
// beginning, then back on the first. The name follows unless the review
// panel is open; nothing moves while another window is active.
TEST_F(GridGesturesTest, TheWheelStepsLineByLine)
{
    form->Text1->clear();
    lines().moveLast();
    turnWheel(*form->DBGrid1, -120);
    EXPECT_TRUE(lines().eof());
    EXPECT_EQ(form->Text1->text(), QString()) << "no line, no name";
    turnWheel(*form->DBGrid1, -60);
    EXPECT_TRUE(lines().eof()) << "half a notch is no step";
    turnWheel(*form->DBGrid1, -60);
    EXPECT_EQ(lines().absolutePosition(), 9);
    EXPECT_EQ(form->Text1->text(), name(9));
    EXPECT_EQ(form->cmbMouseWheel->text(), QStringLiteral("Idle"));

    lines().moveFirst();
    turnWheel(*form->DBGrid1, 120);
    EXPECT_TRUE(lines().bof());
    turnWheel(*form->DBGrid1, 120);
    EXPECT_EQ(lines().absolutePosition(), 0);
    EXPECT_EQ(form->Text1->text(), name(0));
    turnWheel(*form->DBGrid1, -240);
    EXPECT_EQ(lines().absolutePosition(), 2);
    EXPECT_EQ(form->Text1->text(), name(2));

    form->Frame3->show();
    turnWheel(*form->DBGrid2, -120);
    EXPECT_EQ(lines().absolutePosition(), 3);
    EXPECT_EQ(form->Text1->text(), name(2));

    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    turnWheel(*form->DBGrid2, -120);
    EXPECT_EQ(lines().absolutePosition(), 3);
}

// With Ctrl+Alt held, a drag on the capture grid takes the window along.
TEST_F(GridGesturesTest, CtrlAltDragMovesTheWindow)
{
    QWidget *viewport = form->DBGrid1->viewport();
    const QPoint press = rowCentre(*form->DBGrid1, 1);
    QTest::mousePress(viewport, Qt::LeftButton, {}, press);
    const QPoint before = form->pos();
    const auto move = [&](QPoint at, Qt::KeyboardModifiers modifiers) {
        QMouseEvent event(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, modifiers);
        QApplication::sendEvent(viewport, &event);
    };
    move(press + QPoint(7, 5), Qt::ControlModifier);
    EXPECT_EQ(form->pos(), before);
    move(press + QPoint(7, 5), Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(form->pos(), before + QPoint(7, 5));
}

} // namespace
