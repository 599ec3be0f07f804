#pragma once

#include "device/DeviceServices.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class QWidget;

namespace quillan {
class Node;
class ZAVGateway;
} // namespace quillan

namespace quillan::device {
class GatewayLink;
class SerialLink;
class ZAVSession;
} // namespace quillan::device

namespace quillan::gateway::ui {
class DeviceWindow;
}

namespace quillan::shell {
class TarnApp;
}

namespace quillan::views {

class OutputWnd;

// The device commands of the project tree and the File menu, each run on a worker thread so
// that the window keeps drawing and answering: what needs the project (compiling the image,
// the save prompt, the file choice) happens on the user-interface thread before the worker
// starts, and what changes the project (the site key read) after it ended. One operation at a
// time: while it runs its gateway is communicating and the application's connection flag is
// set, which keeps the device commands disabled and the window from closing.
//
// The worker reaches the windows only through the application's notification and prompt
// relays. stop() (and the destructor) release both relays and cancel the port before joining,
// so a worker waiting for the user-interface thread never holds up the one waiting for it.
class DeviceOperations final : public QObject {
    Q_OBJECT
public:
    // What a file dialog is asked for.
    enum class FileChoice {
        projectToStore,  // an existing project file to store on the gateway
        retrievedProject // where to save the project file read from the gateway
    };
    // Returns the chosen path, none when the user cancels; suggestion is the project name
    // for a retrieved file. Defaults to the file dialogs; tests put their own.
    using FileChooser =
        std::function<std::optional<std::string>(FileChoice choice, const std::string& suggestion)>;

    // window: the parent of the operations' dialogs, whose window shows the busy cursor.
    DeviceOperations(shell::TarnApp& app, QWidget* window);
    ~DeviceOperations() override;

    // Where the debug listener an operation suspends while it owns the port is found when an
    // operation starts.
    void setDebugOutput(std::function<OutputWnd*()> find) { m_findOutput = std::move(find); }
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    // The document's Save, for Save File to Gateway's "Save changes ...?": true when saved,
    // false when the user cancelled or the save failed (which it reports itself).
    void setDocumentSaver(std::function<bool()> save) { m_saveDocument = std::move(save); }

    [[nodiscard]] bool isRunning() const { return m_worker.joinable(); }
    // The node an operation runs for.
    [[nodiscard]] bool isCommunicating(const Node& node) const;

    void updateDevice(ZAVGateway& gateway);
    // Connect: the link's checks, then the device property window over a device session that
    // reads the gateway's configuration. The operation lasts until the window has closed and
    // the session and the link have ended.
    void connectToDevice(ZAVGateway& gateway);
    // The device property window while it is open.
    [[nodiscard]] gateway::ui::DeviceWindow* deviceWindow() const;
    void readSiteSecurityKey(ZAVGateway& gateway);
    // The save prompt, the file dialog and the upload question, then the transfer.
    void storeProjectFile(ZAVGateway& gateway);
    // "From ZAV Gateway": available whenever nothing holds the port.
    [[nodiscard]] bool canRetrieveProjectFile() const;
    void retrieveProjectFile();

    // Ends a running operation at once and waits for its thread; its outcome is dropped.
    void stop();

Q_SIGNALS:
    // An operation ended and its outcome was applied.
    void finished();
    // Read Site Security Key changed the gateway's site.
    void siteChanged();
    // A retrieved project file was saved; the frame opens it as the current project.
    void projectFileRetrieved(const QString& path);
    // Connect opened the device property window; its session starts reading now.
    void deviceWindowOpened(gateway::ui::DeviceWindow* window);

private:
    class GuiDebugOutput;
    // Runs on the worker with the link of the operation; returns what runs on the
    // user-interface thread once the worker has ended.
    using Work = std::function<std::function<void()>(device::GatewayLink& link)>;

    void start(Node* node, const std::string& linkName, Work work);
    // Connect's worker: the window over the session, until it closes.
    void hostDeviceWindow(device::ZAVSession& session, ZAVGateway* gateway, uint32_t id);
    void openDeviceWindow(device::ZAVSession& session, ZAVGateway* gateway, uint32_t id);
    void deviceWindowClosed();
    void complete(uint64_t generation);
    void endRunning();
    [[nodiscard]] device::SerialLink& port();
    [[nodiscard]] std::optional<std::string> chooseFile(FileChoice choice,
                                                       const std::string& suggestion);

    shell::TarnApp& m_app;
    QWidget* m_window;
    std::function<OutputWnd*()> m_findOutput;
    std::function<bool()> m_saveDocument;
    QPointer<OutputWnd> m_output;
    FileChooser m_chooseFile;
    std::unique_ptr<GuiDebugOutput> m_debug;
    // Stands in for the port while no gateway is attached: every step then fails as it would
    // on a closed port.
    std::unique_ptr<device::SerialLink> m_closedPort;

    std::thread m_worker;
    uint64_t m_generation = 0; // tells a stopped operation's completion from the current one
    device::SerialLink* m_port = nullptr; // the port the worker uses
    Node* m_node = nullptr;
    uint32_t m_nodeId = 0;
    std::function<void()> m_afterWork; // set by the worker before it signals completion
    std::mutex m_mutex;                // m_link, m_afterWork and m_windowClosed
    device::GatewayLink* m_link = nullptr;
    QPointer<gateway::ui::DeviceWindow> m_deviceWindow;
    bool m_windowClosed = false; // Connect's worker waits for it
    std::condition_variable m_windowClosedChanged;
};

} // namespace quillan::views
