#pragma once

#include <QList>
#include <QString>
#include <QVariant>

struct sqlite3;

namespace pusla::harness {

using Row = QVariantList;

/// A database file read outside the program, as the accounting suite would:
/// opened read-write so that a hot journal left by a killed terminal is
/// rolled back (or found stale) before anything is read.
class BookFile
{
public:
    /// Throws std::runtime_error when the file cannot be opened.
    explicit BookFile(const QString &path);
    ~BookFile();
    BookFile(const BookFile &) = delete;
    BookFile &operator=(const BookFile &) = delete;

    /// The rows of a query with whole-number parameters; throws std::runtime_error.
    QList<Row> rows(const QString &sql, const Row &params = {}) const;
    bool hasTable(const QString &table) const;

private:
    QString m_path;
    sqlite3 *m_db = nullptr;
};

/// A field's number; NULL reads as 0.
double number(const QVariant &value);
/// Equal but for the rounding of sums of money.
bool near(double a, double b);
QString fmt(double value);

/// The file of a folder by name, found without regard to case as the program finds it.
QString fileIn(const QString &folder, const QString &name);
/// The file of a database set: company "01", kind "Stok" -> 01Stok.mdb.
QString setFile(const QString &dataDirectory, const QString &company, const char *kind);

} // namespace pusla::harness
