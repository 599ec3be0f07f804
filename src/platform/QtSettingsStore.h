#pragma once

#include "settings/SettingsStore.h"

#include <QSettings>
#include <memory>

namespace quillan::platform {

// The settings store of the running program, on QSettings: the registry key
// HKEY_CURRENT_USER\Software\Norvane Systems\Quillan 1.0 Platform on Windows, a per-user
// file elsewhere. Numbers are stored as int and texts as QString, and a read checks the
// type, so the two stay distinct.
class QtSettingsStore final : public SettingsStore {
public:
    static constexpr char kOrganisation[] = "Norvane Systems";
    static constexpr char kApplication[] = "Quillan 1.0 Platform";

    // The registry on Windows. Elsewhere Qt's native format is an INI file that reads every
    // value back as a string, so a file format of our own keeps the types instead; it lives
    // where Qt keeps per-user settings and takes any QVariant, like the native one.
    [[nodiscard]] static QSettings::Format format();
    // A QSettings on the same store, inside the application profile group, for the window
    // toolkit's own state. Anything that shares the profile must come through here.
    [[nodiscard]] static std::unique_ptr<QSettings> openProfile();

    QtSettingsStore() = default;
    ~QtSettingsStore() override;

    [[nodiscard]] SettingsResult open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override { return m_settings != nullptr; }

    [[nodiscard]] bool contains(std::string_view name) const override;
    [[nodiscard]] std::optional<std::string> readText(std::string_view name) const override;
    [[nodiscard]] std::optional<std::int32_t> readNumber(std::string_view name) const override;
    [[nodiscard]] SettingsResult writeText(std::string_view name, std::string_view value) override;
    [[nodiscard]] SettingsResult writeNumber(std::string_view name, std::int32_t value) override;
    [[nodiscard]] SettingsResult removeSubkey(std::string_view name) override;

private:
    [[nodiscard]] SettingsResult commit();

    std::unique_ptr<QSettings> m_settings; // only between open() and close()
};

} // namespace quillan::platform
