#pragma once

#include "model/PortRecord.h"

#include <QGroupBox>
#include <cstdint>

class QCheckBox;
class QComboBox;

namespace quillan::controls {
class ClampSpinBox;
}

namespace quillan::gateway::ui {

// A port page edits the project's port, or shows a device's port with every control disabled.
enum class PageMode { edit, readOnly };

// The line setting lists of the port pages. Each entry carries the record code it stands for;
// a code the list does not offer is shown as it is where it has a text, else as no selection,
// and stays in the record until the user picks another entry.
void fillBaudRates(QComboBox& list, uint32_t rate);
void fillParities(QComboBox& list, Parity parity);
void fillStopBits(QComboBox& list, StopBits stopBits);
// RS232 or RS485, by the record's line flag.
void fillLines(QComboBox& list, uint16_t flags);
// The record code of the list's entry at index.
[[nodiscard]] uint32_t entryCode(const QComboBox& list, int index);

// "Slave Properties" of a port page: slave id (1-247, or 1-65535 in extended mode), "Extended
// Mode" and "Split 32-bit Values", edited in the page's record as the user changes them.
class SlaveFields final : public QGroupBox {
    Q_OBJECT
public:
    SlaveFields(PortRecord& record, PageMode mode, QWidget* parent);

    [[nodiscard]] controls::ClampSpinBox& slaveIdBox() const { return *m_slaveId; }
    [[nodiscard]] QCheckBox& extendedBox() const { return *m_extended; }
    [[nodiscard]] QCheckBox& splitBox() const { return *m_split; }

    // A slave id still being typed counts, clamped, as it would on leaving the field.
    void takeTypedValue();

private:
    void extendedToggled(bool on);

    PortRecord& m_record;
    controls::ClampSpinBox* m_slaveId = nullptr;
    QCheckBox* m_extended = nullptr;
    QCheckBox* m_split = nullptr;
};

} // namespace quillan::gateway::ui
