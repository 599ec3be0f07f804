#include "settings/ProjectSettings.h"

namespace quillan {

namespace {

bool fitsBuffer(const std::string& text)
{
    return text.size() < ProjectSettings::kTextBufferSize;
}

} // namespace

ProjectSettings::ProjectSettings(SettingsStore& store)
    : m_store(store), m_keyPath(SettingsStore::kKeyPath)
{
    load();
}

void ProjectSettings::load()
{
    m_loadResult = openKeys();
    if (!m_loadResult.ok()) {
        // The defaults in memory, written nowhere: an unreadable store would otherwise leave
        // the log without a path and the debug line at 0 baud.
        resetDefaults();
        return;
    }
    if (auto port = readText(kConfigPort)) {
        m_configPort = std::move(*port);
        readText(kConfigLogFile, m_configLogFile);
        readNumber(kConfigBaudRate, m_configBaudRate);
        readNumber(kConfigDataBits, m_configDataBits);
        readNumber(kConfigParity, m_configParity);
        readNumber(kConfigStopBits, m_configStopBits);
    } else {
        writeDefaults();
    }
    if (auto folder = readText(kWizardDefaultLoc)) {
        m_wizardDefaultLoc = std::move(*folder);
    } else {
        m_wizardDefaultLoc.clear();
        writeText(kWizardDefaultLoc, m_wizardDefaultLoc);
    }
    // Remembered dialog choices come back at start-up so the user finds the last one again.
    // A value out of range (edited by hand) is ignored rather than handed to a dialog.
    readChoice(kMbWriteImportSettings, m_mbWriteImportSettings, 1);
    readChoice(kPasteOptions, m_pasteOptions, 3);
    readChoice(kDefaultConfigPortMode, m_defaultConfigPortMode, 1);
    readText(kPortOverride, m_portOverride);
    closeKeys();
}

SettingsResult ProjectSettings::openKeys()
{
    return m_store.open();
}

void ProjectSettings::closeKeys()
{
    if (m_store.isOpen()) {
        m_store.close();
    }
}

void ProjectSettings::resetDefaults()
{
    m_configPort = kDefaultConfigPort;
    m_configLogFile = kDefaultConfigLogFile;
    m_configParity = 0;
    m_configStopBits = 0;
    m_mbWriteImportSettings = 0;
    m_configBaudRate = kDefaultBaudRate;
    m_configDataBits = kDefaultDataBits;
}

void ProjectSettings::writeDefaults()
{
    resetDefaults();
    if (!m_store.writeText(kConfigPort, m_configPort).ok()) {
        return;
    }
    writeText(kConfigLogFile, m_configLogFile);
    writeNumber(kConfigBaudRate, m_configBaudRate);
    writeNumber(kConfigDataBits, m_configDataBits);
    writeNumber(kConfigParity, m_configParity);
    writeNumber(kConfigStopBits, m_configStopBits);
    writeNumber(kMbWriteImportSettings, m_mbWriteImportSettings);
}

void ProjectSettings::ensureInitialised()
{
    if (auto port = readText(kConfigPort)) {
        m_configPort = std::move(*port);
    } else {
        writeDefaults();
    }
}

void ProjectSettings::setInitialisedText(std::string_view name, std::string& field,
                                         const std::string& value)
{
    // A text that would not read back would make the next start lose it (or, for
    // "configPort", re-initialise everything), so it is refused like an empty one.
    if (value.empty() || !fitsBuffer(value)) {
        return;
    }
    if (!openKeys().ok()) {
        return;
    }
    ensureInitialised();
    field = value;
    writeText(name, field);
    closeKeys();
}

void ProjectSettings::setConfigPort(const std::string& port)
{
    setInitialisedText(kConfigPort, m_configPort, port);
}

void ProjectSettings::setConfigLogFile(const std::string& path)
{
    setInitialisedText(kConfigLogFile, m_configLogFile, path);
}

void ProjectSettings::setWizardDefaultLoc(const std::string& folder)
{
    if (folder.empty() || !fitsBuffer(folder)) {
        return;
    }
    if (!openKeys().ok()) {
        return;
    }
    if (auto stored = readText(kWizardDefaultLoc)) {
        m_wizardDefaultLoc = std::move(*stored);
    } else {
        m_wizardDefaultLoc.clear();
        writeText(kWizardDefaultLoc, m_wizardDefaultLoc);
    }
    m_wizardDefaultLoc = folder;
    writeText(kWizardDefaultLoc, m_wizardDefaultLoc);
    closeKeys();
}

void ProjectSettings::setPortOverride(const std::string& port)
{
    if (!fitsBuffer(port)) {
        return;
    }
    if (!openKeys().ok()) {
        return;
    }
    m_portOverride = port;
    writeText(kPortOverride, m_portOverride);
    closeKeys();
}

void ProjectSettings::setMbWriteImportSettings(std::int32_t value)
{
    if (!openKeys().ok()) {
        return;
    }
    ensureInitialised();
    m_mbWriteImportSettings = value;
    writeNumber(kMbWriteImportSettings, value);
    closeKeys();
}

void ProjectSettings::setPasteOptions(std::int32_t value)
{
    if (!openKeys().ok()) {
        return;
    }
    m_pasteOptions = value;
    writeNumber(kPasteOptions, value);
    closeKeys();
}

void ProjectSettings::setDefaultConfigPortMode(std::int32_t value)
{
    if (!openKeys().ok()) {
        return;
    }
    m_defaultConfigPortMode = value;
    writeNumber(kDefaultConfigPortMode, value);
    closeKeys();
}

void ProjectSettings::ensureDumpValue()
{
    if (!m_store.readNumber(kZavDump)) {
        writeNumber(kZavDump, 0);
    }
}

bool ProjectSettings::isDumpEnabled()
{
    if (!openKeys().ok()) {
        return false;
    }
    ensureDumpValue();
    const auto value = m_store.readNumber(kZavDump);
    closeKeys();
    return value && *value != 0;
}

void ProjectSettings::setDumpEnabled(bool on)
{
    if (!openKeys().ok()) {
        return;
    }
    ensureDumpValue();
    writeNumber(kZavDump, on ? 1 : 0);
    closeKeys();
}

void ProjectSettings::restoreDefaultView()
{
    if (!openKeys().ok()) {
        return;
    }
    m_restoreDefaultView = true;
    // A failed deletion is not reported either: the flag still keeps this run's state from
    // being saved, so at worst the old layout comes back.
    static_cast<void>(m_store.removeSubkey(SettingsStore::kProfileSubkey));
    closeKeys();
}

std::optional<std::string> ProjectSettings::readText(std::string_view name) const
{
    auto text = m_store.readText(name);
    if (text && !fitsBuffer(*text)) {
        return std::nullopt;
    }
    return text;
}

void ProjectSettings::readText(std::string_view name, std::string& field) const
{
    if (auto text = readText(name)) {
        field = std::move(*text);
    }
}

void ProjectSettings::readNumber(std::string_view name, std::int32_t& field) const
{
    if (const auto value = m_store.readNumber(name)) {
        field = *value;
    }
}

void ProjectSettings::readChoice(std::string_view name, std::int32_t& field,
                                 std::int32_t highest) const
{
    if (const auto value = m_store.readNumber(name); value && *value >= 0 && *value <= highest) {
        field = *value;
    }
}

// A failed write is not reported: the value in memory stays as set.
void ProjectSettings::writeText(std::string_view name, const std::string& value)
{
    static_cast<void>(m_store.writeText(name, value));
}

void ProjectSettings::writeNumber(std::string_view name, std::int32_t value)
{
    static_cast<void>(m_store.writeNumber(name, value));
}

} // namespace quillan
