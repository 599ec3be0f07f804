#include "platform/QtSettingsStore.h"

#include "settings/ProjectSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillan;
using quillan::platform::QtSettingsStore;

namespace {

// Points the store at a temporary folder, never the user's own settings. QSettings shares
// parsed files between instances, so reading "from disk" means moving the file to a fresh
// folder that has not been seen yet.
class QtSettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QStandardPaths::setTestModeEnabled(true);
        ASSERT_TRUE(m_dir.isValid());
        usePath(m_dir.path() + "/first");
    }

    void usePath(const QString& path)
    {
        QSettings::setPath(QtSettingsStore::format(), QSettings::UserScope, path);
    }

    static QString storeFile() { return QtSettingsStore::openProfile()->fileName(); }

    static QByteArray fileContents()
    {
        QFile file(storeFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void writeStoreFile(const QString& folder, const QByteArray& contents)
    {
        usePath(m_dir.path() + "/" + folder);
        const QString name = storeFile();
        QDir().mkpath(QFileInfo(name).path());
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    // The current store's file, read afresh from a new folder.
    void reload(const QString& folder)
    {
        const QByteArray contents = fileContents();
        writeStoreFile(folder, contents);
    }

    QTemporaryDir m_dir;
};

TEST_F(QtSettingsStoreTest, TextsAndNumbersKeepTheirTypesOnDisk)
{
    {
        QtSettingsStore store;
        ASSERT_TRUE(store.open().ok());
        EXPECT_TRUE(store.writeText("configPort", "COM1").ok());
        EXPECT_TRUE(store.writeText("wizardDefaultLoc", "").ok());
        EXPECT_TRUE(store.writeText("looksLikeNumber", "57600").ok());
        EXPECT_TRUE(store
                        .writeText("folder", "C:\\Donn\xE9"
                                             "es\\\x80 \"q\"\r\n")
                        .ok());
        EXPECT_TRUE(store.writeNumber("configBaudRate", 57600).ok());
        EXPECT_TRUE(store.writeNumber("negative", -2).ok());
        store.close();
    }
    EXPECT_TRUE(fileContents().contains("\"configBaudRate\"=dword:0000e100"));
    reload("second");

    QtSettingsStore store;
    ASSERT_TRUE(store.open().ok());
    EXPECT_EQ(store.readText("configPort"), "COM1");
    EXPECT_EQ(store.readText("wizardDefaultLoc"), "");
    EXPECT_EQ(store.readText("folder"), "C:\\Donn\xE9"
                                        "es\\\x80 \"q\"\r\n");
    EXPECT_EQ(store.readNumber("configBaudRate"), 57600);
    EXPECT_EQ(store.readNumber("negative"), -2);
    // The other type reads as absent, though the value is there.
    EXPECT_EQ(store.readNumber("looksLikeNumber"), std::nullopt);
    EXPECT_EQ(store.readText("configBaudRate"), std::nullopt);
    EXPECT_TRUE(store.contains("looksLikeNumber"));
    EXPECT_FALSE(store.contains("missing"));
    EXPECT_EQ(store.readText("missing"), std::nullopt);
}

TEST_F(QtSettingsStoreTest, SettingsLoadedOnTheNextStartAreTheOnesWritten)
{
    {
        QtSettingsStore store;
        ProjectSettings first(store);
        first.setConfigLogFile("/var/log/quillan.log");
        first.setPasteOptions(2);
        first.setDumpEnabled(true);
    }
    reload("second");

    QtSettingsStore store;
    ProjectSettings next(store);
    EXPECT_EQ(next.configPort(), "COM1");
    EXPECT_EQ(next.configLogFile(), "/var/log/quillan.log");
    EXPECT_EQ(next.configBaudRate(), 57600);
    EXPECT_EQ(next.configDataBits(), 8);
    EXPECT_EQ(next.pasteOptions(), 2);
    EXPECT_TRUE(next.isDumpEnabled());
    EXPECT_FALSE(store.isOpen());
}

TEST_F(QtSettingsStoreTest, ToolkitStateRoundTripsAndRestoreDefaultViewRemovesIt)
{
    QtSettingsStore store;
    ProjectSettings settings(store);
    {
        auto profile = QtSettingsStore::openProfile();
        profile->setValue("Frame/Geometry", QByteArray("\x01\x00\xFF", 3));
        profile->setValue("Frame/Maximised", true);
        profile->setValue("Recent File List/Files", QStringList{"a.zavproj", "b,c.zavproj"});
    }
    reload("second");
    {
        auto profile = QtSettingsStore::openProfile();
        EXPECT_EQ(profile->value("Frame/Geometry").toByteArray(), QByteArray("\x01\x00\xFF", 3));
        EXPECT_EQ(profile->value("Frame/Maximised").typeId(), QMetaType::Bool);
        EXPECT_EQ(profile->value("Recent File List/Files").toStringList(),
                  (QStringList{"a.zavproj", "b,c.zavproj"}));
    }

    settings.restoreDefaultView();
    reload("third");

    EXPECT_TRUE(settings.restoreDefaultViewRequested());
    EXPECT_TRUE(QtSettingsStore::openProfile()->allKeys().isEmpty());
    ASSERT_TRUE(store.open().ok());
    EXPECT_EQ(store.readText("configPort"), "COM1");
    EXPECT_EQ(store.readNumber("configBaudRate"), 57600);
    store.close();
}

TEST_F(QtSettingsStoreTest, ReadsAFileEditedByHand)
{
    writeStoreFile("edited", "; edited by hand\r\n"
                             "\r\n"
                             "\"configPort\"=\"COM\\x33\"\r\n"
                             "\"configParity\"=dword:ffffffff\r\n"
                             "\"Quillan/Frame/State\"=hex:00ff\r\n");
    QtSettingsStore store;
    ASSERT_TRUE(store.open().ok());
    EXPECT_EQ(store.readText("configPort"), "COM3");
    EXPECT_EQ(store.readNumber("configParity"), -1);
    EXPECT_TRUE(store.contains("Quillan/Frame/State"));
}

class DamagedStoreFile : public QtSettingsStoreTest,
                         public ::testing::WithParamInterface<const char*> {};

TEST_P(DamagedStoreFile, IsReportedAndLeftAlone)
{
    const QByteArray damaged = GetParam();
    writeStoreFile("damaged", damaged);

    QtSettingsStore store;
    const SettingsResult opened = store.open();
    EXPECT_EQ(opened.code, SettingsStatus::damaged);
    EXPECT_NE(opened.message.find("cannot be read"), std::string::npos);
    EXPECT_FALSE(store.isOpen());

    ProjectSettings settings(store); // loads nothing and writes nothing: the defaults stand
    EXPECT_EQ(settings.loadResult().code, SettingsStatus::damaged);
    EXPECT_EQ(settings.configPort(), "COM1");
    EXPECT_EQ(settings.configLogFile(), "Debug.log");
    EXPECT_EQ(settings.configBaudRate(), 57600);
    EXPECT_EQ(fileContents(), damaged);
}

INSTANTIATE_TEST_SUITE_P(QtSettingsStore, DamagedStoreFile,
                         ::testing::Values("\"configPort\"=COM1\n",
                                           "\"configBaudRate\"=dword:e100\n",
                                           "\"configPort\"=\"COM1\n", "\"x\"=\"bad \\q escape\"\n",
                                           "\"x\"=hex:0g\n", "\"x\"=variant:00\n",
                                           "configPort=\"COM1\"\n"));

TEST_F(QtSettingsStoreTest, StoreThatCannotBeCreatedRefusesToOpen)
{
    QFile plain(m_dir.path() + "/plain");
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    usePath(m_dir.path() + "/plain/below");

    QtSettingsStore store;
    EXPECT_EQ(store.open().code, SettingsStatus::cannotOpen);
    EXPECT_FALSE(store.isOpen());
    EXPECT_EQ(store.writeNumber("x", 1).code, SettingsStatus::notOpen);
    EXPECT_EQ(store.readText("x"), std::nullopt);
}

} // namespace
