#pragma once

#include <QColor>
#include <QWidget>

#include <vector>

class QLabel;

namespace pusla {

/// The on-screen keyboard `Form1` (" Klavye"): 47 keys with the Turkish
/// letter rows and a digit row that "Num" / "Harf" swaps in for the space
/// bar. It never takes the focus and never becomes the active window: a
/// press on a key types into the control that has the focus, as a hardware
/// key would, through that control's own filters and handlers.
class OnScreenKeyboard : public QWidget
{
    Q_OBJECT
public:
    /// Row tops (pixels) of the space bar and of the digit row in letter mode;
    /// digit mode swaps them. The digit row's place lies below the window.
    static constexpr int kShownRowTop = 112;
    static constexpr int kHiddenRowTop = 158;

    /// A keyboard typing into `target`'s focused control when no window of
    /// the program is active. Shown by the caller.
    explicit OnScreenKeyboard(QWidget &target);

    static QColor idleColour();
    static QColor hoverColour() { return {0, 255, 0}; }
    static QColor pressedColour() { return {0, 0, 255}; }

    /// The key with this caption ("q", " ", "Enter", "Num"...), or null.
    QLabel *key(const QString &caption) const;

protected:
    bool event(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QLabel *keyAt(QPoint position) const;
    void colourKeys(QPoint position);
    void press(QLabel &key);
    void type(int keyCode, const QString &text);
    void switchRows(bool digits);

    QWidget &m_target;
    std::vector<QLabel *> m_keys;
    std::vector<QLabel *> m_digits;
    QLabel *m_spaceBar = nullptr;
    QLabel *m_modeKey = nullptr;
};

} // namespace pusla
