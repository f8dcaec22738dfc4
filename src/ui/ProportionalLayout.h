#pragma once

#include <QList>
#include <QPointer>
#include <QSize>
#include <QWidget>

namespace pusla {

/// Keeps a form's controls at the same fractions of its client area, however
/// large the screen. The first pass over a form registers the form's client
/// size and every control's place (in twips, relative to its container) as
/// the 100 % reference; every later pass places each control at the client
/// area's percentage of it, in whole percent steps. A control parked far to
/// the left (real left - 75000) stays parked.
class ProportionalLayout
{
public:
    /// The offset of a parked control's left.
    static constexpr int kParked = 75000;
    /// A form whose top is this low on the screen (twips) is not laid out.
    static constexpr int kLowestTop = 30000;

    /// Registers `form` with the given client size (twips) instead of its
    /// current one: for a form whose controls are at their design places
    /// while its window already has another size.
    void registerForm(QWidget &form, QSize clientTwips);
    bool isRegistered(const QWidget &form) const;

    /// One layout pass over `form`, registering it first when needed. A call
    /// made while a pass runs is ignored.
    void resize(QWidget &form);
    bool isBusy() const { return m_busy; }

    /// The current percentages of the form's registered client size.
    int horizontalPercentage(QWidget &form);
    int verticalPercentage(QWidget &form);

private:
    struct Place
    {
        int top = 0;
        int left = 0; // unparked
        int height = 0;
        int width = 0;
    };
    struct Control
    {
        QPointer<QWidget> widget;
        Place place;
    };
    struct Form
    {
        QPointer<QWidget> widget;
        Place place;
        QSize client; // twips
        QList<Control> controls;
    };

    Form *find(const QWidget &form);
    Form &findOrRegister(QWidget &form);
    static void layOut(const Control &control, int horizontal, int vertical);

    QList<Form> m_forms;
    bool m_busy = false;
};

} // namespace pusla
