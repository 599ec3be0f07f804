#pragma once

#include "settings/SettingsStore.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillan {

// The per-user settings of the program. Built once at start-up, when it loads the stored
// values; every change is written to the store at once and nothing is written at exit. Each
// operation opens the store's keys itself and closes them before it returns, except
// openKeys, closeKeys and writeDefaults. A failed store is not reported to the user.
class ProjectSettings {
public:
    static constexpr std::string_view kConfigPort = "configPort";
    static constexpr std::string_view kConfigLogFile = "configLogFile";
    static constexpr std::string_view kConfigBaudRate = "configBaudRate";
    static constexpr std::string_view kConfigDataBits = "configDataBits";
    static constexpr std::string_view kConfigParity = "configParity";
    static constexpr std::string_view kConfigStopBits = "configStopBits";
    static constexpr std::string_view kMbWriteImportSettings = "mbWriteImportSettings";
    static constexpr std::string_view kWizardDefaultLoc = "wizardDefaultLoc";
    static constexpr std::string_view kZavDump = "zavDump";
    static constexpr std::string_view kPasteOptions = "pasteOptions";
    static constexpr std::string_view kDefaultConfigPortMode = "defaultConfigPortMode";
    static constexpr std::string_view kPortOverride = "portOverride";

    static constexpr std::string_view kDefaultConfigPort = "COM1";
    static constexpr std::string_view kDefaultConfigLogFile = "Debug.log";
    static constexpr std::int32_t kDefaultBaudRate = 57600;
    static constexpr std::int32_t kDefaultDataBits = 8;

    // A text is read into a buffer of this size with its terminating zero, so a text of this
    // many characters or more cannot be read and counts as absent.
    static constexpr std::size_t kTextBufferSize = 256;

    explicit ProjectSettings(SettingsStore& store);
    virtual ~ProjectSettings() = default;
    ProjectSettings(const ProjectSettings&) = delete;
    ProjectSettings& operator=(const ProjectSettings&) = delete;

    [[nodiscard]] SettingsResult openKeys();
    void closeKeys();
    // Why the stored values could not be loaded at construction (the defaults stand); ok
    // when they were.
    [[nodiscard]] const SettingsResult& loadResult() const { return m_loadResult; }
    // Resets the default values in memory and writes them; only while the keys are open.
    void writeDefaults();

    // Empty texts, and texts too long to be read back, change nothing.
    void setConfigPort(const std::string& port);
    void setConfigLogFile(const std::string& path);
    void setWizardDefaultLoc(const std::string& folder);
    // The port the user chose by hand; it wins over gateway detection. Empty clears it.
    void setPortOverride(const std::string& port);
    void setMbWriteImportSettings(std::int32_t value);
    void setPasteOptions(std::int32_t value);
    void setDefaultConfigPortMode(std::int32_t value);

    // Asked for at each use; "zavDump" is created with 0 the first time.
    [[nodiscard]] bool isDumpEnabled();
    void setDumpEnabled(bool on);

    // Deletes the application profile, so the window toolkit starts from its default layout
    // next time, and raises the flag that tells the main window not to save its state now.
    void restoreDefaultView();

    [[nodiscard]] const std::string& keyPath() const { return m_keyPath; }
    [[nodiscard]] bool restoreDefaultViewRequested() const { return m_restoreDefaultView; }
    [[nodiscard]] const std::string& configPort() const { return m_configPort; }
    [[nodiscard]] const std::string& configLogFile() const { return m_configLogFile; }
    [[nodiscard]] std::int32_t configBaudRate() const { return m_configBaudRate; }
    [[nodiscard]] std::int32_t configDataBits() const { return m_configDataBits; }
    [[nodiscard]] std::int32_t configParity() const { return m_configParity; }
    [[nodiscard]] std::int32_t configStopBits() const { return m_configStopBits; }
    [[nodiscard]] std::int32_t pasteOptions() const { return m_pasteOptions; }
    [[nodiscard]] std::int32_t defaultConfigPortMode() const { return m_defaultConfigPortMode; }
    [[nodiscard]] std::int32_t mbWriteImportSettings() const { return m_mbWriteImportSettings; }
    [[nodiscard]] const std::string& wizardDefaultLoc() const { return m_wizardDefaultLoc; }
    [[nodiscard]] const std::string& portOverride() const { return m_portOverride; }

private:
    void load();
    void resetDefaults();
    [[nodiscard]] std::optional<std::string> readText(std::string_view name) const;
    void readText(std::string_view name, std::string& field) const;
    void readNumber(std::string_view name, std::int32_t& field) const;
    void readChoice(std::string_view name, std::int32_t& field, std::int32_t highest) const;
    void writeText(std::string_view name, const std::string& value);
    void writeNumber(std::string_view name, std::int32_t value);
    // Reads "configPort"; when it is gone, the settings are initialised again.
    void ensureInitialised();
    void setInitialisedText(std::string_view name, std::string& field, const std::string& value);
    void ensureDumpValue();

    SettingsStore& m_store;
    SettingsResult m_loadResult;
    std::string m_keyPath;
    bool m_restoreDefaultView = false;
    std::string m_configPort;
    std::string m_configLogFile;
    std::int32_t m_configBaudRate = 0;
    std::int32_t m_configDataBits = 0;
    std::int32_t m_configParity = 0;
    std::int32_t m_configStopBits = 0;
    std::int32_t m_pasteOptions = 0;
    std::int32_t m_defaultConfigPortMode = 0;
    std::int32_t m_mbWriteImportSettings = 0;
    std::string m_wizardDefaultLoc;
    std::string m_portOverride;
};

} // namespace quillan
