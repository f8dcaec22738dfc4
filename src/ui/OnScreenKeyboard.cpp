#include "ui/OnScreenKeyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>

namespace pusla {

namespace {

struct KeySpec
{
    const char16_t *caption;
    int label; // LabelN
    int left;
    int top;
    int width = 37;
    int height = 33;
};

constexpr int kPitch = 40;
constexpr int kFirstLeft = 4;
constexpr int kWideLeft = 404;
constexpr QSize kDesignClient {485, 149};

/// A row of normal keys from the left edge.
void addRow(std::vector<KeySpec> &keys, int top, std::initializer_list<std::pair<const char16_t *, int>> row)
{
    int left = kFirstLeft;
    for (const auto &[caption, label] : row) {
        keys.push_back({caption, label, left, top});
        left += kPitch;
    }
}

std::vector<KeySpec> keySpecs()
{
    std::vector<KeySpec> keys;
    addRow(keys, 4,
        {{u"q", 9}, {u"w", 8}, {u"e", 7}, {u"r", 6}, {u"t", 5}, {u"y", 4}, {u"u", 3}, {u"ı", 2}, {u"o", 31}, {u"p", 30},
            {u"ğ", 1}, {u"ü", 10}});
    addRow(keys, 40,
        {{u"a", 29}, {u"s", 28}, {u"d", 27}, {u"f", 26}, {u"g", 25}, {u"h", 24}, {u"j", 23}, {u"k", 22}, {u"l", 21},
            {u"ş", 11}, {u"i", 12}, {u"<--", 42}});
    addRow(keys, 76,
        {{u"z", 20}, {u"x", 19}, {u"c", 38}, {u"v", 37}, {u"b", 36}, {u"n", 35}, {u"m", 34}, {u"ö", 13}, {u"ç", 14},
            {u"*", 15}});
    keys.push_back({u"Enter", 41, kWideLeft, 76, 77});
    keys.push_back({u" ", 40, kFirstLeft, OnScreenKeyboard::kShownRowTop, 397, 34});
    keys.push_back({u"Num", 46, kWideLeft, OnScreenKeyboard::kShownRowTop, 77});
    addRow(keys, OnScreenKeyboard::kHiddenRowTop,
        {{u"1", 16}, {u"2", 17}, {u"3", 18}, {u"4", 32}, {u"5", 33}, {u"6", 39}, {u"7", 43}, {u"8", 44}, {u"9", 45},
            {u"0", 47}});
    return keys;
}

void setKeyColour(QLabel *key, const QColor &colour)
{
    QPalette palette = key->palette();
    if (palette.color(QPalette::Window) == colour)
        return;
    palette.setColor(QPalette::Window, colour);
    key->setPalette(palette);
}

/// The key code a hardware keyboard sends with a character.
int keyCodeOf(QChar c)
{
    if (c >= u'a' && c <= u'z')
        return Qt::Key_A + (c.unicode() - u'a');
    if (c >= u'0' && c <= u'9')
        return Qt::Key_0 + (c.unicode() - u'0');
    if (c == u' ')
        return Qt::Key_Space;
    if (c == u'*')
        return Qt::Key_Asterisk;
    return Qt::Key_unknown;
}

} // namespace

OnScreenKeyboard::OnScreenKeyboard(QWidget &target)
    : QWidget(&target, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
    , m_target(target)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral(" Klavye"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    resize(kDesignClient);

    for (const KeySpec &spec : keySpecs()) {
        auto *key = new QLabel(QString::fromUtf16(spec.caption), this);
        key->setObjectName(QStringLiteral("Label%1").arg(spec.label));
        key->setGeometry(spec.left, spec.top, spec.width, spec.height);
        key->setAlignment(Qt::AlignCenter);
        key->setFrameShape(QFrame::Box);
        key->setAutoFillBackground(true);
        // The window hit-tests the keys itself; a key never takes the press.
        key->setAttribute(Qt::WA_TransparentForMouseEvents);
        setKeyColour(key, idleColour());
        m_keys.push_back(key);
        if (spec.top == kHiddenRowTop)
            m_digits.push_back(key);
    }
    m_spaceBar = key(QStringLiteral(" "));
    m_modeKey = key(QStringLiteral("Num"));
}

QColor OnScreenKeyboard::idleColour()
{
    return QApplication::palette().color(QPalette::Button);
}

QLabel *OnScreenKeyboard::key(const QString &caption) const
{
    for (QLabel *key : m_keys) {
        if (key->text() == caption)
            return key;
    }
    return nullptr;
}

QLabel *OnScreenKeyboard::keyAt(QPoint position) const
{
    for (QLabel *key : m_keys) {
        if (key->geometry().contains(position))
            return key;
    }
    return nullptr;
}

void OnScreenKeyboard::colourKeys(QPoint position)
{
    QLabel *hovered = rect().contains(position) ? keyAt(position) : nullptr;
    for (QLabel *key : m_keys)
        setKeyColour(key, key == hovered ? hoverColour() : idleColour());
}

bool OnScreenKeyboard::event(QEvent *event)
{
    // A window system that activates every window it shows (or on a click,
    // whatever the window asked for) is given the main form back at once:
    // the keys type into the main form's focused box.
    if (event->type() == QEvent::WindowActivate && m_target.isVisible())
        m_target.activateWindow();
    return QWidget::event(event);
}

void OnScreenKeyboard::mouseMoveEvent(QMouseEvent *event)
{
    colourKeys(event->position().toPoint());
}

void OnScreenKeyboard::mouseReleaseEvent(QMouseEvent *event)
{
    colourKeys(event->position().toPoint());
}

void OnScreenKeyboard::leaveEvent(QEvent *)
{
    for (QLabel *key : m_keys)
        setKeyColour(key, idleColour());
}

void OnScreenKeyboard::mousePressEvent(QMouseEvent *event)
{
    const QPoint position = event->position().toPoint();
    colourKeys(position);
    if (event->button() != Qt::LeftButton)
        return;
    // A press between the keys is taken and sends nothing.
    if (QLabel *pressed = keyAt(position)) {
        setKeyColour(pressed, pressedColour());
        press(*pressed);
    }
}

void OnScreenKeyboard::press(QLabel &key)
{
    const QString caption = key.text();
    if (caption.size() == 1)
        type(keyCodeOf(caption.front()), caption);
    else if (caption == QLatin1StringView("Enter"))
        type(Qt::Key_Return, QStringLiteral("\r"));
    else if (caption == QLatin1StringView("<--"))
        type(Qt::Key_Backspace, QStringLiteral("\b"));
    else if (caption == QLatin1StringView("Num"))
        switchRows(true);
    else if (caption == QLatin1StringView("Harf"))
        switchRows(false);
}

void OnScreenKeyboard::type(int keyCode, const QString &text)
{
    // The control with the focus in the program's active window, or, while
    // another program is active, the one the main form will give it back to.
    QWidget *focused = QApplication::focusWidget();
    if (!focused)
        focused = m_target.focusWidget();
    if (!focused)
        return;
    const QPointer<QWidget> receiver(focused);
    QKeyEvent down(QEvent::KeyPress, keyCode, Qt::NoModifier, text);
    QApplication::sendEvent(receiver, &down);
    // The press may have moved the focus or closed the control's window.
    if (receiver) {
        QKeyEvent up(QEvent::KeyRelease, keyCode, Qt::NoModifier, text);
        QApplication::sendEvent(receiver, &up);
    }
}

void OnScreenKeyboard::switchRows(bool digits)
{
    for (QLabel *digit : m_digits)
        digit->move(digit->x(), digits ? kShownRowTop : kHiddenRowTop);
    m_spaceBar->move(m_spaceBar->x(), digits ? kHiddenRowTop : kShownRowTop);
    m_modeKey->setText(digits ? QStringLiteral("Harf") : QStringLiteral("Num"));
}

} // namespace pusla
