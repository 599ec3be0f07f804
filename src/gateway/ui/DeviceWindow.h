#pragma once

#include "device/DeviceFrame.h"
#include "gateway/ui/NodePropertySheet.h"
#include "model/Notifications.h"

#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QPushButton;

namespace quillan {
class ConfigImage;
class ZAVGateway;
} // namespace quillan

namespace quillan::device {
class ZAVSession;
}

namespace quillan::shell {
class TarnApp;
}

namespace quillan::gateway::ui {

class BasePage;
class DeviceCompareDlg;
class FlashFileDlg;

// The device property window Connect opens: a property sheet in connect mode over a device
// session. It opens with the Device page alone and its buttons disabled; when the session
// reports the configuration read, the page is filled, the read-only port pages are added and
// Flash, Dump (with the zavDump setting), Compare, OK and Cancel come alive. Nothing shown is
// written back to the device or the project.
//
// The session belongs to whoever opened the window: it runs the read on its worker once the
// window shows, and finishes and ends the session after the window has closed (finished()).
// The window keeps to the user-interface thread: it learns of the session through the
// application's notification relay, uses the session only to read what it read and to start
// a flash, and lets go of it when it closes. Esc and the close box close it at any time, a
// read still running included; only a flash in progress holds it open.
class DeviceWindow final : public NodePropertySheet {
    Q_OBJECT
public:
    // The firmware file to flash; none when the user cancels. Tests set their own.
    using FirmwareChooser = std::function<std::optional<std::string>()>;

    // gateway: the project's gateway Connect was chosen for; its name is the caption, and
    // Compare compiles it.
    DeviceWindow(shell::TarnApp& app, device::ZAVSession& session, ZAVGateway& gateway,
                 QWidget* parent = nullptr);
    ~DeviceWindow() override;

    void setFirmwareChooser(FirmwareChooser chooser) { m_chooseFirmware = std::move(chooser); }

    [[nodiscard]] BasePage& basePage() const { return *m_basePage; }
    [[nodiscard]] QPushButton& flashButton() const { return *m_flash; }
    // None unless the zavDump setting was on when the window opened.
    [[nodiscard]] QPushButton* dumpButton() const { return m_dump; }
    [[nodiscard]] QPushButton& compareButton() const { return *m_compare; }
    [[nodiscard]] bool configurationRead() const { return m_image != nullptr; }
    // While the firmware dialog is open.
    [[nodiscard]] FlashFileDlg* flashDialog() const;

    // The side buttons. Flash: choose, check and confirm a firmware file, then transfer it;
    // the window closes with OK once the firmware dialog has. Dump: "Dump.txt" in the working
    // directory. Compare: the differences from the project's compile, in a dialog it returns
    // (none when there is nothing to compare with).
    void flash();
    void dump();
    DeviceCompareDlg* compare();

    void done(int result) override;

Q_SIGNALS:
    // The configuration read is on the pages and the buttons are enabled.
    void configurationShown();

private:
    void handleNotification(const Notification& notification);
    void showConfiguration();
    void setButtonsEnabled(bool enabled);
    [[nodiscard]] std::optional<std::string> chooseFirmware();
    [[nodiscard]] ZAVGateway* gatewayInDocument() const;
    void letGoOfSession();

    shell::TarnApp& m_app;
    device::ZAVSession* m_session;
    ZAVGateway* m_gateway;
    const uint32_t m_gatewayId;
    const std::string m_gatewayName;
    FirmwareChooser m_chooseFirmware;

    BasePage* m_basePage = nullptr;
    QPushButton* m_flash = nullptr;
    QPushButton* m_dump = nullptr;
    QPushButton* m_compare = nullptr;
    QPointer<FlashFileDlg> m_flashDialog;

    // What the session read, copied when it said so.
    device::IdentityRecord m_identity;
    std::unique_ptr<ConfigImage> m_image;
};

} // namespace quillan::gateway::ui
