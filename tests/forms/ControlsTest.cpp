#include "forms/Controls.h"
#include "forms/Twips.h"
#include "support/Taps.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace pusla;

TEST(ControlEventRules, CheckBoxValueFromCodeRunsClickOnceAndOnlyOnChange)
{
    CheckBox box(QStringLiteral("SATIŞ"), nullptr, 0);
    QSignalSpy clicks(&box, &CheckBox::clickEvent);
    box.setValue(1);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toInt(), 0);
    box.setValue(1);
    EXPECT_EQ(clicks.count(), 1) << "setting the same value is no click";
    box.setValue(0);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(box.value(), 0);
}

// A touch terminal's operator taps the control, not its caption's letters:
// every point of a button's rectangle answers, the empty area beside a check
// box's caption and the rim of a push button alike.
template <typename Button>
void expectAnswersEverywhere(const QString &caption)
{
    QWidget panel;
    panel.resize(twipsToPixels(3525), twipsToPixels(4785));
    auto *button = new Button(caption, &panel, 0);
    button->setObjectName(caption);
    placeTwips(button, 660, 2070, 2205, 555);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QSignalSpy clicks(button, &Button::clickEvent);
    const QRect r = button->rect();
    const QPoint points[] = {r.center(), r.topLeft(), r.bottomRight(), {r.right() - 2, r.center().y()},
                             {r.center().x(), r.top()}};
    for (const QPoint &point : points)
        test::tap(button, point);
    EXPECT_EQ(clicks.count(), int(std::size(points))) << caption.toStdString();
}

TEST(ControlEventRules, ButtonsAnswerATapAnywhereInTheirRectangle)
{
    expectAnswersEverywhere<CheckBox>(QStringLiteral("SATIŞ"));
    expectAnswersEverywhere<CommandButton>(QStringLiteral("Çıkış"));
    expectAnswersEverywhere<OptionButton>(QStringLiteral("KULLANICI"));
}

TEST(ControlEventRules, FillingAListSelectsNothingAndRunsNoClick)
{
    for (bool editable : {false, true}) {
        ComboBox list;
        list.setEditable(editable);
        QSignalSpy clicks(&list, &ComboBox::clickEvent);
        list.addEntry(QStringLiteral("Şube 02"));
        list.addEntry(QStringLiteral("Şube 03"));
        EXPECT_EQ(list.listIndex(), -1) << "editable " << editable;
        EXPECT_EQ(list.listCount(), 2);
        EXPECT_EQ(clicks.count(), 0);
    }
}

TEST(ControlEventRules, ListIndexFromCodeRunsClickOnceWithTheNewSelection)
{
    ComboBox list;
    list.addEntry(QStringLiteral("Ahmet Yılmaz"));
    list.addEntry(QStringLiteral("Ayşe Öztürk"));
    int seenIndex = -2;
    int clicks = 0;
    QObject::connect(&list, &ComboBox::clickEvent, [&] {
        ++clicks;
        seenIndex = list.listIndex();
    });
    list.setListIndex(1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(seenIndex, 1) << "the handler sees the new selection";
    EXPECT_EQ(list.text(), QStringLiteral("Ayşe Öztürk"));
    list.clearEntries();
    EXPECT_EQ(clicks, 1) << "emptying the list is no click";
}

TEST(ControlEventRules, ButtonValueRunsClickEvenWhenDisabledOrHidden)
{
    CommandButton button(QStringLiteral("Tamam"), nullptr, 1);
    button.setEnabled(false);
    QSignalSpy clicks(&button, &CommandButton::clickEvent);
    button.setValue(true);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toInt(), 1);
    button.setValue(false);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(ControlEventRules, OptionButtonValueChoosesItAndRunsClick)
{
    QWidget panel;
    OptionButton first(QStringLiteral("SUNUCU"), &panel, 1);
    OptionButton second(QStringLiteral("KULLANICI"), &panel, 2);
    QSignalSpy firstClicks(&first, &OptionButton::clickEvent);
    second.setValue(true);
    EXPECT_TRUE(second.value());
    EXPECT_EQ(firstClicks.count(), 0);
    first.setValue(true);
    EXPECT_EQ(firstClicks.count(), 1);
    EXPECT_FALSE(second.value()) << "one option of a group at a time";
}

TEST(ControlEventRules, TextFromCodeRaisesChangeLikeTyping)
{
    TextBox box;
    box.show();
    QSignalSpy changes(&box, &TextBox::change);
    box.setText(QStringLiteral("123"));
    EXPECT_EQ(changes.count(), 1);
    QTest::keyClicks(&box, QStringLiteral("4"));
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(box.text(), QStringLiteral("1234"));
}
