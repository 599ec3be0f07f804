#pragma once

#include "device/modbus/ModbusTab.h"

#include <QDialog>
#include <cstdint>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillan::device::modbus {

// "Write Value to Register": the value to send to one register of the gateway's Modbus slave,
// framed by the row's point. "Send" is enabled only while the text reads as a value the
// register takes: a whole number of 0 to 32767 up to register 7000, a decimal number above.
class MBWriteDlg final : public QDialog {
    Q_OBJECT
public:
    // registerText and pointText as the row shows them.
    MBWriteDlg(uint16_t reg, const QString& registerText, const QString& pointText,
               QWidget* parent = nullptr);

    // The value to send; none while "Send" is disabled.
    [[nodiscard]] std::optional<WriteValue> value() const;

    [[nodiscard]] QLineEdit& valueEdit() const { return *m_edit; }
    [[nodiscard]] QPushButton& sendButton() const { return *m_send; }

private:
    void textChanged();

    uint16_t m_register = 0;
    QLineEdit* m_edit = nullptr;
    QLabel* m_hint = nullptr;
    QPushButton* m_send = nullptr;
};

} // namespace quillan::device::modbus
