#include "posting/PostingFixture.h"

#include <QDir>

using namespace pusla;
using namespace pusla::test;

namespace {

const QString kKey = QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e");
const QString kBooks = QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\01Index.mdb");

// A terminal that was cut short between the books' commit and the reset of
// its working list, or before the commit: the marker names the document's key.
class PendingPostingTest : public PostingFixture
{
protected:
    QString marker() const { return programFile(QStringLiteral(".pusla-pending")); }
    void leaveMarker(const QString &books = kBooks)
    {
        QFile file(marker());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write((kKey + u'\n' + books + u'\n').toUtf8());
    }
    void keyInTheBooks()
    {
        runOnFile(setFile("01", "Index"),
            {QStringLiteral("CREATE TABLE PuslaKayit (Anahtar TEXT PRIMARY KEY, Tarih TEXT)"),
                QStringLiteral("INSERT INTO PuslaKayit VALUES ('%1', '2017-01-17T15:54:43')").arg(kKey)});
    }
    QString captured() const
    {
        return value(tempPath(), QStringLiteral("SELECT total(KalanB), total(GirenTutar) FROM StokKartlar"));
    }
};

} // namespace

// The marker is settled as the terminal starts: a document that landed has
// its lines finished with, one that never did keeps them.
class MarkerAtStartTest : public PendingPostingTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(MarkerAtStartTest, IsSettledByWhatTheBooksHold)
{
    setLine(QStringLiteral("ST000001"), 2, 10, 20);
    if (GetParam())
        keyInTheBooks();
    leaveMarker();

    openForm();

    EXPECT_EQ(captured(), GetParam() ? QStringLiteral("0.0|0.0") : QStringLiteral("2.0|20.0"));
    EXPECT_FALSE(QFile::exists(marker()));
    // A document that never landed is claimed void: it cannot land later.
    EXPECT_EQ(value("01", "Index", QStringLiteral("SELECT Tarih FROM PuslaKayit WHERE Anahtar='%1'").arg(kKey)),
        GetParam() ? QStringLiteral("2017-01-17T15:54:43") : QStringLiteral("void"));
}

INSTANTIATE_TEST_SUITE_P(Landed, MarkerAtStartTest, ::testing::Bool(),
    [](const ::testing::TestParamInfo<bool> &landed) { return landed.param ? "Landed" : "NeverLanded"; });

TEST_F(PendingPostingTest, UnanswerableMarkerStopsTheNextDocument)
{
    openInMode("1", kSale);
    leaveMarker(QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\09Index.mdb"));
    setLine(QStringLiteral("ST000001"), 1, 10, 10);
    const QString before = footprint();

    review(form->Command4);
    confirm();

    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages.first().contains(QStringLiteral("09Index.mdb")));
    EXPECT_EQ(footprint(), before);
    EXPECT_EQ(captured(), QStringLiteral("1.0|10.0"));
    EXPECT_TRUE(QFile::exists(marker()));
}

// A document that landed though its terminal never saw it finish: the next
// confirmation finishes it instead of posting its lines a second time, and
// says so without calling it a failure that left the lines in place.
// The account movement and the invoice alike.
TEST_F(PendingPostingTest, MarkerOfALandedDocumentFinishesItInsteadOfPostingAgain)
{
    keyInTheBooks();
    for (const bool invoice : {false, true}) {
        SCOPED_TRACE(invoice ? "invoice" : "movement");
        openInMode("1", kSale);
        leaveMarker();
        setLine(QStringLiteral("ST000001"), 1, 10, 10);
        const QString before = footprint();
        dialogs.messages.clear();

        review(invoice ? form->FatCmd : form->Command4);
        confirm();

        EXPECT_EQ(dialogs.messages,
            QStringList {QStringLiteral("Son belge kaydedilmişti; satırları çalışma listesinden temizlendi.")});
        EXPECT_EQ(footprint(), before);
        EXPECT_EQ(captured(), QStringLiteral("0.0|0.0"));
        EXPECT_FALSE(QFile::exists(marker()));
    }
}

TEST_F(PendingPostingTest, PostingKeepsItsKeyInTheBooksAndLeavesNoMarker)
{
    openInMode("1", kSale);
    setLine(QStringLiteral("ST000001"), 1, 10, 10);

    review(form->Command4);
    confirm();
    reenterMode(kSale);
    setLine(QStringLiteral("ST000002"), 1, 10, 10);
    review(form->FatCmd);
    confirm();

    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'\n').toStdString();
    EXPECT_EQ(
        value("01", "Index", QStringLiteral("SELECT count(DISTINCT Anahtar) FROM PuslaKayit")), QStringLiteral("2"));
    EXPECT_FALSE(QFile::exists(marker()));
    EXPECT_EQ(captured(), QStringLiteral("0.0|0.0"));
    // The transaction's main file sits beside the books, where every
    // terminal that recovers them finds its super-journal.
    EXPECT_FALSE(
        QDir(tree.dataFolder()).entryList({QStringLiteral(".pusla-tx-*")}, QDir::Hidden | QDir::Files).isEmpty());
    EXPECT_TRUE(QDir(tree.paths().programFolder)
                    .entryList({QStringLiteral(".pusla-tx-*")}, QDir::Hidden | QDir::Files)
                    .isEmpty());
}

TEST_F(PendingPostingTest, ShareReachedUnderAnotherPathIsReported)
{
    QFile record(dataFile(QStringLiteral(".pusla-path")));
    ASSERT_TRUE(record.open(QIODevice::WriteOnly));
    record.write("/mnt/elsewhere/MuhasebeData\n");
    record.close();

    openInMode("1", kSale);

    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.messages.first().contains(QStringLiteral("/mnt/elsewhere/MuhasebeData")));
}

TEST_F(PendingPostingTest, FirstTerminalRecordsItsPathAndAnAliasOfItIsAgreed)
{
    openInMode("1", kSale);
    EXPECT_EQ(QString::fromUtf8(contents(dataFile(QStringLiteral(".pusla-path")))).trimmed(),
        QFileInfo(tree.dataFolder()).absoluteFilePath());
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // Another terminal's mount that leads to the same folder is the same path for SQLite.
    const QString alias = tree.root() + QStringLiteral("/alias");
    ASSERT_TRUE(QFile::link(tree.dataFolder(), alias));
    QFile record(dataFile(QStringLiteral(".pusla-path")));
    ASSERT_TRUE(record.open(QIODevice::WriteOnly));
    record.write(alias.toUtf8());
    record.close();
    form->close();
    openInMode("1", kSale);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'\n').toStdString();
}
