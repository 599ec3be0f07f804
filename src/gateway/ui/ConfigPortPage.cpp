#include "gateway/ui/ConfigPortPage.h"

#include "controls/ClampSpinBox.h"
#include "dialogs/TabChain.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quillan::gateway::ui {

ConfigPortPage::ConfigPortPage(const PortRecord& record, PageMode mode, QWidget* parent)
    : PropertyPage("Config Port", parent), m_record(record), m_mode(mode)
{
    m_baud = new QComboBox(this);
    fillBaudRates(*m_baud, record.baudRate);
    m_parity = new QComboBox(this);
    fillParities(*m_parity, record.parity);
    m_stopBits = new QComboBox(this);
    fillStopBits(*m_stopBits, record.stopBits);
    // The device keeps the CONFIG port's line at its own settings.
    for (QComboBox* list : {m_baud, m_parity, m_stopBits}) {
        list->setEnabled(false);
    }

    auto* line = new QGroupBox("Port Settings", this);
    auto* lineForm = new QFormLayout(line);
    lineForm->addRow("Baud Rate:", m_baud);
    lineForm->addRow("Parity:", m_parity);
    lineForm->addRow("Stop Bits:", m_stopBits);

    auto* modeBox = new QGroupBox("Mode", this);
    m_modbusSlave = new QRadioButton("Modbus &Slave", modeBox);
    m_debug = new QRadioButton("&Debug", modeBox);
    auto* modes = new QButtonGroup(this);
    modes->addButton(m_modbusSlave);
    modes->addButton(m_debug);
    auto* modeLayout = new QVBoxLayout(modeBox);
    modeLayout->addWidget(m_modbusSlave);
    modeLayout->addWidget(m_debug);
    // A protocol the page does not offer shows neither mode and is kept until one is chosen:
    // shown as Debug, it would be written back as something else.
    const bool slave = record.protocol == PortProtocol::modbusSlave;
    m_modbusSlave->setChecked(slave);
    m_debug->setChecked(record.protocol == PortProtocol::debug);

    m_slave = new SlaveFields(m_record, mode, this);
    m_slave->setEnabled(slave);

    auto* layout = new QGridLayout(this);
    layout->addWidget(line, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(modeBox, 0, 1);
    layout->addWidget(m_slave, 1, 1);
    layout->setRowStretch(2, 1);

    if (mode == PageMode::readOnly) {
        m_modbusSlave->setEnabled(false);
        m_debug->setEnabled(false);
        return;
    }
    connect(m_modbusSlave, &QRadioButton::clicked, this,
            [this] { modeChosen(PortProtocol::modbusSlave); });
    connect(m_debug, &QRadioButton::clicked, this, [this] { modeChosen(PortProtocol::debug); });
    dialogs::setTabChain({m_modbusSlave, m_debug, &m_slave->slaveIdBox(), &m_slave->extendedBox(),
                          &m_slave->splitBox()});
}

void ConfigPortPage::modeChosen(PortProtocol protocol)
{
    m_record.protocol = protocol;
    m_slave->setEnabled(protocol == PortProtocol::modbusSlave);
}

void ConfigPortPage::apply()
{
    if (m_mode == PageMode::edit) {
        m_slave->takeTypedValue();
    }
}

} // namespace quillan::gateway::ui
