#include "views/DeviceOperations.h"

#include "device/GatewayConnect.h"
#include "device/GatewayLink.h"
#include "device/MemorySerialLink.h"
#include "device/ProjectFileTransfer.h"
#include "device/UpdateDevice.h"
#include "device/ZAVSession.h"
#include "document/TarnDoc.h"
#include "gateway/DevicePage.h"
#include "gateway/ZAVGateway.h"
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

// Long enough for a whole configuration at 57600 baud and every reply time-out on the way;
// a stop cancels the port, which ends the read long before.
constexpr int kSessionReadTimeoutMs = 180'000;

QString fromModel(const std::string& text)
{
    return QString::fromStdString(cp1252ToUtf8(text));
}

// Passes everything on to the windows and remembers whether the session read the
// configuration, which only the device property window would otherwise learn.
class ReadOutcomeSink final : public NotificationSink {
public:
    explicit ReadOutcomeSink(NotificationSink& next) : m_next(next) {}

    void notify(const Notification& notification) override
    {
        if (notification.code == MSG_SESSION_READ_OK) {
            m_readOk = true;
        }
        m_next.notify(notification);
    }
    [[nodiscard]] bool readOk() const { return m_readOk; }

private:
    NotificationSink& m_next;
    std::atomic<bool> m_readOk{false};
};

struct ReadBack {
    device::IdentityRecord::Bytes identity{};
    ConfigImage image;
};

// What the Device page would show of a gateway that was read, as result lines.
std::vector<std::string> connectSummary(const std::string& name, const ReadBack& read)
{
    const device::IdentityRecord identity = device::IdentityRecord::decode(read.identity);
    const DevicePageValues page =
        devicePageValues(identity.deviceType, identity.firmwareVersion, read.image);
    const auto choice = [](const std::vector<std::string>& list, unsigned at) {
        return at < list.size() ? list[at] : std::string("-");
    };
    const char* n = name.c_str();
    return {
        strprintf("%s - Connected to %s, version %s.", n, page.type.c_str(), page.version.c_str()),
        strprintf("%s - ID %u, channel %u, group %u, VevaDor ID %u.", n, page.id, page.channel,
                  page.group, page.vevaDorId),
        strprintf("%s - Tx power %s, %u retries, bit rate %s.", n,
                  choice(page.powerChoices, page.powerSelection).c_str(), page.retries,
                  choice(page.bitRateChoices, page.bitRateSelection).c_str()),
        strprintf("%s - Security: %s.", n, page.deviceSecurity.c_str()),
    };
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
    const std::string name = gateway.getName();
    start(&gateway, name, [this, port, name](device::GatewayLink& link) -> std::function<void()> {
        if (device::beginConnect(link) != 0) {
            return {};
        }
        ReadOutcomeSink sink(m_app.notifications());
        std::optional<ReadBack> read;
        {
            device::ZAVSession session(sink);
            session.setPort(port);
            session.setEnabled(true);
            session.startThread();
            session.startOperation(device::SessionOperation::connectAndRead);
            (void)session.waitForIdle(kSessionReadTimeoutMs);
            if (sink.readOk()) {
                read = ReadBack{session.identity(), session.image()};
            }
            if (session.linkUp() && !session.finished()) {
                session.startOperation(device::SessionOperation::finish);
                (void)session.waitForIdle(kSessionReadTimeoutMs);
            }
            (void)session.stopThread();
        }
        if (!read) {
            // A silent failure leaves "Connecting..." showing; the property window's end
            // would take it down.
            m_app.notifications().post(MSG_SESSION_FAILED);
        }
        device::endConnect(link);
        if (!read) {
            return {};
        }
        return [this, name, read = std::move(*read)] {
            for (const std::string& line : connectSummary(name, read)) {
                m_app.notifications().outputLine(line);
            }
        };
    });
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
    if (isRunning() || !m_app.document().confirmSaveBeforeStore()) {
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
