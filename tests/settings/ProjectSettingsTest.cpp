#include "settings/ProjectSettings.h"

#include "TestSupport.h"
#include "settings/MemorySettingsStore.h"

#include <functional>
#include <gtest/gtest.h>

using namespace quillan;
using Values = MemorySettingsStore::Values;
using PS = ProjectSettings;

namespace {

using quillan::test::PrintTo;

const Values kDefaults = {
    {"configPort", "COM1"},       {"configLogFile", "Debug.log"},
    {"configBaudRate", 57600},    {"configDataBits", 8},
    {"configParity", 0},          {"configStopBits", 0},
    {"mbWriteImportSettings", 0}, {"wizardDefaultLoc", ""},
};

// A store as a previous run of a user who changed everything would leave it.
const Values kCustomised = {
    {"configPort", "COM4"},
    {"configLogFile", "C:\\Logs\\Quillan.log"},
    {"configBaudRate", 9600},
    {"configDataBits", 7},
    {"configParity", 2},
    {"configStopBits", 2},
    {"mbWriteImportSettings", 1},
    {"wizardDefaultLoc", "C:\\Projects"},
    {"zavDump", 1},
    {"pasteOptions", 3},
    {"defaultConfigPortMode", 1},
    {"portOverride", "/dev/ttyUSB1"},
    {"Quillan/Frame/Placement", "0,1,2"},
};

class ProjectSettingsTest : public ::testing::Test {
protected:
    void seed(const Values& values)
    {
        for (const auto& [name, value] : values) {
            store.put(name, value);
        }
    }

