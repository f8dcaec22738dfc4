#include "ui/ProportionalLayout.h"

#include "forms/Twips.h"

#include <QGroupBox>

#include <cmath>

namespace pusla {

namespace {

int twips(int pixels)
{
    return int(std::lrint(pixelsToTwips(pixels))); // halves to even
}

bool isParked(int left)
{
    return left <= -ProportionalLayout::kParked / 2;
}

/// A parked left as its real one. A control just off the left edge (the
/// focus holder) is not parked: read as parked, a small growth of the form
/// would bring it into view.
int unparked(int left)
{
    return isParked(left) ? left + ProportionalLayout::kParked : left;
}

/// The controls of a container, and of the panels among them, in creation
/// order; pop-up menus and other windows are not controls.
void collectControls(QWidget &container, QList<QWidget *> &controls)
{
    for (QObject *child : container.children()) {
        auto *control = qobject_cast<QWidget *>(child);
        if (!control || control->isWindow())
            continue;
        controls.append(control);
        if (qobject_cast<QGroupBox *>(control))
            collectControls(*control, controls);
    }
}

int percentage(int current, int registered)
{
    // A form registered without a client area has nothing to scale from.
    return registered > 0 ? int(qint64(current) * 100 / registered) : 100;
}

} // namespace

ProportionalLayout::Form *ProportionalLayout::find(const QWidget &form)
{
    for (Form &record : m_forms) {
        if (record.widget == &form)
            return &record;
    }
    return nullptr;
}

bool ProportionalLayout::isRegistered(const QWidget &form) const
{
    return const_cast<ProportionalLayout *>(this)->find(form) != nullptr;
}

void ProportionalLayout::registerForm(QWidget &form, QSize clientTwips)
{
    if (find(form))
        return;
    const QRect frame = form.frameGeometry();
    Form record {
        &form, {twips(frame.y()), twips(frame.x()), twips(frame.height()), twips(frame.width())}, clientTwips, {}};
    QList<QWidget *> controls;
    collectControls(form, controls);
    for (QWidget *control : controls) {
        const QRect place = control->geometry();
        record.controls.append(
            {control, {twips(place.y()), unparked(twips(place.x())), twips(place.height()), twips(place.width())}});
    }
    m_forms.append(record);
}

ProportionalLayout::Form &ProportionalLayout::findOrRegister(QWidget &form)
{
    if (!find(form))
        registerForm(form, QSize(twips(form.width()), twips(form.height())));
    return *find(form);
}

int ProportionalLayout::horizontalPercentage(QWidget &form)
{
    return percentage(twips(form.width()), findOrRegister(form).client.width());
}

int ProportionalLayout::verticalPercentage(QWidget &form)
{
    return percentage(twips(form.height()), findOrRegister(form).client.height());
}

void ProportionalLayout::layOut(const Control &control, int horizontal, int vertical)
{
    QWidget *widget = control.widget;
    if (!widget)
        return;
    const Place &r = control.place;
    const int left = int(qint64(r.left) * horizontal / 100) - (isParked(twips(widget->x())) ? kParked : 0);
    const int top = int(qint64(r.top) * vertical / 100);
    const int width = int(qint64(r.width) * horizontal / 100);
    const int height = int(qint64(r.height) * vertical / 100);
    widget->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

void ProportionalLayout::resize(QWidget &form)
{
    if (m_busy)
        return;
    m_busy = true;
    if (twips(form.frameGeometry().y()) < kLowestTop) {
        const int horizontal = horizontalPercentage(form);
        const int vertical = verticalPercentage(form);
        // Copied: a control's resize may not add to the list under the loop.
        const QList<Control> controls = find(form)->controls;
        for (const Control &control : controls)
            layOut(control, horizontal, vertical);
    }
    m_busy = false;
}

} // namespace pusla
