#include "shell/FramePlacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <string>

namespace quillan::shell {

namespace {

// Smaller than this the window could not show its menus; a stored value like that is damage.
constexpr int kMinimumWidth = 200;
constexpr int kMinimumHeight = 150;
// How much of the window must lie on a screen for the user to reach its title bar.
constexpr int kReachable = 48;

std::string frameValue(const char* name)
{
    std::string key(SettingsStore::kProfileSubkey);
    key += '/';
    key += FRAME_SECTION;
    key += '/';
    key += name;
    return key;
}

struct Field {
    const char* name;
    std::int32_t FramePlacement::*member;
};

// In the order the values are written.
constexpr Field kFields[] = {
    {"Flags", &FramePlacement::flags}, {"Show", &FramePlacement::show},
    {"Top", &FramePlacement::top},     {"Left", &FramePlacement::left},
    {"Right", &FramePlacement::right}, {"Bottom", &FramePlacement::bottom},
};

bool onSomeScreen(const QRect& rect)
{
    const auto screens = QGuiApplication::screens();
    for (const QScreen* screen : screens) {
        const QRect shared = screen->availableGeometry().intersected(rect);
        if (shared.width() >= kReachable && shared.height() >= kReachable) {
            return true;
        }
    }
    return screens.isEmpty();
}

} // namespace

FramePlacement readFramePlacement(SettingsStore& store)
{
    FramePlacement placement;
    if (!store.open().ok()) {
        return placement;
    }
    for (const Field& field : kFields) {
        if (const auto value = store.readNumber(frameValue(field.name))) {
            placement.*field.member = *value;
        }
    }
    store.close();
    return placement;
}

bool writeFramePlacement(SettingsStore& store, const FramePlacement& placement)
{
    if (!store.open().ok()) {
        return false;
    }
    bool ok = true;
    for (const Field& field : kFields) {
        ok = store.writeNumber(frameValue(field.name), placement.*field.member).ok() && ok;
    }
    store.close();
    return ok;
}

FramePlacement placementOf(const QWidget& window)
{
    FramePlacement placement;
    QRect normal = window.normalGeometry();
    if (!normal.isValid()) {
        normal = window.geometry();
    }
    placement.left = normal.left();
    placement.top = normal.top();
    placement.right = normal.left() + normal.width();
    placement.bottom = normal.top() + normal.height();
    const Qt::WindowStates state = window.windowState();
    if (state & Qt::WindowMinimized) {
        placement.show = FramePlacement::SHOW_MINIMIZED;
        if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
            placement.flags = FramePlacement::FLAG_RESTORE_TO_MAXIMIZED;
        }
    } else if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        placement.show = FramePlacement::SHOW_MAXIMIZED;
    }
    return placement;
}

void showAtPlacement(QWidget& window, const FramePlacement& placement)
{
    QRect rect(placement.left, placement.top, placement.right - placement.left,
               placement.bottom - placement.top);
    if (rect.width() < kMinimumWidth || rect.height() < kMinimumHeight || !onSomeScreen(rect)) {
        const FramePlacement defaults;
        rect = QRect(defaults.left, defaults.top, defaults.right - defaults.left,
                     defaults.bottom - defaults.top);
    }
    window.setGeometry(rect);
    // A window that was closed minimized comes back as it was before it was minimized: a
    // program that starts where nobody sees it looks as if it had not started.
    const bool maximized = placement.show == FramePlacement::SHOW_MAXIMIZED ||
                           (placement.show == FramePlacement::SHOW_MINIMIZED &&
                            (placement.flags & FramePlacement::FLAG_RESTORE_TO_MAXIMIZED) != 0);
    if (maximized) {
        window.showMaximized();
    } else {
        window.showNormal();
    }
}

} // namespace quillan::shell