    MemorySettingsStore store;
};

TEST_F(ProjectSettingsTest, FirstStartWritesTheDefaults)
{
    PS settings(store);

    EXPECT_EQ(store.values(), kDefaults);
    EXPECT_FALSE(store.isOpen());
    EXPECT_EQ(settings.keyPath(), "Norvane Systems\\Quillan 1.0 Platform");
    EXPECT_EQ(settings.configPort(), "COM1");
    EXPECT_EQ(settings.configLogFile(), "Debug.log");
    EXPECT_EQ(settings.configBaudRate(), 57600);
    EXPECT_EQ(settings.configDataBits(), 8);
    EXPECT_EQ(settings.configParity(), 0);
    EXPECT_EQ(settings.configStopBits(), 0);
    EXPECT_EQ(settings.wizardDefaultLoc(), "");
    EXPECT_EQ(settings.portOverride(), "");
    EXPECT_FALSE(settings.restoreDefaultViewRequested());

    // "zavDump" appears the first time it is asked for, the remembered choices when changed.
    EXPECT_FALSE(settings.isDumpEnabled());
    EXPECT_EQ(store.values().at("zavDump"), Values::mapped_type(0));
    settings.setPasteOptions(2);
    settings.setDefaultConfigPortMode(1);
    EXPECT_EQ(store.values().at("pasteOptions"), Values::mapped_type(2));
    EXPECT_EQ(store.values().at("defaultConfigPortMode"), Values::mapped_type(1));
    EXPECT_FALSE(store.isOpen());
}

TEST_F(ProjectSettingsTest, StartUpLoadsEveryStoredValueWithoutWriting)
{
    seed(kCustomised);
    PS settings(store);

    EXPECT_EQ(store.writeAttempts(), 0);
    EXPECT_EQ(store.values(), kCustomised);
    EXPECT_EQ(settings.configPort(), "COM4");
    EXPECT_EQ(settings.configLogFile(), "C:\\Logs\\Quillan.log");
    EXPECT_EQ(settings.configBaudRate(), 9600);
    EXPECT_EQ(settings.configDataBits(), 7);
    EXPECT_EQ(settings.configParity(), 2);
    EXPECT_EQ(settings.configStopBits(), 2);
    EXPECT_EQ(settings.mbWriteImportSettings(), 1);
    EXPECT_EQ(settings.wizardDefaultLoc(), "C:\\Projects");
    EXPECT_EQ(settings.pasteOptions(), 3);
    EXPECT_EQ(settings.defaultConfigPortMode(), 1);
    EXPECT_EQ(settings.portOverride(), "/dev/ttyUSB1");
    EXPECT_TRUE(settings.isDumpEnabled());
}

// A value that is missing, of the other type or too long is left alone: its field keeps its
// start value and nothing is written, as long as "configPort" reads.
struct MissingValueCase {
    const char* label;
    std::function<void(MemorySettingsStore&)> damage;
    std::function<bool(const PS&)> fieldIsAtStart;
};

class MissingValue : public ProjectSettingsTest,
                     public ::testing::WithParamInterface<MissingValueCase> {};

TEST_P(MissingValue, LeavesItsFieldAtTheStartValueAndWritesNothing)
{
    seed(kCustomised);
    GetParam().damage(store);
    const Values before = store.values();

    PS settings(store);

    EXPECT_TRUE(GetParam().fieldIsAtStart(settings));
    EXPECT_EQ(store.writeAttempts(), 0);
    EXPECT_EQ(store.values(), before);
    EXPECT_EQ(settings.configPort(), "COM4");
}

const std::string k256(256, 'x');

INSTANTIATE_TEST_SUITE_P(
    ProjectSettings, MissingValue,
    ::testing::Values(
        MissingValueCase{"BaudRateAbsent", [](auto& s) { s.erase("configBaudRate"); },
                         [](const PS& p) { return p.configBaudRate() == 0; }},
        MissingValueCase{"BaudRateAsText", [](auto& s) { s.put("configBaudRate", "57600"); },
                         [](const PS& p) { return p.configBaudRate() == 0; }},
        MissingValueCase{"StopBitsAbsent", [](auto& s) { s.erase("configStopBits"); },
                         [](const PS& p) { return p.configStopBits() == 0; }},
        MissingValueCase{"LogFileAbsent", [](auto& s) { s.erase("configLogFile"); },
                         [](const PS& p) { return p.configLogFile().empty(); }},
        MissingValueCase{"LogFileAsNumber", [](auto& s) { s.put("configLogFile", 5); },
                         [](const PS& p) { return p.configLogFile().empty(); }},
        MissingValueCase{"LogFileTooLong", [](auto& s) { s.put("configLogFile", k256); },
                         [](const PS& p) { return p.configLogFile().empty(); }},
        MissingValueCase{"PasteOptionsOutOfRange", [](auto& s) { s.put("pasteOptions", 4); },
                         [](const PS& p) { return p.pasteOptions() == 0; }},
        MissingValueCase{"PortModeNegative", [](auto& s) { s.put("defaultConfigPortMode", -1); },
                         [](const PS& p) { return p.defaultConfigPortMode() == 0; }},
        MissingValueCase{"WriteImportTypeOutOfRange",
                         [](auto& s) { s.put("mbWriteImportSettings", 2); },
                         [](const PS& p) { return p.mbWriteImportSettings() == 0; }},
        MissingValueCase{"PortOverrideAbsent", [](auto& s) { s.erase("portOverride"); },
                         [](const PS& p) { return p.portOverride().empty(); }}),
    test::CaseLabel());

// "configPort" marks the settings as initialised: when it cannot be read, every default is
// written again over what was there. 255 characters still fit the read buffer.
struct ConfigPortCase {
    const char* label;
    MemorySettingsStore::Value stored;
    bool readable;
};

class StoredConfigPort : public ProjectSettingsTest,
                         public ::testing::WithParamInterface<ConfigPortCase> {};

TEST_P(StoredConfigPort, DecidesWhetherTheDefaultsAreWrittenAgain)
{
    seed(kCustomised);
    store.put("configPort", GetParam().stored);

    PS settings(store);

    if (GetParam().readable) {
        EXPECT_EQ(store.writeAttempts(), 0);
        EXPECT_EQ(settings.configPort(), std::get<std::string>(GetParam().stored));
        EXPECT_EQ(settings.configBaudRate(), 9600);
        return;
    }
    Values expected = kCustomised;
    for (const auto& [name, value] : kDefaults) {
        expected.insert_or_assign(name, value);
    }
    expected["wizardDefaultLoc"] = "C:\\Projects";
    EXPECT_EQ(store.values(), expected);
    EXPECT_EQ(settings.configPort(), "COM1");
    EXPECT_EQ(settings.configLogFile(), "Debug.log");
    EXPECT_EQ(settings.configBaudRate(), 57600);
    EXPECT_EQ(settings.configDataBits(), 8);
    EXPECT_EQ(settings.configParity(), 0);
    EXPECT_EQ(settings.mbWriteImportSettings(), 0);
}

INSTANTIATE_TEST_SUITE_P(ProjectSettings, StoredConfigPort,
                         ::testing::Values(ConfigPortCase{"Chars255", std::string(255, 'P'), true},
                                           ConfigPortCase{"Chars256", std::string(256, 'P'), false},
                                           ConfigPortCase{"Chars300", std::string(300, 'P'), false},
                                           ConfigPortCase{"Number", 1, false}),
                         test::CaseLabel());

TEST_F(ProjectSettingsTest, AbsentWizardFolderIsWrittenAsEmptyTextAlone)
{
    seed(kCustomised);
    store.erase("wizardDefaultLoc");

    PS settings(store);

    EXPECT_EQ(settings.wizardDefaultLoc(), "");
    EXPECT_EQ(store.writeAttempts(), 1);
    EXPECT_EQ(store.values().at("wizardDefaultLoc"), Values::mapped_type(""));
}

// Setters after "configPort" was deleted while the program runs.
struct SetterCase {
    const char* label;
    std::function<void(PS&)> set;
    const char* name;
    MemorySettingsStore::Value value;
    bool reinitialises;
};

class SetterAfterConfigPortDeleted : public ProjectSettingsTest,
                                     public ::testing::WithParamInterface<SetterCase> {};

TEST_P(SetterAfterConfigPortDeleted, RewritesTheDefaultsOnlyWhereTheRuleSaysSo)
{
    seed(kCustomised);
    PS settings(store);
    store.erase("configPort");

    GetParam().set(settings);

    EXPECT_FALSE(store.isOpen());
    EXPECT_EQ(store.values().at(GetParam().name), GetParam().value);
    if (GetParam().reinitialises) {
        Values expected = kCustomised;
        for (const auto& [name, value] : kDefaults) {
            expected.insert_or_assign(name, value);
        }
        expected["wizardDefaultLoc"] = "C:\\Projects";
        expected.insert_or_assign(GetParam().name, GetParam().value);
        EXPECT_EQ(store.values(), expected);
        EXPECT_EQ(settings.configBaudRate(), 57600);
        EXPECT_EQ(settings.configParity(), 0);
    } else {
        EXPECT_FALSE(store.values().contains("configPort"));
        EXPECT_EQ(settings.configBaudRate(), 9600);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ProjectSettings, SetterAfterConfigPortDeleted,
    ::testing::Values(
        SetterCase{"ConfigPort", [](PS& p) { p.setConfigPort("COM9"); }, "configPort", "COM9",
                   true},
        SetterCase{"ConfigLogFile", [](PS& p) { p.setConfigLogFile("new.log"); }, "configLogFile",
                   "new.log", true},
        SetterCase{"MbWriteImportSettings", [](PS& p) { p.setMbWriteImportSettings(1); },
                   "mbWriteImportSettings", 1, true},
        SetterCase{"WizardDefaultLoc", [](PS& p) { p.setWizardDefaultLoc("D:\\New"); },
                   "wizardDefaultLoc", "D:\\New", false},
        SetterCase{"PasteOptions", [](PS& p) { p.setPasteOptions(1); }, "pasteOptions", 1, false},
        SetterCase{"DefaultConfigPortMode", [](PS& p) { p.setDefaultConfigPortMode(0); },
                   "defaultConfigPortMode", 0, false},
        SetterCase{"PortOverride", [](PS& p) { p.setPortOverride("COM2"); }, "portOverride", "COM2",
                   false},
        SetterCase{"DumpEnabled", [](PS& p) { p.setDumpEnabled(false); }, "zavDump", 0, false}),
    test::CaseLabel());

TEST_F(ProjectSettingsTest, SettersKeepTheNewValueInMemory)
{
    seed(kCustomised);
    PS settings(store);

    settings.setConfigPort("COM7");
    settings.setConfigLogFile("other.log");
    settings.setWizardDefaultLoc("E:\\Work");
    settings.setMbWriteImportSettings(0);

    EXPECT_EQ(settings.configPort(), "COM7");
    EXPECT_EQ(settings.configLogFile(), "other.log");
    EXPECT_EQ(settings.wizardDefaultLoc(), "E:\\Work");
    EXPECT_EQ(settings.mbWriteImportSettings(), 0);
    EXPECT_EQ(settings.configBaudRate(), 9600); // no re-initialisation while "configPort" reads
    EXPECT_EQ(store.values().at("configLogFile"), Values::mapped_type("other.log"));
}

// Texts that are empty, or too long to be read back next time, change nothing.
struct IgnoredTextCase {
    const char* label;
    std::function<void(PS&)> set;
};

class IgnoredText : public ProjectSettingsTest,
                    public ::testing::WithParamInterface<IgnoredTextCase> {};

TEST_P(IgnoredText, ChangesNothing)
{
    seed(kCustomised);
    PS settings(store);
    store.erase("configPort"); // would otherwise re-initialise everything

    GetParam().set(settings);

    EXPECT_EQ(store.writeAttempts(), 0);
    EXPECT_EQ(settings.configPort(), "COM4");
    EXPECT_EQ(settings.configLogFile(), "C:\\Logs\\Quillan.log");
    EXPECT_EQ(settings.wizardDefaultLoc(), "C:\\Projects");
    EXPECT_EQ(settings.portOverride(), "/dev/ttyUSB1");
}

INSTANTIATE_TEST_SUITE_P(
    ProjectSettings, IgnoredText,
    ::testing::Values(
        IgnoredTextCase{"EmptyPort", [](PS& p) { p.setConfigPort(""); }},
        IgnoredTextCase{"EmptyLogFile", [](PS& p) { p.setConfigLogFile(""); }},
        IgnoredTextCase{"EmptyWizardFolder", [](PS& p) { p.setWizardDefaultLoc(""); }},
        IgnoredTextCase{"LongPort", [](PS& p) { p.setConfigPort(k256); }},
        IgnoredTextCase{"LongLogFile", [](PS& p) { p.setConfigLogFile(k256); }},
        IgnoredTextCase{"LongWizardFolder", [](PS& p) { p.setWizardDefaultLoc(k256); }},
        IgnoredTextCase{"LongPortOverride", [](PS& p) { p.setPortOverride(k256); }}),
    test::CaseLabel());

TEST_F(ProjectSettingsTest, EmptyPortOverrideClearsIt)
{
    seed(kCustomised);
    PS settings(store);

    settings.setPortOverride("");

    EXPECT_EQ(settings.portOverride(), "");
    EXPECT_EQ(store.values().at("portOverride"), Values::mapped_type(""));
}

// Nothing is loaded or written; the defaults stand in memory, so the log still has a path
// and the debug line a speed.
TEST_F(ProjectSettingsTest, StoreThatCannotBeOpenedLoadsAndChangesNothing)
{
    seed(kCustomised);
    store.setRefuseOpen(true);

    PS settings(store);
    EXPECT_FALSE(settings.loadResult().ok());
    EXPECT_EQ(settings.configPort(), "COM1");
    EXPECT_EQ(settings.configLogFile(), "Debug.log");
    EXPECT_EQ(settings.configBaudRate(), 57600);
    EXPECT_EQ(settings.configDataBits(), 8);
    EXPECT_EQ(settings.pasteOptions(), 0);
    EXPECT_EQ(settings.portOverride(), "");

    EXPECT_FALSE(settings.isDumpEnabled());
    settings.setDumpEnabled(false);
    settings.restoreDefaultView();
    EXPECT_FALSE(settings.restoreDefaultViewRequested());
    settings.setConfigPort("COM2");
    settings.setConfigLogFile("x.log");
    settings.setWizardDefaultLoc("F:\\");
    settings.setPortOverride("COM3");
    settings.setMbWriteImportSettings(1);
    settings.setPasteOptions(1);
    settings.setDefaultConfigPortMode(1);

    EXPECT_EQ(store.writeAttempts(), 0);
    EXPECT_EQ(store.values(), kCustomised);
    EXPECT_EQ(settings.configPort(), "COM1");
    EXPECT_EQ(settings.configLogFile(), "Debug.log");
    EXPECT_EQ(settings.wizardDefaultLoc(), "");
    EXPECT_EQ(settings.portOverride(), "");
    EXPECT_EQ(settings.mbWriteImportSettings(), 0);
    EXPECT_EQ(settings.pasteOptions(), 0);
    EXPECT_EQ(settings.defaultConfigPortMode(), 0);
}

TEST_F(ProjectSettingsTest, FailedWritesKeepTheValuesInMemory)
{
    store.setFailWrites(true);

    PS settings(store);
    // The defaults stop at the failed "configPort"; the empty folder is still attempted.
    EXPECT_EQ(store.writeAttempts(), 2);
    EXPECT_TRUE(store.values().empty());
    EXPECT_EQ(settings.configPort(), "COM1");
    EXPECT_EQ(settings.configBaudRate(), 57600);

    settings.setConfigLogFile("kept.log");
    settings.setPasteOptions(3);
    EXPECT_EQ(settings.configLogFile(), "kept.log");
    EXPECT_EQ(settings.pasteOptions(), 3);
    EXPECT_FALSE(settings.isDumpEnabled());
    EXPECT_FALSE(store.isOpen());
}

struct DumpCase {
    const char* label;
    std::optional<MemorySettingsStore::Value> stored;
    bool enabled;
    std::int32_t storedAfterwards;
};

class DumpSwitch : public ProjectSettingsTest, public ::testing::WithParamInterface<DumpCase> {};

TEST_P(DumpSwitch, IsReadAtEachAskAndCreatedWhenUnreadable)
{
    seed(kDefaults);
    PS settings(store);
    if (GetParam().stored) {
        store.put("zavDump", *GetParam().stored);
    }

    EXPECT_EQ(settings.isDumpEnabled(), GetParam().enabled);
    EXPECT_EQ(store.values().at("zavDump"), Values::mapped_type(GetParam().storedAfterwards));
    EXPECT_FALSE(store.isOpen());
}

INSTANTIATE_TEST_SUITE_P(ProjectSettings, DumpSwitch,
                         ::testing::Values(DumpCase{"Absent", std::nullopt, false, 0},
                                           DumpCase{"Zero", 0, false, 0},
                                           DumpCase{"One", 1, true, 1},
                                           DumpCase{"AnyNonZero", -7, true, -7},
                                           DumpCase{"StoredAsText", "1", false, 0}),
                         test::CaseLabel());

TEST_F(ProjectSettingsTest, DumpSwitchRoundTrips)
{
    PS settings(store);
    settings.setDumpEnabled(true);
    EXPECT_EQ(store.values().at("zavDump"), Values::mapped_type(1));
    EXPECT_TRUE(settings.isDumpEnabled());
    settings.setDumpEnabled(false);
    EXPECT_FALSE(settings.isDumpEnabled());
}

TEST_F(ProjectSettingsTest, RestoreDefaultViewDeletesOnlyTheProfile)
{
    seed(kCustomised);
    store.put("Quillan/Workspace/Pane-1/State", 4);
    store.put("Quillan/Recent File List/File1", "C:\\a.zavproj");
    store.put("QuillanTools/Keep", "neighbour with a similar name");
    PS settings(store);

    settings.restoreDefaultView();

    Values expected = kCustomised;
    expected.erase("Quillan/Frame/Placement");
    expected["QuillanTools/Keep"] = "neighbour with a similar name";
    EXPECT_EQ(store.values(), expected);
    EXPECT_TRUE(settings.restoreDefaultViewRequested());
    EXPECT_FALSE(store.isOpen());

    // The flag stays for the rest of the run, also when there is nothing left to delete.
    settings.restoreDefaultView();
    EXPECT_TRUE(settings.restoreDefaultViewRequested());
}

} // namespace
