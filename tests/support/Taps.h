#pragma once

#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

#include <optional>

namespace pusla::test {

/// A finger on the screen: the left button (or the one told) pressed and
/// released at a point of the control's rectangle (its centre unless told),
/// delivered to the window at that point, so that whatever lies there answers
/// it, as on the device. A control covered by another at that point is a
/// failure.
inline void tap(QWidget *control, std::optional<QPoint> at = std::nullopt, Qt::MouseButton button = Qt::LeftButton)
{
    QWidget *window = control->window();
    const QPoint point = control->mapTo(window, at.value_or(control->rect().center()));
    QWidget *under = window->childAt(point);
    EXPECT_TRUE(under == control || control->isAncestorOf(under))
        << control->objectName().toStdString() << " is not under the finger at (" << point.x() << ", "
        << point.y() << "): " << (under ? under->objectName().toStdString() : std::string("nothing"));
    QTest::mouseClick(window->windowHandle(), button, {}, point);
}

/// A finger drawn across the control from one point to another, in a few
/// moves, delivered to the window as a tap is.
inline void drag(QWidget *control, QPoint from, QPoint to)
{
    QWindow *window = control->window()->windowHandle();
    const auto at = [&](QPoint p) { return control->mapTo(control->window(), p); };
    QTest::mousePress(window, Qt::LeftButton, {}, at(from));
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(window, at(from + (to - from) * step / 4));
    QTest::mouseRelease(window, Qt::LeftButton, {}, at(to));
}

/// The window's close box, through the window system as the operator's press.
inline void pressCloseBox(QWidget *window)
{
    window->windowHandle()->close();
}

} // namespace pusla::test
