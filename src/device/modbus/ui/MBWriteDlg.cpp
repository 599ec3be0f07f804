#include "device/modbus/ui/MBWriteDlg.h"

#include "controls/VelNumEdit.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillan::device::modbus {

namespace {

// Long enough for any value a register takes, with room for a float's decimals.
constexpr int kMaxValueLength = 20;

// The hint in a colour that stands out from the window's text on a light or a dark theme.
QColor attentionColour(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128 ? QColor(0xFF, 0x7B, 0x72)
                                                             : QColor(0xB3, 0x26, 0x1E);
}

} // namespace

MBWriteDlg::MBWriteDlg(uint16_t reg, const QString& registerText, const QString& pointText,
                       QWidget* parent)
    : QDialog(parent), m_register(reg)
{
    setWindowTitle(QString("Send Modbus Write (Register %1)").arg(registerText.trimmed()));
    const bool isFloat = reg > LAST_INTEGER_REGISTER;

    auto* edit = new controls::VelNumEdit(this);
    // No sign, and a decimal point only where the register holds a float.
    edit->setAllowDecimal(isFloat);
    edit->setMaxLength(kMaxValueLength);
    m_edit = edit;
    m_hint = new QLabel(
        isFloat ? "A decimal number, such as 12.5." : "A whole number from 0 to 32767.", this);

    auto* frame = new QGroupBox(pointText.isEmpty() ? QString("Point") : pointText, this);
    auto* form = new QFormLayout(frame);
    form->addRow("&Value:", m_edit);
    form->addRow(QString(), m_hint);

    auto* buttons = new QDialogButtonBox(this);
    m_send = buttons->addButton("Send", QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    m_send->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_edit, &QLineEdit::textChanged, this, &MBWriteDlg::textChanged);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(buttons);
    setMinimumWidth(320); // room for the title
    m_edit->setFocus();
    textChanged();
}

std::optional<WriteValue> MBWriteDlg::value() const
{
    return parseWriteValue(m_register, m_edit->text().toStdString());
}

void MBWriteDlg::textChanged()
{
    const bool valid = value().has_value();
    m_send->setEnabled(valid);
    QPalette palette = m_hint->palette();
    const bool refused = !valid && !m_edit->text().isEmpty();
    palette.setColor(QPalette::WindowText, refused ? attentionColour(this->palette())
                                                   : this->palette().color(QPalette::WindowText));
    m_hint->setPalette(palette);
}

} // namespace quillan::device::modbus
