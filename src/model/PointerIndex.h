#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace quillan {

// Pointer → index, for the objects an archive has written. One flat open-addressed table:
// a save of a large project looks up every object and every class once or twice, and a
// node-based map spends most of that time allocating, chasing and freeing nodes.
class PointerIndex {
public:
    [[nodiscard]] std::optional<uint32_t> find(const void* key) const
    {
        if (m_slots.empty()) {
            return std::nullopt;
        }
        for (size_t i = slotOf(key);; i = (i + 1) & mask()) {
            const Slot& slot = m_slots[i];
            if (slot.key == key) {
                return slot.value;
            }
            if (slot.key == nullptr) {
                return std::nullopt;
            }
        }
    }

    // The key must not be there yet, and not be null.
    void insert(const void* key, uint32_t value)
    {
        if ((m_count + 1) * 2 > m_slots.size()) {
            grow();
        }
        place(key, value);
        ++m_count;
    }

    [[nodiscard]] size_t size() const { return m_count; }

private:
    struct Slot {
        const void* key = nullptr;
        uint32_t value = 0;
    };

    [[nodiscard]] size_t mask() const { return m_slots.size() - 1; }
    [[nodiscard]] size_t slotOf(const void* key) const
    {
        // Heap addresses share their low bits; a multiplicative hash spreads the high ones.
        const uint64_t bits = reinterpret_cast<uintptr_t>(key) * 0x9E3779B97F4A7C15ull;
        return static_cast<size_t>(bits >> 32) & mask();
    }
    void place(const void* key, uint32_t value)
    {
        size_t i = slotOf(key);
        while (m_slots[i].key != nullptr) {
            i = (i + 1) & mask();
        }
        m_slots[i] = {key, value};
    }
    void grow()
    {
        std::vector<Slot> old = std::move(m_slots);
        m_slots.assign(old.empty() ? 64 : old.size() * 2, Slot{});
        for (const Slot& slot : old) {
            if (slot.key != nullptr) {
                place(slot.key, slot.value);
            }
        }
    }

    std::vector<Slot> m_slots;
    size_t m_count = 0;
};

} // namespace quillan
