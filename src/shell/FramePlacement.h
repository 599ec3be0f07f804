#pragma once

#include "settings/SettingsStore.h"

#include <cstdint>

class QWidget;

namespace quillan::shell {

// The main window's placement as the "Frame" section of the application profile keeps it:
// the normal (restored) rectangle's edges, the placement flags and the show state.
struct FramePlacement {
    // Show states as stored.
    static constexpr std::int32_t SHOW_MINIMIZED = 2;
    static constexpr std::int32_t SHOW_MAXIMIZED = 3;
    static constexpr std::int32_t SHOW_NORMAL = 5;
    // Flag: a minimized window comes back maximized.
    static constexpr std::int32_t FLAG_RESTORE_TO_MAXIMIZED = 2;

    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 800;
    std::int32_t bottom = 600;
    std::int32_t flags = 0;
    std::int32_t show = SHOW_NORMAL;

    friend bool operator==(const FramePlacement&, const FramePlacement&) = default;
};

// The section's value names, under the profile subkey of the settings store.
inline constexpr const char* FRAME_SECTION = "Frame";

// The stored placement, each value that is absent (or the store that cannot be opened)
// giving its default.
[[nodiscard]] FramePlacement readFramePlacement(SettingsStore& store);
// Writes the six values; false when the store refused them.
bool writeFramePlacement(SettingsStore& store, const FramePlacement& placement);

// Where the window is now: its normal rectangle, and maximized or minimized as they stand.
[[nodiscard]] FramePlacement placementOf(const QWidget& window);
// Puts the window at the placement and shows it in its state. A rectangle that is too small,
// or lies off every screen (a monitor since removed), gives way to the default one.
void showAtPlacement(QWidget& window, const FramePlacement& placement);

} // namespace quillan::shell
