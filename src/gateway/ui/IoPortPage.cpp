#include "gateway/ui/IoPortPage.h"

#include "controls/ClampSpinBox.h"
#include "model/MBModule.h"
#include "model/SerialPortDefinition.h"
#include "model/Text.h"

#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

namespace quillan::gateway::ui {

IoPortPage::IoPortPage(ModbusModuleSettings& settings, const SerialPortDefinition* rtuPort,
                       QWidget* parent)
    : PropertyPage("IO Bus", parent), m_settings(settings), m_port(settings.port),
      m_slaveId(settings.slaveId != 0 ? settings.slaveId : 1)
{
    m_portList = new QComboBox(this);
    if (rtuPort != nullptr && rtuPort->protocol == protocolModbusMaster) {
        m_portList->addItem(QString::fromStdString(cp1252ToUtf8(rtuPort->portName)));
        m_portList->setCurrentIndex(0);
    }
    // The port follows the gateway's port settings, never this list.
    m_portList->setEnabled(false);
    m_portList->setMinimumWidth(120);

    m_slaveIdBox = new controls::ClampSpinBox(this);
    m_slaveIdBox->setRange(1, 247);
    m_slaveIdBox->setValue(m_slaveId);
    // What the box shows is what OK writes, also for an id out of range in a file.
    m_slaveId = static_cast<uint8_t>(m_slaveIdBox->value());
    connect(m_slaveIdBox, &QSpinBox::valueChanged, this,
            [this](int value) { m_slaveId = static_cast<uint8_t>(value); });

    m_slaveIdBox->setMinimumWidth(120);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow("&Port:", m_portList);
    form->addRow("&Slave ID:", m_slaveIdBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
}

void IoPortPage::apply()
{
    m_slaveIdBox->interpretText();
    m_settings.port = m_port;
    m_settings.slaveId = m_slaveId;
}

} // namespace quillan::gateway::ui
