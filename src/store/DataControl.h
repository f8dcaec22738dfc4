#pragma once

#include "base/PathMapper.h"
#include "store/Recordset.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace pusla {

class AttachedFile;
class Database;

/// A data control of the main form: a database file named by a Windows path,
/// a record source (a table name or a query) and the record set they give.
/// Setting either property changes nothing until refresh(), which re-opens
/// the file, re-runs the record source and makes the first record current.
///
/// recordset() is the same object for the control's whole life, so grids and
/// forms may keep it; the control repeats its signals.
class DataControl : public QObject
{
    Q_OBJECT

public:
    explicit DataControl(const PathMapper &mapper, QObject *parent = nullptr);
    ~DataControl() override;

    QString databaseName() const { return m_databaseName; }
    void setDatabaseName(const QString &windowsPath) { m_databaseName = windowsPath; }
    QString recordSource() const { return m_recordSource; }
    void setRecordSource(const QString &source) { m_recordSource = source; }

    /// Runs on the file each time a refresh opens it anew (another name, or
    /// the file was replaced since), before the record source is read.
    void setFileCheck(std::function<void(Database &)> check) { m_fileCheck = std::move(check); }

    /// Throws DbError when the file cannot be opened or the source not run;
    /// the record set is closed then.
    void refresh();
    Recordset &recordset() { return *m_recordset; }
    const Recordset &recordset() const { return *m_recordset; }
    /// Closes the record set and lets go of the file (and its lock file,
    /// when nothing else of the program holds it).
    void close();

signals:
    void recordsetReset();
    void currentChanged(int position);
    void rowChanged(int position);
    void rowInserted(int position);
    void rowRemoved(int position);

private:
    std::shared_ptr<AttachedFile> attachedFile();

    PathMapper m_mapper;
    QString m_databaseName;
    QString m_recordSource;
    std::function<void(Database &)> m_fileCheck;
    Recordset *m_recordset;
    std::shared_ptr<AttachedFile> m_file; // the file the record set is open on
    QString m_fileName; // the database name it was opened under
};

} // namespace pusla
