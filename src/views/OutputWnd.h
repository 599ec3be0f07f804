#pragma once

#include "device/DeviceServices.h"

#include <QWidget>
#include <string>

class QTabWidget;

namespace quillan::shell {
class TarnApp;
}

namespace quillan::views {

// The "Output" pane: the Build tab with the program's result lines and the Debug tab with its
// messages and, while the debug output is active, the text the gateway sends on its
// configuration port. Lines are time-stamped as they arrive.
class OutputWnd final : public QWidget, public device::DebugOutput {
    Q_OBJECT
public:
    explicit OutputWnd(shell::TarnApp& app, QWidget* parent = nullptr);
    ~OutputWnd() override;

    void addOutputLine(const std::string& text);
    // Also written to the log file.
    void addDebugLine(const std::string& text);
    void clearDebug();

    void suspend() override;
    void activate() override;

private:
    shell::TarnApp& m_app;
    QTabWidget* m_tabs = nullptr;
};

} // namespace quillan::views
