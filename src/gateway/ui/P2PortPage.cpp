#include "gateway/ui/P2PortPage.h"

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

P2PortPage::P2PortPage(const PortRecord& record, RtuPortUse use, PageMode mode, QWidget* parent)
    : PropertyPage("RTU Port", parent), m_record(record), m_mode(mode)
{
    // Modules with different slave ids share the port as a multi-drop bus, which RS232 is not.
    if (mode == PageMode::edit && use.severalSlaves) {
        m_record.flags |= PortRecord::kRs485Line;
    }

    m_line = new QComboBox(this);
    fillLines(*m_line, m_record.flags);
    m_baud = new QComboBox(this);
    fillBaudRates(*m_baud, m_record.baudRate);
    m_parity = new QComboBox(this);
    fillParities(*m_parity, m_record.parity);
    m_stopBits = new QComboBox(this);
    fillStopBits(*m_stopBits, m_record.stopBits);

    auto* line = new QGroupBox("Port Settings", this);
    auto* lineForm = new QFormLayout(line);
    lineForm->addRow("Li&ne:", m_line);
    lineForm->addRow("&Baud Rate:", m_baud);
    lineForm->addRow("&Parity:", m_parity);
    lineForm->addRow("S&top Bits:", m_stopBits);

    auto* modeBox = new QGroupBox("Mode", this);
    m_modbusMaster = new QRadioButton("Modbus &Master", modeBox);
    m_modbusSlave = new QRadioButton("Modbus &Slave", modeBox);
    auto* modes = new QButtonGroup(this);
    modes->addButton(m_modbusMaster);
    modes->addButton(m_modbusSlave);
    auto* modeLayout = new QVBoxLayout(modeBox);
    modeLayout->addWidget(m_modbusMaster);
    modeLayout->addWidget(m_modbusSlave);
    m_modbusMaster->setChecked(m_record.protocol == PortProtocol::modbusMaster);
    m_modbusSlave->setChecked(m_record.protocol == PortProtocol::modbusSlave);

    m_slave = new SlaveFields(m_record, mode, this);
    m_slave->setEnabled(m_record.protocol == PortProtocol::modbusSlave);

    auto* layout = new QGridLayout(this);
    layout->addWidget(line, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(modeBox, 0, 1);
    layout->addWidget(m_slave, 1, 1);
    layout->setRowStretch(2, 1);

    if (mode == PageMode::readOnly) {
        for (QWidget* control :
             {static_cast<QWidget*>(m_line), static_cast<QWidget*>(m_baud),
              static_cast<QWidget*>(m_parity), static_cast<QWidget*>(m_stopBits),
              static_cast<QWidget*>(m_modbusMaster), static_cast<QWidget*>(m_modbusSlave)}) {
            control->setEnabled(false);
        }
        return;
    }
    // The modules poll the port as its master.
    m_modbusSlave->setEnabled(!use.moduleOnPort);
    m_line->setEnabled(!use.severalSlaves);

    connect(m_line, &QComboBox::activated, this, [this](int index) {
        m_record.flags = static_cast<uint16_t>((m_record.flags & ~PortRecord::kRs485Line) |
                                               entryCode(*m_line, index));
    });
    connect(m_baud, &QComboBox::activated, this,
            [this](int index) { m_record.baudRate = entryCode(*m_baud, index); });
    connect(m_parity, &QComboBox::activated, this, [this](int index) {
        m_record.parity = static_cast<Parity>(entryCode(*m_parity, index));
    });
    connect(m_stopBits, &QComboBox::activated, this, [this](int index) {
        m_record.stopBits = static_cast<StopBits>(entryCode(*m_stopBits, index));
    });
    connect(m_modbusMaster, &QRadioButton::clicked, this,
            [this] { modeChosen(PortProtocol::modbusMaster); });
    connect(m_modbusSlave, &QRadioButton::clicked, this,
            [this] { modeChosen(PortProtocol::modbusSlave); });
    dialogs::setTabChain({m_line, m_baud, m_parity, m_stopBits, m_modbusMaster, m_modbusSlave,
                          &m_slave->slaveIdBox(), &m_slave->extendedBox(), &m_slave->splitBox()});
}

void P2PortPage::modeChosen(PortProtocol protocol)
{
    m_record.protocol = protocol;
    // Both Modbus modes frame eight data bits.
    m_record.dataBits = 8;
    m_slave->setEnabled(protocol == PortProtocol::modbusSlave);
}

void P2PortPage::apply()
{
    if (m_mode == PageMode::edit) {
        m_slave->takeTypedValue();
    }
}

} // namespace quillan::gateway::ui
