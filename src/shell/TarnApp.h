#pragma once

#include "device/LinkFactory.h"
#include "device/RoutedSerialLink.h"
#include "device/SerialLink.h"
#include "document/TarnDoc.h"
#include "platform/QtNotificationRelay.h"
#include "platform/QtPromptRelay.h"
#include "settings/ProjectSettings.h"
#include "settings/SettingsStore.h"
#include "settings/VelLogFile.h"
#include "shell/MessageBoxPrompts.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>

namespace quillan::sim {
class GatewaySimulator;
}

namespace quillan::shell {

// How the program was started: quillan [--port PORT|sim] [PROJECT].
struct AppOptions {
    std::optional<std::string> port;    // fixed for the run; else override, else detection
    std::optional<std::string> project; // opened at start instead of showing the start dialog
};

// The application-wide state every window reaches: the one document, the settings, the
// windows' notification sink and prompts, the clipboards and flags, the log file and the port
// the gateway is reached through. User-interface thread only, except the relays.
class TarnApp final {
public:
    TarnApp(SettingsStore& store, AppOptions options);
    ~TarnApp();
    TarnApp(const TarnApp&) = delete;
    TarnApp& operator=(const TarnApp&) = delete;

    [[nodiscard]] const AppOptions& options() const { return m_options; }
    [[nodiscard]] TarnDoc& document() { return *m_document; }
    [[nodiscard]] ProjectSettings& settings() { return *m_settings; }
    // The store the settings live in; the window placement shares its profile.
    [[nodiscard]] SettingsStore& settingsStore() { return m_store; }
    // Windows register their handlers here; the document and the operations notify through it.
    [[nodiscard]] platform::QtNotificationRelay& notifications() { return m_notifications; }
    // Dialogs on the user-interface thread.
    [[nodiscard]] MessageBoxPrompts& prompts() { return m_prompts; }
    // The same dialogs for a worker, which waits for the answer.
    [[nodiscard]] platform::QtPromptRelay& workerPrompts() { return m_workerPrompts; }
    [[nodiscard]] VelLogFile& logFile() { return m_logFile; }
    // The configuration port's line from the settings, for the debug listener, the presence
    // check and the Modbus tab alike. A stored value no line can take is replaced by its
    // default, and the Debug tab says so once.
    [[nodiscard]] device::LineSettings configPortLine();

    // The copied points in list order; the node they came from is the gateway that owns them
    // (views::importClipboardSource). Held by the document so that document changes keep it
    // valid.
    [[nodiscard]] std::vector<Import*>& importClipboard() { return m_document->importClipboard(); }
    [[nodiscard]] Node* nodeClipboard() const { return m_document->nodeClipboard(); }
    void setNodeClipboard(Node* node) { m_document->setNodeClipboard(node); }

    // A device connection session is open (the property window's Connect), or a device
    // operation runs.
    [[nodiscard]] bool connectionOpen() const { return m_connectionOpen; }
    void setConnectionOpen(bool open) { m_connectionOpen = open; }
    // The gateway's port is present and open.
    [[nodiscard]] bool gatewayAttached() const { return m_port.isOpen(); }

    // Makes the links of port names: serial devices, and "sim" for the simulated gateway.
    // A virtual port added here is reached by the next attachPort of its name.
    [[nodiscard]] device::LinkFactory& linkFactory() { return m_port.factory(); }
    // The simulated gateway behind the port "sim"; it keeps its state for the whole run.
    [[nodiscard]] sim::GatewaySimulator& simulator() { return *m_simulator; }

    // The open port of the attached gateway, shared by the debug listener and the device
    // operations; null while none is attached. The object behind it lives as long as the
    // application, so a worker that holds it sees its calls fail, not crash, when the
    // gateway goes away.
    [[nodiscard]] device::SerialLink* link() { return m_port.isOpen() ? &m_port : nullptr; }
    // The one port object, open or not; the gateway detection opens and closes it.
    [[nodiscard]] device::RoutedSerialLink& port() { return m_port; }
    [[nodiscard]] std::string portName() const { return m_port.portName(); }
    // Opens the port by name (closing any other first); false when it does not open.
    bool attachPort(const std::string& name);
    void detachPort();

    // Someone other than a device operation (which sets connectionOpen) holds the port: the
    // presence check leaves it alone meanwhile. Any thread.
    void setPortBusy(bool busy) { m_portBusy = busy; }
    [[nodiscard]] bool portBusy() const { return m_portBusy || m_connectionOpen; }

private:
    SettingsStore& m_store;
    AppOptions m_options;
    platform::QtNotificationRelay m_notifications;
    MessageBoxPrompts m_prompts;
    platform::QtPromptRelay m_workerPrompts{m_prompts};
    std::unique_ptr<ProjectSettings> m_settings;
    VelLogFile m_logFile{m_notifications};
    std::unique_ptr<TarnDoc> m_document;
    device::RoutedSerialLink m_port{device::LinkFactory{}};
    std::shared_ptr<sim::GatewaySimulator> m_simulator;
    std::atomic<bool> m_connectionOpen{false};
    std::atomic<bool> m_portBusy{false};
    std::string m_refusedLine; // the refusal said last, so that it is said once
};

} // namespace quillan::shell
