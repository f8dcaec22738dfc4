#pragma once

#include <QObject>

namespace pusla {

class TerminalForm;

/// The two data-bound grids over the working list.
class ItemGrids : public QObject
{
    Q_OBJECT
public:
    explicit ItemGrids(TerminalForm &form);

    // Columns of the capture grid DBGrid1, as the working mode sets them.
    void setColumnCaption(int column, const QString &caption);
    QString columnCaption(int column) const;
    void setColumnVisible(int column, bool visible);
    bool isColumnVisible(int column) const;

private:
    TerminalForm &m_form;
};

} // namespace pusla
