#include "ui/OnScreenKeyboard.h"
#include "capture/CaptureFixture.h"
#include "ui/KeyboardSwitch.h"

#include <QLabel>

using namespace pusla;
using namespace pusla::test;

namespace {

/// The working screen with the keyboard opened by its button.
class OnScreenKeyboardTest : public CaptureFixture
{
protected:
    std::vector<StockRow> workingRows() const override { return {{u"ŞM-1"_qs, u"Şampuan Mavi"_qs, u"8690001"_qs}}; }

    void SetUp() override
    {
        CaptureFixture::SetUp();
        if (HasFatalFailure())
            return;
        keepOnlyTheWorkingRows();
        tap(form->Command6);
        keyboard = terminal->keyboard().keyboard();
        ASSERT_NE(keyboard, nullptr);
    }

    /// A finger on the keyboard window, at a point or on a key's centre.
    void press(QPoint at) { QTest::mouseClick(keyboard->windowHandle(), Qt::LeftButton, {}, at); }
    void press(const QString &caption)
    {
        QLabel *key = keyboard->key(caption);
        ASSERT_NE(key, nullptr) << caption.toStdString();
        press(key->geometry().center());
    }

    void expectTheFormStillActive(QWidget *focused)
    {
        EXPECT_EQ(QApplication::activeWindow(), form);
        EXPECT_EQ(QApplication::focusWidget(), focused);
    }

    QColor colour(const QString &caption) const { return keyboard->key(caption)->palette().color(QPalette::Window); }

    OnScreenKeyboard *keyboard = nullptr;
};

} // namespace

// Over the form as wide as the screen, in letter mode; only the key under
// the pointer is green.
TEST_F(OnScreenKeyboardTest, OpensOverTheFormAsWideAsTheScreen)
{
    EXPECT_EQ(keyboard->windowTitle(), QStringLiteral(" Klavye"));
    EXPECT_EQ(keyboard->findChildren<QLabel *>().size(), 47);
    EXPECT_EQ(keyboard->width(), program.screen.width());
    EXPECT_EQ(keyboard->y(), form->frameGeometry().bottom() + 1 - form->Command6->y());
    EXPECT_EQ(keyboard->key(u"ş"_qs)->geometry(), QRect(364, 40, 37, 33));
    expectTheFormStillActive(form->Text1);
    QTest::mouseMove(keyboard->windowHandle(), keyboard->key(QStringLiteral("k"))->geometry().center());
    EXPECT_EQ(colour(QStringLiteral("k")), OnScreenKeyboard::hoverColour());
    EXPECT_EQ(colour(QStringLiteral("l")), OnScreenKeyboard::idleColour());
    QTest::mouseMove(keyboard->windowHandle(), QPoint(2, 2));
    EXPECT_EQ(colour(QStringLiteral("k")), OnScreenKeyboard::idleColour());
}

// Each key goes through the box's own handlers: Enter in the scan box looks
// the name up, the digits and Enter in the entry box make the entry.
TEST_F(OnScreenKeyboardTest, KeysTypeIntoTheFocusedBoxWithoutTakingTheFocus)
{
    for (const QString &caption : {u"ş"_qs, u"a"_qs, u"x"_qs, u"<--"_qs})
        press(caption);
    EXPECT_EQ(form->Text1->text(), QStringLiteral("şa"));
    expectTheFormStillActive(form->Text1);
    press(QStringLiteral("Enter"));
    EXPECT_EQ(form->Text1->text(), QStringLiteral("Şampuan Mavi"));
    expectTheFormStillActive(form->Text2);

    press(QStringLiteral("Num"));
    EXPECT_EQ(keyboard->key(QStringLiteral("7"))->y(), OnScreenKeyboard::kShownRowTop);
    EXPECT_EQ(keyboard->key(QStringLiteral(" "))->y(), OnScreenKeyboard::kHiddenRowTop);
    press(QPoint(42, 120)); // between "1" and "2": nothing
    for (const QString &caption : {u"1"_qs, u"2"_qs, u"Enter"_qs})
        press(caption);
    EXPECT_EQ(lineFields(u"ŞM-1"_qs, QStringLiteral("KalanB")), QStringLiteral("12.0"));
    expectTheFormStillActive(form->Text1);
    press(QStringLiteral("Harf"));
    press(QStringLiteral(" "));
    EXPECT_EQ(form->Text1->text(), QStringLiteral(" "));
}

// Opened and closed by its button, "Geri" and the form's closing, it leaves
// no window behind.
TEST_F(OnScreenKeyboardTest, ClosingLeavesNoWindowBehind)
{
    const auto windows = [] { return QApplication::topLevelWidgets().size(); };
    const qsizetype open = windows();
    tap(form->Command1[0]);
    EXPECT_EQ(terminal->keyboard().keyboard(), nullptr);
    EXPECT_TRUE(form->Frame1->isVisible());
    form->Frame1->hide();
    for (int i = 0; i < 21; ++i)
        tap(form->Command6);
    EXPECT_EQ(windows(), open);
    pressCloseBox(form);
    EXPECT_EQ(terminal->keyboard().keyboard(), nullptr);
    EXPECT_EQ(windows(), open - 1);
}
