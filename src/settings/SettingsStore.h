#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillan {

enum class SettingsStatus : int {
    ok = 0,
    cannotOpen,  // the settings key could not be opened or created
    notOpen,     // a read or write outside open()/close()
    writeFailed, // the store refused or lost a write
    damaged,     // the stored data cannot be read; left untouched
};

struct SettingsResult {
    SettingsStatus code = SettingsStatus::ok;
    std::string message;

    [[nodiscard]] bool ok() const { return code == SettingsStatus::ok; }
    [[nodiscard]] static SettingsResult success() { return {}; }
};

// The per-user store of named text and 32-bit values under the settings key
// "Norvane Systems\Quillan 1.0 Platform". Names may hold '/'-separated subkeys; the
// application profile, where the window toolkit keeps its own state, is the subkey
// kProfileSubkey. A text and a number are distinct types: reading a value as the other type
// answers "absent", as does reading outside open()/close(). Texts are Windows-1252.
class SettingsStore {
public:
    static constexpr std::string_view kKeyPath = "Norvane Systems\\Quillan 1.0 Platform";
    static constexpr std::string_view kProfileSubkey = "Quillan";

    virtual ~SettingsStore() = default;

    // Opens the settings key, creating it when missing, for the length of one operation.
    [[nodiscard]] virtual SettingsResult open() = 0;
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;

    // Whether a value of either type exists under the name.
    [[nodiscard]] virtual bool contains(std::string_view name) const = 0;
    [[nodiscard]] virtual std::optional<std::string> readText(std::string_view name) const = 0;
    [[nodiscard]] virtual std::optional<std::int32_t> readNumber(std::string_view name) const = 0;

    // A write replaces a value of either type.
    [[nodiscard]] virtual SettingsResult writeText(std::string_view name,
                                                   std::string_view value) = 0;
    [[nodiscard]] virtual SettingsResult writeNumber(std::string_view name, std::int32_t value) = 0;
    // Deletes the subkey with all its values and subkeys; a missing subkey is no error.
    [[nodiscard]] virtual SettingsResult removeSubkey(std::string_view name) = 0;
};

} // namespace quillan
