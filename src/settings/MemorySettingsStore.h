#pragma once

#include "settings/SettingsStore.h"

#include <map>
#include <variant>

namespace quillan {

// A settings store held in memory, for tests and for runs that must leave the user's
// settings alone. The switches simulate a store that cannot be opened or that loses writes.
class MemorySettingsStore final : public SettingsStore {
public:
    using Value = std::variant<std::string, std::int32_t>;
    using Values = std::map<std::string, Value, std::less<>>;

    [[nodiscard]] SettingsResult open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override { return m_open; }

    [[nodiscard]] bool contains(std::string_view name) const override;
    [[nodiscard]] std::optional<std::string> readText(std::string_view name) const override;
    [[nodiscard]] std::optional<std::int32_t> readNumber(std::string_view name) const override;
    [[nodiscard]] SettingsResult writeText(std::string_view name, std::string_view value) override;
    [[nodiscard]] SettingsResult writeNumber(std::string_view name, std::int32_t value) override;
    [[nodiscard]] SettingsResult removeSubkey(std::string_view name) override;

    void setRefuseOpen(bool refuse) { m_refuseOpen = refuse; }
    void setFailWrites(bool fail) { m_failWrites = fail; }

    // Direct access that bypasses open() and the fault switches, to arrange and inspect.
    [[nodiscard]] const Values& values() const { return m_values; }
    void put(std::string_view name, Value value);
    void erase(std::string_view name);
    // Writes and deletions attempted through the interface, failed ones included.
    [[nodiscard]] int writeAttempts() const { return m_writeAttempts; }

private:
    [[nodiscard]] SettingsResult store(std::string_view name, Value value);

    Values m_values;
    bool m_open = false;
    bool m_refuseOpen = false;
    bool m_failWrites = false;
    int m_writeAttempts = 0;
};

} // namespace quillan
