#pragma once

#include <QObject>
#include <QString>

namespace pusla {

/// What the terminal is doing: the role chosen, the operation (Depo or Cari),
/// the working mode, the document under review and its kind, the data path
/// and the document's total. The subsystems read and write it; the captions
/// that show it follow its signals, and nothing is read back from them.
class TerminalState : public QObject
{
    Q_OBJECT
public:
    /// Values taken from the role buttons, the operation menu and the mode
    /// boxes: Option1(1..2), SbCr(0..1), Check1(0..2). -1: none chosen yet.
    static constexpr int kNone = -1;

    enum class Review { None, Invoice, AccountMovement };

    explicit TerminalState(QObject *parent = nullptr);

    int role() const { return m_role; }
    void setRole(int role) { m_role = role; }

    int operation() const { return m_operation; }
    void setOperation(int operation);

    /// The ticked mode box, or kNone on the mode menu with every box clear.
    int mode() const { return m_mode; }
    void setMode(int mode) { m_mode = mode; }
    bool isMode(int mode) const { return m_mode == mode; }

    /// The review panel's document; it stays what was last reviewed once
    /// the panel closes.
    Review review() const { return m_review; }
    void setReview(Review review);

    /// The prefix of the set's files (…\MuhasebeData\01), or in count mode
    /// the branch's stock file. Empty until a role is chosen or the server
    /// address is edited.
    const QString &dataPath() const { return m_dataPath; }
    void setDataPath(const QString &dataPath) { m_dataPath = dataPath; }

    /// True while a header tap on the capture grid shows its caption in the
    /// entry box: the box's text is then no entry to format.
    bool isHeaderClick() const { return m_headerClick; }
    void setHeaderClick(bool on) { m_headerClick = on; }

    /// The total of the document under review or last posted.
    double documentTotal() const { return m_documentTotal; }
    void setDocumentTotal(double total) { m_documentTotal = total; }

signals:
    void operationChanged(int operation);
    void reviewChanged(TerminalState::Review review);

private:
    int m_role = kNone;
    int m_operation = kNone;
    int m_mode = kNone;
    Review m_review = Review::None;
    QString m_dataPath;
    double m_documentTotal = 0;
    bool m_headerClick = false;
};

} // namespace pusla
