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
        if (tooFull(m_count + 1, m_slots.size())) {
            rehash(m_slots.empty() ? 64 : m_slots.size() * 2);
        }
        place(key, value);
        ++m_count;
    }

    // Room for count keys without regrowing. Every regrowth touches a table of fresh memory,
    // and page faults are most of what a large save costs.
    void reserve(size_t count)
    {
        size_t slots = m_slots.empty() ? 64 : m_slots.size();
        while (tooFull(count, slots)) {
            slots *= 2;
        }
        if (slots != m_slots.size()) {
            rehash(slots);
        }
    }

    [[nodiscard]] size_t size() const { return m_count; }

private:
    struct Slot {
        const void* key = nullptr;
        uint32_t value = 0;
    };

    // At most three quarters full: probes stay short, and the table small.
    [[nodiscard]] static bool tooFull(size_t count, size_t slots) { return count * 4 > slots * 3; }
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
    void rehash(size_t slots)
    {
        std::vector<Slot> old = std::move(m_slots);
        m_slots.assign(slots, Slot{});
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
