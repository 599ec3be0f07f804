#include "shell/GatewayIndicator.h"

#include "device/LinkFactory.h"

#include <QLabel>
#include <QStatusBar>

namespace quillan::shell {

GatewayIndicator::GatewayIndicator(QStatusBar& bar) : QObject(&bar)
{
    m_pane = new QLabel(&bar);
    m_pane->setObjectName("GatewayIndicator");
    m_pane->setAccessibleName("Attached gateway");
    m_pane->setFrameShape(QFrame::StyledPanel);
    m_pane->setFrameShadow(QFrame::Sunken);
    m_pane->setIndent(3);
    bar.addPermanentWidget(m_pane);
    show({});
}

QString GatewayIndicator::text(const std::string& port)
{
    if (port.empty()) {
        return QStringLiteral("No ZAV Gateway");
    }
    if (port == device::SIMULATOR_PORT_NAME) {
        return QStringLiteral("ZAV Gateway on sim (simulated)");
    }
    return QStringLiteral("ZAV Gateway on %1").arg(QString::fromStdString(port));
}

void GatewayIndicator::show(const std::string& port)
{
    const QString shown = text(port);
    m_pane->setText(shown);
    m_pane->setAccessibleDescription(shown);
    // Off is drawn dimmed, as the lock-key panes are.
    m_pane->setEnabled(!port.empty());
    m_pane->setToolTip(port.empty()
                           ? QStringLiteral("No gateway is attached: plug in its USB cable, or "
                                            "choose its port in Edit > Options...")
                           : QStringLiteral("The gateway is attached on the port %1")
                                 .arg(QString::fromStdString(port)));
}

} // namespace quillan::shell
