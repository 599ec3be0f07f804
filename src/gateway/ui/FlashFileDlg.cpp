#include "gateway/ui/FlashFileDlg.h"

#include "device/ZAVSession.h"
#include "model/Text.h"
#include "platform/QtNotificationRelay.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace quillan::gateway::ui {

FlashFileDlg::FlashFileDlg(platform::QtNotificationRelay& relay, device::ZAVSession& session,
                           std::string path, QWidget* parent)
    : QDialog(parent), m_relay(relay), m_session(&session), m_path(std::move(path))
{
    setWindowTitle("Flash in progress...");
    m_text = new QLabel("Initializing...", this);
    m_text->setMinimumWidth(360);
    m_text->setWordWrap(true);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_buttons->setEnabled(false);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    layout->addWidget(m_buttons);
}

FlashFileDlg::~FlashFileDlg()
{
    letGo();
}

void FlashFileDlg::start()
{
    if (m_registered || m_session == nullptr) {
        return;
    }
    m_registered = true;
    m_relay.setHandler(Receiver::flashWindow, [this](const Notification& n) { handle(n); });
    m_session->setFlashWindow(true);
    m_session->clearFirmware();
    if (!m_session->loadFirmware(m_path)) {
        m_text->setText("The firmware file could not be read; nothing was sent to the gateway.");
        m_buttons->setEnabled(true);
        letGo();
        return;
    }
    m_transferring = true;
    m_session->startOperation(device::SessionOperation::flash);
}

QString FlashFileDlg::text() const
{
    return m_text->text();
}

int FlashFileDlg::position() const
{
    return m_bar->value();
}

void FlashFileDlg::done(int result)
{
    // Esc and the close box included: the gateway's flash memory is half written meanwhile.
    if (m_transferring) {
        return;
    }
    letGo();
    QDialog::done(result);
}

void FlashFileDlg::handle(const Notification& notification)
{
    switch (notification.code) {
    case MSG_FLASH_PROGRESS:
        if (!m_sawProgress) {
            m_sawProgress = true;
            m_text->setText("Writing flash memory...");
        }
        m_bar->setValue(notification.step);
        break;
    case MSG_SESSION_IDLE:
        if (m_transferring) {
            endTransfer();
        }
        break;
    default:
        break;
    }
}

void FlashFileDlg::endTransfer()
{
    m_transferring = false;
    const std::optional<device::FlashOutcome> outcome = m_session->lastFlash();
    m_succeeded = outcome && outcome->succeeded;
    // The session goes idle after a failed transfer too; only the outcome tells them apart.
    const std::string text = outcome ? device::flashOutcomeText(*outcome)
                                     : std::string("Flash failed: the transfer did not end.");
    m_text->setText(QString::fromStdString(text));
    m_relay.outputLine(text);
    m_buttons->setEnabled(true);
    if (m_succeeded) {
        m_bar->setValue(m_bar->maximum());
        QTimer::singleShot(kCompleteShownMs, this, &QDialog::accept);
    } else if (QPushButton* close = m_buttons->button(QDialogButtonBox::Close)) {
        close->setDefault(true);
        close->setFocus();
    }
    // Still registered: the relay is calling this dialog's handler right now.
    m_session->setFlashWindow(false);
    Q_EMIT transferEnded();
}

void FlashFileDlg::letGo()
{
    if (!m_registered) {
        return;
    }
    m_registered = false;
    m_relay.setHandler(Receiver::flashWindow, {});
    m_session->setFlashWindow(false);
}

} // namespace quillan::gateway::ui
