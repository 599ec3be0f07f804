#include "gateway/ui/DeviceWindow.h"

#include "device/FirmwareFile.h"
#include "device/GatewayLink.h"
#include "device/UpdateDevice.h"
#include "device/ZAVSession.h"
#include "gateway/ComparisonRows.h"
#include "gateway/ConfigImage.h"
#include "gateway/ZAVGateway.h"
#include "gateway/dump/ConfigDump.h"
#include "gateway/ui/BasePage.h"
#include "gateway/ui/DeviceCompareDlg.h"
#include "gateway/ui/FlashFileDlg.h"
#include "gateway/ui/NodeProperties.h"
#include "model/FileNode.h"
#include "model/Text.h"
#include "shell/TarnApp.h"

#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPushButton>
#include <filesystem>
#include <fstream>

namespace quillan::gateway::ui {

namespace {

constexpr const char* kFirmwareCaption = "Firmware File";

} // namespace

DeviceWindow::DeviceWindow(shell::TarnApp& app, device::ZAVSession& session, ZAVGateway& gateway,
                           QWidget* parent)
    : NodePropertySheet(QString::fromStdString(cp1252ToUtf8(gateway.getName())), parent),
      m_app(app), m_session(&session), m_gateway(&gateway), m_gatewayId(gateway.getId()),
      m_gatewayName(gateway.getName())
{
    setWindowModality(Qt::ApplicationModal);
    m_basePage = new BasePage(this);
    addPage(m_basePage);
    m_flash = addSideButton("&Flash");
    connect(m_flash, &QPushButton::clicked, this, &DeviceWindow::flash);
    if (m_app.settings().isDumpEnabled()) {
        m_dump = addSideButton("&Dump");
        connect(m_dump, &QPushButton::clicked, this, &DeviceWindow::dump);
    }
    m_compare = addSideButton("Co&mpare");
    connect(m_compare, &QPushButton::clicked, this, [this] { (void)compare(); });
    setButtonsEnabled(false);
    m_app.notifications().setHandler(Receiver::sessionOwner,
                                     [this](const Notification& n) { handleNotification(n); });
}

DeviceWindow::~DeviceWindow()
{
    letGoOfSession();
}

FlashFileDlg* DeviceWindow::flashDialog() const
{
    return m_flashDialog.data();
}

void DeviceWindow::setButtonsEnabled(bool enabled)
{
    for (QPushButton* button : {m_flash, m_dump, m_compare, &okButton(), &cancelButton()}) {
        if (button != nullptr) {
            button->setEnabled(enabled);
        }
    }
}

void DeviceWindow::handleNotification(const Notification& notification)
{
    if (notification.code == MSG_SESSION_READ_OK && m_session != nullptr && !configurationRead()) {
        showConfiguration();
    }
}

void DeviceWindow::showConfiguration()
{
    m_identity = device::IdentityRecord::decode(m_session->identity());
    m_image = std::make_unique<ConfigImage>(m_session->image());
    const FileNode* root = m_app.document().root();
    m_basePage->fill(m_identity.deviceType, m_identity.firmwareVersion, *m_image,
                     root != nullptr ? root->activeSite() : nullptr);
    addDevicePortPages(*this, *m_image);
    setButtonsEnabled(true);
    okButton().setFocus();
    Q_EMIT configurationShown();
}

std::optional<std::string> DeviceWindow::chooseFirmware()
{
    if (m_chooseFirmware) {
        return m_chooseFirmware();
    }
    QFileDialog dialog(this, "Open Firmware File");
    dialog.setNameFilter("Firmware Files (*.a79)");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first().toStdString();
}

void DeviceWindow::flash()
{
    if (!configurationRead() || m_session == nullptr || m_flashDialog != nullptr) {
        return;
    }
    const std::optional<std::string> path = chooseFirmware();
    if (!path) {
        return;
    }
    const std::string shown = utf8ToCp1252(*path);
    // The whole file is checked before the gateway is asked to prepare its flash memory.
    std::error_code error;
    std::ifstream file;
    if (!std::filesystem::is_directory(*path, error)) {
        file.open(*path);
    }
    if (!file.is_open()) {
        m_app.prompts().message(
            MessageIcon::error, kFirmwareCaption,
            strprintf("Could not open %s.\n\nNothing was sent to the gateway.", shown.c_str()));
        return;
    }
    if (const auto problem = device::checkFirmwareText(file)) {
        m_app.prompts().message(
            MessageIcon::error, kFirmwareCaption,
            strprintf("%s cannot be flashed: %s.\n\nNothing was sent to the gateway.",
                      shown.c_str(), device::firmwareProblemText(*problem).c_str()));
        return;
    }
    file.close();
    const MessageAnswer answer = m_app.prompts().ask(
        MessageIcon::question, "Flash File Ok",
        strprintf("Download  %s  to the %s?", shown.c_str(), device::GATEWAY_DISPLAY_NAME),
        MessageButtons::okCancel);
    if (answer != MessageAnswer::ok || m_session == nullptr) {
        return;
    }
    auto* dialog = new FlashFileDlg(m_app.notifications(), *m_session, *path, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Queued: the dialog is still inside its own done() when it says it finished.
    connect(
        dialog, &QDialog::finished, this, [this] { accept(); }, Qt::QueuedConnection);
    m_flashDialog = dialog;
    dialog->open();
    dialog->start();
}

void DeviceWindow::dump()
{
    if (!configurationRead()) {
        return;
    }
    if (!writeDump(*m_image, m_identity.deviceType, ".", m_app.notifications())) {
        m_app.prompts().message(MessageIcon::error, "Dump",
                                strprintf("Could not create Dump.txt in '%s'.",
                                          utf8ToCp1252(QDir::currentPath().toStdString()).c_str()));
    }
}

ZAVGateway* DeviceWindow::gatewayInDocument() const
{
    for (const auto& node : m_app.document().nodes()) {
        if (node.get() == m_gateway && node->getId() == m_gatewayId) {
            return m_gateway;
        }
    }
    return nullptr;
}

DeviceCompareDlg* DeviceWindow::compare()
{
    if (!configurationRead()) {
        return nullptr;
    }
    ZAVGateway* gateway = gatewayInDocument();
    if (gateway == nullptr) {
        m_app.prompts().message(
            MessageIcon::error, "Compare",
            strprintf("The project no longer holds %s; there is nothing to compare with.",
                      m_gatewayName.c_str()));
        return nullptr;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto request =
        std::make_unique<device::UpdateRequest>(device::makeUpdateRequest(*gateway));
    // What Update Device would write to this device, its firmware considered.
    const ConfigImage& project =
        request->olderFirmwareImage && olderLevelFirmware(m_identity.firmwareVersion)
            ? *request->olderFirmwareImage
            : request->compiled.image;
    std::optional<uint32_t> key;
    if (request->site) {
        key = request->site->securityEnabled ? request->site->securityKey : 0;
    }
    std::vector<ComparisonRow> rows = comparisonRows(*m_image, project, key, m_identity.deviceType);
    QGuiApplication::restoreOverrideCursor();

    auto* dialog = new DeviceCompareDlg(m_gatewayName, std::move(rows), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

void DeviceWindow::done(int result)
{
    letGoOfSession();
    NodePropertySheet::done(result);
}

void DeviceWindow::letGoOfSession()
{
    if (m_session == nullptr) {
        return;
    }
    // The firmware dialog first: it is the session's flash window.
    delete m_flashDialog.data();
    m_app.notifications().setHandler(Receiver::sessionOwner, {});
    m_session = nullptr;
}

} // namespace quillan::gateway::ui
