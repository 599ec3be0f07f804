#include "gateway/ui/PortFields.h"

#include "controls/ClampSpinBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <initializer_list>
#include <utility>

namespace quillan::gateway::ui {

namespace {

using Entry = std::pair<const char*, uint32_t>;

constexpr int kMaxSlaveId = 247;
constexpr int kMaxExtendedSlaveId = 65535;

void fill(QComboBox& list, std::initializer_list<Entry> entries, uint32_t code,
          const QString& unofferedText = {})
{
    list.clear();
    for (const auto& [text, value] : entries) {
        list.addItem(text, value);
    }
    int at = list.findData(code);
    if (at < 0 && !unofferedText.isEmpty()) {
        list.addItem(unofferedText, code);
        at = list.count() - 1;
    }
    list.setCurrentIndex(at);
}

} // namespace

void fillBaudRates(QComboBox& list, uint32_t rate)
{
    fill(list,
         {{"1200", 1200},
          {"2400", 2400},
          {"4800", 4800},
          {"9600", 9600},
          {"19200", 19200},
          {"38400", 38400},
          {"57600", 57600},
          {"115200", 115200}},
         rate, QString::number(rate));
}

void fillParities(QComboBox& list, Parity parity)
{
    fill(list, {{"None", 1}, {"Even", 2}, {"Odd", 3}}, static_cast<uint32_t>(parity));
}

void fillStopBits(QComboBox& list, StopBits stopBits)
{
    // One and a half is a code of the record, though no list offers it.
    const auto code = static_cast<uint32_t>(stopBits);
    fill(list, {{"1", 1}, {"2", 2}}, code, stopBits == StopBits::onePointFive ? "1.5" : "");
}

void fillLines(QComboBox& list, uint16_t flags)
{
    fill(list, {{"RS232", 0}, {"RS485", PortRecord::kRs485Line}}, flags & PortRecord::kRs485Line);
}

uint32_t entryCode(const QComboBox& list, int index)
{
    return list.itemData(index).toUInt();
}

SlaveFields::SlaveFields(PortRecord& record, PageMode mode, QWidget* parent)
    : QGroupBox("Slave Properties", parent), m_record(record)
{
    const bool extended = (record.flags & PortRecord::kExtendedMode) != 0;
    m_slaveId = new controls::ClampSpinBox(this);
    m_extended = new QCheckBox("&Extended Mode", this);
    m_extended->setChecked(extended);
    m_split = new QCheckBox("Sp&lit 32-bit Values", this);
    m_split->setChecked((record.flags & PortRecord::kSplit32BitValues) != 0);
    if (mode == PageMode::readOnly) {
        // A device's record is shown as the device holds it, in range or not.
        m_slaveId->setRange(0, kMaxExtendedSlaveId);
    } else {
        m_slaveId->setRange(1, extended ? kMaxExtendedSlaveId : kMaxSlaveId);
    }
    m_slaveId->setValue(record.slaveId);
    // What the box shows is what OK writes, also for an id out of range in a file.
    m_record.slaveId = static_cast<uint16_t>(m_slaveId->value());

    auto* form = new QFormLayout(this);
    form->addRow("Slave &ID:", m_slaveId);
    form->addRow(m_extended);
    form->addRow(m_split);

    if (mode == PageMode::readOnly) {
        for (QWidget* control :
             {static_cast<QWidget*>(m_slaveId), static_cast<QWidget*>(m_extended),
              static_cast<QWidget*>(m_split)}) {
            control->setEnabled(false);
        }
        return;
    }
    connect(m_slaveId, &QSpinBox::valueChanged, this,
            [this](int value) { m_record.slaveId = static_cast<uint16_t>(value); });
    connect(m_extended, &QCheckBox::toggled, this, &SlaveFields::extendedToggled);
    connect(m_split, &QCheckBox::toggled, this, [this](bool on) {
        m_record.flags =
            static_cast<uint16_t>(on ? m_record.flags | PortRecord::kSplit32BitValues
                                     : m_record.flags & ~PortRecord::kSplit32BitValues);
    });
}

void SlaveFields::takeTypedValue()
{
    m_slaveId->interpretText();
}

void SlaveFields::extendedToggled(bool on)
{
    m_slaveId->interpretText();
    m_record.flags = static_cast<uint16_t>(on ? m_record.flags | PortRecord::kExtendedMode
                                              : m_record.flags & ~PortRecord::kExtendedMode);
    // Leaving extended mode brings a larger id down to 247.
    m_slaveId->setMaximum(on ? kMaxExtendedSlaveId : kMaxSlaveId);
    m_record.slaveId = static_cast<uint16_t>(m_slaveId->value());
}

} // namespace quillan::gateway::ui
