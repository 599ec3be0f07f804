#include "shell/ConnectStatusDlg.h"

#include "model/Text.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace quillan::shell {

namespace {

bool isProgressCode(int code)
{
    switch (code) {
    case MSG_SESSION_START:
    case MSG_SESSION_START_ALT1:
    case MSG_UPDATE_START:
    case MSG_SESSION_START_ALT2:
    case MSG_FILE_START:
    case MSG_READ_PROGRESS:
    case MSG_PROGRESS_ALT:
    case MSG_WRITE_PROGRESS:
    case MSG_NODE_PROGRESS:
    case MSG_FILE_PROGRESS:
    case MSG_SESSION_DONE:
    case MSG_SESSION_FAILED:
        return true;
    default:
        return false;
    }
}

} // namespace

ConnectStatusDlg::ConnectStatusDlg(QWidget* parent) : QDialog(parent)
{
    setModal(false);
    setWindowTitle("Connecting...");
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel("Initializing...", this);
    m_text->setMinimumWidth(360);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, device::ProgressWindowModel::BAR_MAX);
    m_bar->setTextVisible(false);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
}

bool ConnectStatusDlg::handle(const Notification& notification)
{
    if (!isProgressCode(notification.code)) {
        return false;
    }
    const device::ProgressReaction reaction = m_model.handle(notification);
    if (reaction.handled) {
        sync();
    }
    return true;
}

QString ConnectStatusDlg::text() const
{
    return m_text->text();
}

int ConnectStatusDlg::position() const
{
    return m_bar->value();
}

void ConnectStatusDlg::sync()
{
    setWindowTitle(QString::fromStdString(cp1252ToUtf8(m_model.title())));
    m_text->setText(QString::fromStdString(cp1252ToUtf8(m_model.text())));
    m_bar->setValue(m_model.position());
    if (m_model.visible() && !isVisible()) {
        show();
        raise();
    } else if (!m_model.visible() && isVisible()) {
        hide();
    }
}

} // namespace quillan::shell
