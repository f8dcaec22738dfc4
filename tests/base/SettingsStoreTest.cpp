#include "base/SettingsStore.h"
#include "support/TempTree.h"

#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

using namespace pusla;

namespace {

const QString kKeyPath = QStringLiteral("LoginEx\\Properties1");

class SettingsStoreTest : public ::testing::Test
{
protected:
    test::TempTree tree;
    SettingsStore store{tree.paths().configFolder};

    QString read(const QString &name) const
    {
        return store.regReadString(SettingsStore::HKEY_CURRENT_USER, kKeyPath, name);
    }

    // Lays a value down the way an outside edit would, with its own type.
    void writeRaw(const QString &name, const QVariant &value)
    {
        QSettings raw(store.registryFile(), QSettings::IniFormat);
        raw.setValue(QStringLiteral("HKEY_CURRENT_USER/LoginEx/Properties1/") + name, value);
    }
};

} // namespace

TEST_F(SettingsStoreTest, FreshUserReadsDefaults)
{
    EXPECT_EQ(store.getSetting(QStringLiteral("pusla"), QStringLiteral("Pusla"), QStringLiteral("ip"),
                               QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\01")),
              QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\01"));
    EXPECT_TRUE(read(QStringLiteral("TerTop")).isEmpty());
    EXPECT_FALSE(QFile::exists(store.registryFile())) << "reading creates nothing";
}

TEST_F(SettingsStoreTest, ApplicationSettingsRoundTripPerApplication)
{
    const QString address = QStringLiteral("\\\\192.168.1.20\\MuhasebeData\\02");
    store.saveSetting(QStringLiteral("pusla"), QStringLiteral("Pusla"), QStringLiteral("ip"), address);
    EXPECT_EQ(store.getSetting(QStringLiteral("pusla"), QStringLiteral("Pusla"), QStringLiteral("ip")), address);
    EXPECT_TRUE(store.getSetting(QStringLiteral("other"), QStringLiteral("Pusla"), QStringLiteral("ip")).isEmpty());
}

TEST_F(SettingsStoreTest, FirstWriteCreatesTheKeyPath)
{
    store.regWriteString(SettingsStore::HKEY_CURRENT_USER, kKeyPath, QStringLiteral("TerTop"), QStringLiteral("1500"));
    EXPECT_EQ(read(QStringLiteral("TerTop")), QStringLiteral("1500"));
    EXPECT_TRUE(store.regReadString(SettingsStore::HKEY_CURRENT_USER, QStringLiteral("LoginEx\\Other"),
                                    QStringLiteral("TerTop"))
                    .isEmpty());
}

// Texts come back as written, up to a NUL.
TEST_F(SettingsStoreTest, TextsWithSeparatorsAndTurkishLettersSurvive)
{
    const QString withNul = QStringLiteral("120") + QChar(u'\0') + QStringLiteral("999");
    for (const QString &text : {QStringLiteral("S0001, ş"), QStringLiteral("@not a variant"), QStringLiteral("a=b;c"),
                                QStringLiteral(" leading blank"), withNul}) {
        store.regWriteString(SettingsStore::HKEY_CURRENT_USER, kKeyPath, QStringLiteral("01FatNo"), text);
        EXPECT_EQ(read(QStringLiteral("01FatNo")), text.section(QChar(u'\0'), 0, 0));
    }
}

TEST_F(SettingsStoreTest, ValuesThatAreNotPlainStringsReadAsAbsent)
{
    writeRaw(QStringLiteral("TerTop"), QByteArray("\x01\x02", 2));
    writeRaw(QStringLiteral("TerLeft"), QStringList{QStringLiteral("1"), QStringLiteral("2")});
    EXPECT_TRUE(read(QStringLiteral("TerTop")).isEmpty());
    EXPECT_TRUE(read(QStringLiteral("TerLeft")).isEmpty());

    // A number value (an integer stored with its type), as an outside edit leaves it.
    QFile file(store.registryFile());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("LoginEx\\Properties1\\TerWidth=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\0\\x5)\n");
    file.close();
    const QSettings check(store.registryFile(), QSettings::IniFormat);
    ASSERT_EQ(check.value(QStringLiteral("HKEY_CURRENT_USER/LoginEx/Properties1/TerWidth")).typeId(),
              QMetaType::Int);
    EXPECT_TRUE(read(QStringLiteral("TerWidth")).isEmpty());
}

TEST_F(SettingsStoreTest, UnknownRootOrBadValueNameIsIgnored)
{
    store.regWriteString(0x12345678, kKeyPath, QStringLiteral("TerTop"), QStringLiteral("1"));
    store.regWriteString(SettingsStore::HKEY_CURRENT_USER, kKeyPath, QStringLiteral("a/b"), QStringLiteral("1"));
    EXPECT_TRUE(store.regReadString(0x12345678, kKeyPath, QStringLiteral("TerTop")).isEmpty());
    EXPECT_TRUE(read(QStringLiteral("TerTop")).isEmpty());
}
