#include "settings/MemorySettingsStore.h"

namespace quillan {

SettingsResult MemorySettingsStore::open()
{
    if (m_refuseOpen) {
        return {SettingsStatus::cannotOpen, "Access is denied."};
    }
    m_open = true;
    return SettingsResult::success();
}

void MemorySettingsStore::close()
{
    m_open = false;
}

bool MemorySettingsStore::contains(std::string_view name) const
{
    return m_open && m_values.find(name) != m_values.end();
}

std::optional<std::string> MemorySettingsStore::readText(std::string_view name) const
{
    if (!m_open) {
        return std::nullopt;
    }
    const auto it = m_values.find(name);
    if (it == m_values.end() || !std::holds_alternative<std::string>(it->second)) {
        return std::nullopt;
    }
    return std::get<std::string>(it->second);
}

std::optional<std::int32_t> MemorySettingsStore::readNumber(std::string_view name) const
{
    if (!m_open) {
        return std::nullopt;
    }
    const auto it = m_values.find(name);
    if (it == m_values.end() || !std::holds_alternative<std::int32_t>(it->second)) {
        return std::nullopt;
    }
    return std::get<std::int32_t>(it->second);
}

SettingsResult MemorySettingsStore::writeText(std::string_view name, std::string_view value)
{
    return store(name, std::string(value));
}

SettingsResult MemorySettingsStore::writeNumber(std::string_view name, std::int32_t value)
{
    return store(name, value);
}

SettingsResult MemorySettingsStore::store(std::string_view name, Value value)
{
    ++m_writeAttempts;
    if (!m_open) {
        return {SettingsStatus::notOpen, "The settings key is not open."};
    }
    if (m_failWrites) {
        return {SettingsStatus::writeFailed, "The write was refused."};
    }
    m_values.insert_or_assign(std::string(name), std::move(value));
    return SettingsResult::success();
}

SettingsResult MemorySettingsStore::removeSubkey(std::string_view name)
{
    ++m_writeAttempts;
    if (!m_open) {
        return {SettingsStatus::notOpen, "The settings key is not open."};
    }
    if (m_failWrites) {
        return {SettingsStatus::writeFailed, "The deletion was refused."};
    }
    const std::string prefix = std::string(name) + '/';
    for (auto it = m_values.lower_bound(prefix);
         it != m_values.end() && it->first.compare(0, prefix.size(), prefix) == 0;) {
        it = m_values.erase(it);
    }
    return SettingsResult::success();
}

void MemorySettingsStore::put(std::string_view name, Value value)
{
    m_values.insert_or_assign(std::string(name), std::move(value));
}

void MemorySettingsStore::erase(std::string_view name)
{
    const auto it = m_values.find(name);
    if (it != m_values.end()) {
        m_values.erase(it);
    }
}

} // namespace quillan
