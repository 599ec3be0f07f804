#pragma once

#include "device/DebugLineAssembler.h"
#include "device/DeviceServices.h"

#include <QWidget>
#include <string>

class QListView;
class QTabWidget;
class QTimer;

namespace quillan::shell {
class TarnApp;
}

namespace quillan::views {

class OutputLineModel;

// The "Output" pane: the Build tab with the program's result lines and the Debug tab with its
// messages and, while the debug output is active, the text the gateway sends on its
// configuration port. Lines are time-stamped as they arrive.
class OutputWnd final : public QWidget, public device::DebugOutput {
    Q_OBJECT
public:
    enum List { build = 0, debug = 1 };

    // The Debug list keeps at most this many lines; past it the oldest go in a batch.
    static constexpr int kMaxDebugLines = 1000000;
    static constexpr int kDebugTrim = 1000;
    static constexpr int kPollIntervalMs = 100;
    static constexpr size_t kPollBytes = 256;

    static constexpr int kFontPoints = 9;

    explicit OutputWnd(shell::TarnApp& app, QWidget* parent = nullptr);
    ~OutputWnd() override;

    void addOutputLine(const std::string& text);
    // Also written to the log file.
    void addDebugLine(const std::string& text);
    void clearDebug();

    void suspend() override;
    void activate() override;
    [[nodiscard]] bool isActive() const { return m_active; }

    [[nodiscard]] OutputLineModel& lines(List list) const { return *m_models[list]; }
    [[nodiscard]] QListView& listView(List list) const { return *m_views[list]; }
    [[nodiscard]] QTabWidget& tabs() const { return *m_tabs; }
    // While on, each new line scrolls its list to the end.
    [[nodiscard]] bool autoScroll(List list) const { return m_autoScroll[list]; }
    void setAutoScroll(List list, bool on);
    // One look at the port, as the timer takes every 100 ms while the output is active.
    void pollDebugPort();

    // The lists' font: "Courier New" at 9 points, else the first monospaced face there is.
    [[nodiscard]] static QFont outputFont();
    // Whether every character is drawn as wide as every other, whatever the font declares.
    [[nodiscard]] static bool drawsMonospaced(const QFont& font);

private:
    void addLine(List list, const std::string& text);
    void showListMenu(List list, const QPoint& globalPos);

    shell::TarnApp& m_app;
    QTabWidget* m_tabs = nullptr;
    OutputLineModel* m_models[2] = {};
    QListView* m_views[2] = {};
    bool m_autoScroll[2] = {true, true};
    // Scrolling to the end waits for the event loop, so a burst of lines lays out once.
    QTimer* m_scrollLater[2] = {};
    QTimer* m_poll = nullptr;
    bool m_active = true;
    device::DebugLineAssembler m_assembler;
};

} // namespace quillan::views
