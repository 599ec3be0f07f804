#include "views/DeviceOperations.h"

#include "device/GatewayConnect.h"
#include "device/GatewayLink.h"
#include "device/MemorySerialLink.h"
#include "device/ProjectFileTransfer.h"
#include "device/UpdateDevice.h"
#include "device/ZAVSession.h"
#include "document/TarnDoc.h"
#include "gateway/ZAVGateway.h"
#include "gateway/ui/DeviceWindow.h"
#include "model/Site.h"
#include "model/Text.h"
#include "shell/TarnApp.h"
#include "views/OutputWnd.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QWidget>

namespace quillan::views {

namespace {

using platform::OwnerThreadCalls;

// The finish step's wait for RTS to settle, with room to spare; a stop cancels the port,
// which ends it at once.
constexpr int kSessionFinishTimeoutMs = 10'000;

QString fromModel(const std::string& text)
{
    return QString::fromStdString(cp1252ToUtf8(text));
}

// The node, if the document still holds it: a stop or a new project may have taken it away
// while the worker ran.
Node* nodeInDocument(const TarnDoc& doc, const Node* node, uint32_t id)
{
    for (const auto& held : doc.nodes()) {
        if (held.get() == node && held->getId() == id) {
            return held.get();
        }
    }
    return nullptr;
}

} // namespace

// The Output window's debug listener, suspended and activated from the worker on the
// user-interface thread. Once the relays are released nothing reaches the window any more;
// the owner puts the listener back itself when the worker has ended.
class DeviceOperations::GuiDebugOutput final : public device::DebugOutput {
public:
    GuiDebugOutput(OwnerThreadCalls& calls, QPointer<OutputWnd>& output)
        : m_calls(calls), m_output(output)
    {
    }

    void suspend() override
    {
        if (m_suspended) {
            return;
        }
        if (m_calls.call(
                [slot = &m_output] {
                    if (*slot) {
                        (*slot)->suspend();
                    }
                },
                OwnerThreadCalls::IfReleased::drop)) {
            m_suspended = true;
        }
    }

    void activate() override
    {
        if (!m_suspended.exchange(false)) {
            return;
        }
        if (!m_calls.call(
                [slot = &m_output] {
                    if (*slot) {
                        (*slot)->activate();
                    }
                },
                OwnerThreadCalls::IfReleased::drop)) {
            m_suspended = true;
        }
    }

