#pragma once

#include "model/Notifications.h"

#include <QDialog>
#include <string>

class QDialogButtonBox;
class QLabel;
class QProgressBar;

namespace quillan::device {
class ZAVSession;
}

namespace quillan::platform {
class QtNotificationRelay;
}

namespace quillan::gateway::ui {

// "Flash in progress...": loads a firmware file into the device session, has the session's
// worker send it, and follows the transfer by the session's notifications. It cannot be closed
// while the transfer runs (a transfer cut short leaves the gateway half flashed); after
// success it closes itself, after a failure it says what failed and waits for Close.
class FlashFileDlg final : public QDialog {
    Q_OBJECT
public:
    // How long "Flash complete..." stays before the dialog closes itself.
    static constexpr int kCompleteShownMs = 1000;

    // The session must outlive the dialog; relay carries its notifications.
    FlashFileDlg(platform::QtNotificationRelay& relay, device::ZAVSession& session,
                 std::string path, QWidget* parent = nullptr);
    ~FlashFileDlg() override;

    // Becomes the session's flash window and starts the transfer. Call once, after opening.
    void start();

    [[nodiscard]] QString text() const;
    [[nodiscard]] int position() const;
    [[nodiscard]] bool transferring() const { return m_transferring; }
    // The transfer ended and the gateway took every chunk.
    [[nodiscard]] bool succeeded() const { return m_succeeded; }

    void done(int result) override;

Q_SIGNALS:
    // The session went idle after the transfer; text() says how it went.
    void transferEnded();

private:
    void handle(const Notification& notification);
    void endTransfer();
    void letGo();

    platform::QtNotificationRelay& m_relay;
    device::ZAVSession* m_session;
    const std::string m_path;
    QLabel* m_text = nullptr;
    QProgressBar* m_bar = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    bool m_registered = false;
    bool m_transferring = false;
    bool m_sawProgress = false;
    bool m_succeeded = false;
};

} // namespace quillan::gateway::ui
