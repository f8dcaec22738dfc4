#pragma once

#include <QObject>
#include <QString>

#include <vector>

class QFontMetrics;
class QHeaderView;

namespace pusla {

class TerminalForm;
class WorkingListModel;

/// The working situation whose capture grid layout is in use: "3" while the
/// review panel Frame3 is shown, "1" in count mode, otherwise "2".
QString layoutSuffix(const TerminalForm &form);

/// The column layout of the capture grid DBGrid1, kept in the program folder
/// as PuslaCari2.Dat, PuslaDepo1.Dat and so on: the first four characters of
/// Label5 and the situation's suffix. One line per column, "1455,#TRUE#":
/// the width in twips and whether the column is shown.
///
/// Loading and saving both re-pad the captions of the shown columns with
/// blanks so that each sits in the middle of its column, and widen a column
/// to its caption. The operator's resize of a column of either grid saves
/// DBGrid1's layout once, when the drag ends; the program's own width
/// changes save nothing.
class GridLayout : public QObject
{
    Q_OBJECT
public:
    GridLayout(TerminalForm &form, WorkingListModel &captureModel);

    /// Applies the layout file of a situation; without a readable file the
    /// grid stays as it is. A line that cannot be read leaves its column.
    void LoadGridLayout(const QString &suffix);
    /// Writes the current layout to the file of the current situation. A
    /// file that cannot be written is left as it was and the grid keeps the
    /// operator's widths; the operator is not told.
    void SaveGridLayout();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// The layout file of a situation, as the program's paths name it.
    QString fileName(const QString &suffix) const;

    void watchResizes(QHeaderView &header);
    void padCaption(int column, double width, const QFontMetrics &metrics, bool rounded);
    double columnWidth(int column) const;
    void setColumnWidth(int column, double width);

    TerminalForm &m_form;
    WorkingListModel &m_captureModel;
    // DBGrid1's column widths in pixels as last shown: a hidden column keeps
    // its width in the file, and the header tells it as 0.
    std::vector<int> m_shownWidths;
    // The header viewport under the operator's finger, and whether a column
    // changed its width since the press.
    QObject *m_pressed = nullptr;
    bool m_resizedWhilePressed = false;
    // Set while loading or saving changes the grid itself.
    bool m_applying = false;
};

} // namespace pusla