    // User-interface thread, once the worker has ended.
    void restore()
    {
        if (m_suspended.exchange(false) && m_output) {
            m_output->activate();
        }
    }

private:
    OwnerThreadCalls& m_calls;
    QPointer<OutputWnd>& m_output;
    std::atomic<bool> m_suspended{false};
};

DeviceOperations::DeviceOperations(shell::TarnApp& app, QWidget* window)
    : QObject(window), m_app(app), m_window(window),
      m_debug(std::make_unique<GuiDebugOutput>(app.notifications().calls(), m_output)),
      m_closedPort(std::make_unique<device::MemorySerialLink>())
{
}

DeviceOperations::~DeviceOperations()
{
    stop();
}

bool DeviceOperations::isCommunicating(const Node& node) const
{
    return isRunning() && m_node == &node && m_nodeId == node.getId();
}

device::SerialLink& DeviceOperations::port()
{
    device::SerialLink* link = m_app.link();
    return link != nullptr ? *link : *m_closedPort;
}

void DeviceOperations::start(Node* node, const std::string& linkName, Work work)
{
    if (isRunning()) {
        return;
    }
    m_node = node;
    m_nodeId = node != nullptr ? node->getId() : 0;
    m_port = &port();
    m_output = m_findOutput ? m_findOutput() : nullptr;
    m_app.setConnectionOpen(true);
    if (m_window != nullptr) {
        m_window->window()->setCursor(Qt::BusyCursor);
    }
    const device::DeviceServices services{*m_port, m_app.notifications(), m_app.workerPrompts(),
                                          m_debug.get(), {}};
    const uint64_t generation = ++m_generation;
    m_worker = std::thread([this, services, linkName, work = std::move(work), generation] {
        std::function<void()> after;
        {
            device::GatewayLink link(services, linkName);
            {
                std::lock_guard lock(m_mutex);
                m_link = &link;
            }
            after = work(link);
            std::lock_guard lock(m_mutex);
            m_link = nullptr;
        }
        {
            std::lock_guard lock(m_mutex);
            m_afterWork = std::move(after);
        }
        QMetaObject::invokeMethod(
            this, [this, generation] { complete(generation); }, Qt::QueuedConnection);
    });
}

void DeviceOperations::complete(uint64_t generation)
{
    // A stop already ended this one.
    if (generation != m_generation || !m_worker.joinable()) {
        return;
    }
    m_worker.join();
    std::function<void()> after;
    {
        std::lock_guard lock(m_mutex);
        after = std::move(m_afterWork);
    }
    m_debug->restore();
    endRunning();
    if (after) {
        after();
    }
    Q_EMIT finished();
}

void DeviceOperations::stop()
{
    if (!m_worker.joinable()) {
        return;
    }
    // The worker may be waiting for this thread, which is about to wait for it.
    m_app.notifications().release();
    m_app.workerPrompts().release();
    // Connect's worker waits for its window; the window lets go of the session as it goes.
    delete m_deviceWindow.data();
    deviceWindowClosed();
    {
        std::lock_guard lock(m_mutex);
        if (m_link != nullptr) {
            m_link->cancel();
        }
    }
    m_port->cancel();
    m_worker.join();
    m_port->resetCancel();
    m_app.notifications().rearm();
    m_app.workerPrompts().rearm();
    {
        std::lock_guard lock(m_mutex);
        m_afterWork = nullptr;
    }
    ++m_generation;
    m_debug->restore();
    endRunning();
    // Nobody is left to close a progress window the operation opened.
    m_app.notifications().send(MSG_SESSION_FAILED);
}

void DeviceOperations::endRunning()
{
    m_node = nullptr;
    m_nodeId = 0;
    m_port = nullptr;
    m_app.setConnectionOpen(false);
    if (m_window != nullptr) {
        m_window->window()->unsetCursor();
    }
}

void DeviceOperations::updateDevice(ZAVGateway& gateway)
{
    if (isRunning()) {
        return;
    }
    // The compile walks the project, so it runs here; the worker gets a plain value.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    auto request = std::make_shared<device::UpdateRequest>(device::makeUpdateRequest(gateway));
    QGuiApplication::restoreOverrideCursor();
    start(&gateway, request->gatewayName, [request](device::GatewayLink& link) {
        (void)device::updateDevice(link, *request);
        return std::function<void()>();
    });
}

void DeviceOperations::connectToDevice(ZAVGateway& gateway)
{
    if (isRunning()) {
        return;
    }
    device::SerialLink* port = &this->port();
    ZAVGateway* held = &gateway;
    const uint32_t id = gateway.getId();
    {
        std::lock_guard lock(m_mutex);
        m_windowClosed = false;
    }
    start(&gateway, gateway.getName(),
          [this, port, held, id](device::GatewayLink& link) -> std::function<void()> {
              if (device::beginConnect(link) != 0) {
                  return {};
              }
              {
                  device::ZAVSession session(m_app.notifications());
                  session.setPort(port);
                  session.setEnabled(true);
                  session.startThread();
                  hostDeviceWindow(session, held, id);
                  (void)session.stopThread();
              }
              // Takes down a "Connecting..." that a gateway which never answered left showing.
              m_app.notifications().post(MSG_SESSION_FAILED);
              device::endConnect(link);
              return {};
          });
}

gateway::ui::DeviceWindow* DeviceOperations::deviceWindow() const
{
    return m_deviceWindow.data();
}

void DeviceOperations::hostDeviceWindow(device::ZAVSession& session, ZAVGateway* gateway,
                                        uint32_t id)
{
    // The session lives on this thread's stack, so the call is dropped, never run late, when
    // a stop releases the relay; the window itself runs no event loop of its own.
    const bool opened = m_app.notifications().calls().call(
        [this, &session, gateway, id] { openDeviceWindow(session, gateway, id); },
        platform::OwnerThreadCalls::IfReleased::drop);
    if (opened) {
        session.startOperation(device::SessionOperation::connectAndRead);
        std::unique_lock lock(m_mutex);
        m_windowClosedChanged.wait(lock, [this] { return m_windowClosed; });
    }
    // A read or a flash still running is cut short by the stop that follows; a gateway still
    // in the conversation is let go of first.
    if (session.waitForIdle(0) && session.linkUp() && !session.finished()) {
        session.startOperation(device::SessionOperation::finish);
        (void)session.waitForIdle(kSessionFinishTimeoutMs);
    }
}

void DeviceOperations::openDeviceWindow(device::ZAVSession& session, ZAVGateway* gateway,
                                        uint32_t id)
{
    ZAVGateway* held = dynamic_cast<ZAVGateway*>(nodeInDocument(m_app.document(), gateway, id));
    if (held == nullptr) {
        deviceWindowClosed();
        return;
    }
    QWidget* parent = m_window != nullptr ? m_window->window() : nullptr;
    auto* window = new gateway::ui::DeviceWindow(m_app, session, *held, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &QDialog::finished, this, &DeviceOperations::deviceWindowClosed);
    m_deviceWindow = window;
    // The main window waits behind the modal device window; it is not busy.
    if (parent != nullptr) {
        parent->unsetCursor();
    }
    window->show();
    Q_EMIT deviceWindowOpened(window);
}

void DeviceOperations::deviceWindowClosed()
{
    {
        std::lock_guard lock(m_mutex);
        m_windowClosed = true;
    }
    m_windowClosedChanged.notify_all();
}

void DeviceOperations::readSiteSecurityKey(ZAVGateway& gateway)
{
    if (isRunning()) {
        return;
    }
    Node* node = &gateway;
    const uint32_t id = gateway.getId();
    start(node, gateway.getName(), [this, node, id](device::GatewayLink& link) {
        const device::SiteKeyResult result = device::readSiteSecurityKey(link);
        return std::function<void()>([this, node, id, result] {
            Node* held = nodeInDocument(m_app.document(), node, id);
            Site* site = held != nullptr ? held->getSite() : nullptr;
            if (site != nullptr && device::applySiteKeyResult(*site, result)) {
                m_app.document().setModified();
                Q_EMIT siteChanged();
            }
        });
    });
}

void DeviceOperations::storeProjectFile(ZAVGateway& gateway)
{
    if (isRunning()) {
        return;
    }
    bool saved = true;
    const bool goOn = m_app.document().confirmSaveBeforeStore([this, &saved] {
        saved = m_saveDocument && m_saveDocument();
        return saved;
    });
    if (!goOn) {
        if (!saved) {
            // Asked to save first, the user is told why nothing else happens.
            m_app.notifications().outputLine(
                gateway.getName() + " - The project was not saved, so no file was stored.");
        }
        return;
    }
    const std::optional<std::string> path = chooseFile(FileChoice::projectToStore, {});
    if (!path) {
        return;
    }
    const MessageAnswer answer = m_app.prompts().ask(
        MessageIcon::question, device::UPLOAD_CAPTION,
        device::uploadQuestion(utf8ToCp1252(*path), gateway.getName()), MessageButtons::okCancel);
    if (answer != MessageAnswer::ok) {
        return;
    }
    auto packed = device::packProjectFileForStore(*path, m_app.prompts());
    if (!packed) {
        return;
    }
    auto data = std::make_shared<std::vector<uint8_t>>(std::move(*packed));
    start(&gateway, gateway.getName(), [data](device::GatewayLink& link) {
        (void)device::storeProjectFile(link, *data);
        return std::function<void()>();
    });
}

bool DeviceOperations::canRetrieveProjectFile() const
{
    return !isRunning() && !m_app.portBusy();
}

void DeviceOperations::retrieveProjectFile()
{
    if (!canRetrieveProjectFile()) {
        return;
    }
    const std::string folder = m_app.settings().wizardDefaultLoc();
    start(nullptr, device::RETRIEVE_NODE_NAME, [this, folder](device::GatewayLink& link) {
        // The save dialog belongs to the user-interface thread; released, it counts as Cancel.
        const auto choose = [this](const std::string& projectName) {
            return m_app.notifications()
                .calls()
                .callForResult<std::optional<std::string>>(
                    [this, projectName] {
                        return chooseFile(FileChoice::retrievedProject, projectName);
                    },
                    OwnerThreadCalls::IfReleased::drop)
                .value_or(std::nullopt);
        };
        const device::RetrieveResult result = device::retrieveProjectFile(link, folder, choose);
        return std::function<void()>([this, saved = result.savedPath] {
            if (saved) {
                Q_EMIT projectFileRetrieved(QString::fromStdString(*saved));
            }
        });
    });
}

std::optional<std::string> DeviceOperations::chooseFile(FileChoice choice,
                                                        const std::string& suggestion)
{
    if (m_chooseFile) {
        return m_chooseFile(choice, suggestion);
    }
    const QString folder = QString::fromStdString(m_app.settings().wizardDefaultLoc());
    const QString filter = QStringLiteral("Quillan Project Files (*.zavproj)");
    QFileDialog dialog(m_window != nullptr ? m_window->window() : nullptr);
    dialog.setNameFilter(filter);
    if (!folder.isEmpty()) {
        dialog.setDirectory(folder);
    }
    if (choice == FileChoice::projectToStore) {
        dialog.setWindowTitle(device::SELECT_PROJECT_FILE_TITLE);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setLabelText(QFileDialog::Accept, "OK");
    } else {
        dialog.setWindowTitle("Save Retrieved Project File");
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix("zavproj");
        dialog.selectFile(fromModel(suggestion));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first().toStdString();
}

} // namespace quillan::views
