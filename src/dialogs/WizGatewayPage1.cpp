#include "dialogs/WizGatewayPage1.h"

#include "controls/ClampSpinBox.h"
#include "controls/GatewayEdit.h"
#include "dialogs/WizardSummary.h"
#include "model/Site.h"
#include "model/Text.h"
#include "settings/ProjectSettings.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

namespace quillan::dialogs {

namespace {

constexpr int kDefaultBaudIndex = 3; // 9600

QLabel* labelFor(const QString& text, QWidget* field, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(field);
    return label;
}

} // namespace

WizGatewayPage1::WizGatewayPage1(ProjectSettings& settings, QWidget* parent)
    : WizardPage("Step 3", "Configure the primary gateway.", parent), m_settings(settings),
      m_band(band900), m_gatewayName("Gateway")
{
    m_name = new controls::GatewayEdit(this);
    m_name->setText(m_gatewayName);
    m_type = new QComboBox(this);
    m_type->addItem("ZAV Gateway");
    m_type->setEnabled(false);
    m_txPower = new QComboBox(this);
    m_rtuPort = new QComboBox(this);
    m_rtuPort->addItems({"RS232", "RS485"});
    m_slaveId = new controls::ClampSpinBox(this);
    m_slaveId->setRange(1, 65535);
    m_slaveId->setValue(1);
    m_baudRate = new QComboBox(this);
    for (const int rate : BAUD_RATES) {
        m_baudRate->addItem(QString::number(rate));
    }
    m_baudRate->setCurrentIndex(kDefaultBaudIndex);
    m_configPortMode = new QComboBox(this);
    m_configPortMode->addItems({"Debug", "Modbus Slave"});
    m_configPortMode->setCurrentIndex(std::clamp(settings.defaultConfigPortMode(), 0, 1));

    auto* nameGroup = new QGroupBox("Gateway Na&me", this);
    auto* nameRow = new QVBoxLayout(nameGroup);
    nameRow->addWidget(m_name);

    auto* gatewayGroup = new QGroupBox("Gateway", this);
    auto* grid = new QGridLayout(gatewayGroup);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    grid->addWidget(labelFor("Type:", m_type, gatewayGroup), 0, 0);
    grid->addWidget(m_type, 0, 1);
    grid->addWidget(labelFor("&Tx Power:", m_txPower, gatewayGroup), 0, 3);
    grid->addWidget(m_txPower, 0, 4);
    grid->addWidget(labelFor("&RTU Port:", m_rtuPort, gatewayGroup), 1, 0);
    grid->addWidget(m_rtuPort, 1, 1);
    grid->addWidget(labelFor("&Slave ID:", m_slaveId, gatewayGroup), 1, 3);
    grid->addWidget(m_slaveId, 1, 4);
    grid->addWidget(labelFor("Baud Rat&e:", m_baudRate, gatewayGroup), 2, 0);
    grid->addWidget(m_baudRate, 2, 1);
    grid->addWidget(labelFor("Config &Port Mode:", m_configPortMode, gatewayGroup), 2, 3);
    grid->addWidget(m_configPortMode, 2, 4);
    grid->setColumnMinimumWidth(2, 12);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(nameGroup);
    layout->addWidget(gatewayGroup);
    layout->addStretch();

    connect(m_name, &QLineEdit::textEdited, this, &WizGatewayPage1::nameEdited);
    connect(m_name, &QLineEdit::editingFinished, this, &WizGatewayPage1::nameLeft);
    connect(m_configPortMode, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_settings.setDefaultConfigPortMode(index == 1 ? 1 : 0); });
}

NewGatewayValues WizGatewayPage1::values() const
{
    NewGatewayValues values;
    values.name = utf8ToCp1252(m_gatewayName.toStdString());
    values.txPowerIndex = static_cast<uint16_t>(std::max(m_txPower->currentIndex(), 0));
    values.rtuRs485 = m_rtuPort->currentIndex() == 1;
    values.baudRate = static_cast<uint32_t>(BAUD_RATES[std::max(m_baudRate->currentIndex(), 0)]);
    values.slaveId = static_cast<uint16_t>(m_slaveId->value());
    values.configPortModbus = m_configPortMode->currentIndex() == 1;
    return values;
}

void WizGatewayPage1::onSetActive()
{
    // Coming back on the same band keeps the power the user picked.
    if (m_listedBand == m_band && m_txPower->count() > 0) {
        return;
    }
    m_listedBand = m_band;
    m_txPower->clear();
    for (const char* power : txPowerTexts(m_band)) {
        m_txPower->addItem(QString::fromLatin1(power));
    }
    m_txPower->setCurrentIndex(preselectedTxPower(m_band));
}

void WizGatewayPage1::storeFields()
{
    m_slaveId->interpretText();
    nameLeft();
}

QList<QWidget*> WizGatewayPage1::tabChain() const
{
    return {m_name, m_type, m_txPower, m_rtuPort, m_slaveId, m_baudRate, m_configPortMode};
}

void WizGatewayPage1::nameEdited(const QString& text)
{
    if (!text.isEmpty()) {
        m_gatewayName = text;
    }
}

void WizGatewayPage1::nameLeft()
{
    if (m_name->text().isEmpty()) {
        m_name->setText(m_gatewayName);
    }
}

} // namespace quillan::dialogs
