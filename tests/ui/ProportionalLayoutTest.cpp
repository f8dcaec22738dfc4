#include "ui/ProportionalLayout.h"
#include "app/Terminal.h"
#include "forms/Controls.h"
#include "support/Cases.h"
#include "support/FormFixture.h"
#include "ui/MainFormResize.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>

using namespace pusla;
using namespace pusla::test;

namespace {

/// A form of 200 x 100 pixels (3000 x 1500 twips) with a control, a control
/// parked far to the left and one just off the left edge, as the focus holder is.
struct SmallForm
{
    SmallForm()
    {
        form.resize(200, 100);
        control->setGeometry(80, 40, 160, 20);
        parked->setGeometry(-4934, 40, 20, 20); // real left 990 twips
        offEdge->setGeometry(-108, 40, 80, 20);
        form.show(); // resize events arrive as they happen
        layout.resize(form);
    }

    QWidget form;
    QWidget *control = new QWidget(&form);
    QWidget *parked = new QWidget(&form);
    QWidget *offEdge = new QWidget(&form);
    ProportionalLayout layout;
};

struct GrowthCase
{
    QSize client;
    QRect control;
    int parkedLeft;
    int offEdgeLeft;
};

using GrowthTest = ::testing::TestWithParam<GrowthCase>;

/// The main form as the operator sees it, and what it looked like at first.
class MainFormResizeTest : public FormFixture
{
protected:
    struct Look
    {
        std::map<QString, QRect> places;
        std::map<QString, double> fonts;
        std::array<int, 5> columns {};
    };

    Look look() const
    {
        Look seen;
        for (QWidget *control : form->findChildren<QWidget *>()) {
            // The form's controls, not the parts Qt builds them of.
            const QString name = control->objectName();
            if (!name.isEmpty() && !name.startsWith(u"qt_") && !control->isWindow()) {
                seen.places[control->objectName()] = control->geometry();
                seen.fonts[control->objectName()] = control->font().pointSizeF();
            }
        }
        seen.fonts[QStringLiteral("DBGrid2 header")] = form->DBGrid2->horizontalHeader()->font().pointSizeF();
        for (int column = 0; column < 5; ++column)
            seen.columns[size_t(column)] = form->DBGrid1->horizontalHeader()->sectionSize(column);
        return seen;
    }
};

} // namespace

// Each control keeps its share of the client area, in whole percent; a
// parked control stays parked, one off the left edge stays off it.
TEST_P(GrowthTest, PlacesControlsAtTheClientAreasPercentage)
{
    const GrowthCase &c = GetParam();
    SmallForm f;
    f.form.resize(c.client);
    f.layout.resize(f.form);
    EXPECT_EQ(f.control->geometry(), c.control);
    EXPECT_EQ(f.parked->x(), c.parkedLeft);
    EXPECT_EQ(f.offEdge->x(), c.offEdgeLeft);
}

INSTANTIATE_TEST_SUITE_P(Sizes, GrowthTest,
    ::testing::Values(GrowthCase {{300, 120}, {120, 48, 240, 24}, -4901, -162}, // 150 % x 120 %
        GrowthCase {{201, 100}, {80, 40, 160, 20}, -4934, -108}, // 100.5 %: nothing moves
        GrowthCase {{210, 100}, {84, 40, 168, 20}, -4931, -113}, // 105 %: the holder stays out of sight
        GrowthCase {{0, 0}, {0, 0, 0, 0}, -5000, 0})); // 0 %: everything at the corner

TEST(ProportionalLayoutTest, AResizeDuringAPassIsIgnored)
{
    SmallForm f;
    struct Intruder : QObject
    {
        SmallForm &f;
        explicit Intruder(SmallForm &small)
            : f(small)
        { }
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Resize && f.layout.isBusy() && f.form.width() != 400) {
                f.form.resize(400, 200);
                f.layout.resize(f.form);
            }
            return false;
        }
    } intruder(f);
    f.control->installEventFilter(&intruder);
    f.form.resize(300, 120);
    f.layout.resize(f.form);
    EXPECT_EQ(f.control->geometry(), QRect(120, 48, 240, 24)) << "laid out once, for 150 % x 120 %";
}

// Twice the height doubles the listed fonts, the copies follow, the first
// three columns grow with the grid. Maximised on two screens, squeezed to
// nothing and restored, the form looks exactly as it did.
TEST_F(MainFormResizeTest, FontsAndColumnsGrowAndComeBackExactly)
{
    TerminalForm &f = openForm();
    const Look design = look();
    f.resize(f.width() * 2, f.height() * 2);
    const Look grown = look();
    EXPECT_EQ(f.Text1->height(), design.places.at(u"Text1"_qs).height() * 2);
    for (const char *name : {"Text1", "Text2", "Combo1", "Check1(0)", "Check1(2)", "Command4", "Command7",
             "Command8(1)", "FatCmd", "Label1", "Label6", "DBGrid2", "DBGrid2 header"})
        EXPECT_DOUBLE_EQ(grown.fonts.at(QString::fromLatin1(name)), design.fonts.at(QString::fromLatin1(name)) * 2)
            << name;
    EXPECT_EQ(grown.fonts.at(u"Option1(1)"_qs), design.fonts.at(u"Option1(1)"_qs));
    for (int column : {0, 1, 2})
        EXPECT_NEAR(grown.columns[size_t(column)], design.columns[size_t(column)] * 2, 1) << column;
    EXPECT_EQ(grown.columns[3], design.columns[3]);
    EXPECT_EQ(f.DBGrid1->verticalHeader()->defaultSectionSize(), f.Label7->height());

    for (int cycle = 0; cycle < 3; ++cycle) {
        for (const QSize size : {QSize(1024, 768), QSize(234, 0), QSize(1920, 1080), QSize(0, 0), QSize(234, 318)})
            f.resize(size);
    }
    const Look restored = look();
    for (const auto &[name, place] : design.places) {
        EXPECT_EQ(restored.places.at(name), place) << name.toStdString();
        EXPECT_EQ(restored.fonts.at(name), design.fonts.at(name)) << name.toStdString();
    }
    EXPECT_EQ(restored.columns, design.columns);
}
