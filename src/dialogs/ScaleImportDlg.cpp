#include "dialogs/ScaleImportDlg.h"

#include "gateway/ZAVGateway.h"
#include "model/Import.h"
#include "model/Text.h"
#include "views/ListRowModel.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLocale>
#include <QVBoxLayout>
#include <algorithm>

namespace quillan::dialogs {

namespace {

// A number typed outside the range is taken and then clamped to it when the edit ends, where
// a plain spin box would refuse the keystroke.
class ClampingSpinBox final : public QDoubleSpinBox {
public:
    using QDoubleSpinBox::QDoubleSpinBox;

    QValidator::State validate(QString& text, int& pos) const override
    {
        const QValidator::State state = QDoubleSpinBox::validate(text, pos);
        if (state != QValidator::Invalid) {
            return state;
        }
        bool isNumber = false;
        const double value = locale().toDouble(text.trimmed(), &isNumber);
        return isNumber && (value < minimum() || value > maximum()) ? QValidator::Intermediate
                                                                    : state;
    }

    void fixup(QString& text) const override
    {
        bool isNumber = false;
        const double value = locale().toDouble(text.trimmed(), &isNumber);
        if (isNumber) {
            text = textFromValue(std::clamp(value, minimum(), maximum()));
        } else {
            QDoubleSpinBox::fixup(text);
        }
    }
};

} // namespace

ScaleImportDlg::ScaleImportDlg(const Import& point, QWidget* parent) : QDialog(parent)
{
    const std::string* module = point.getModuleName();
    setWindowTitle(views::displayText(
        strprintf("Scale Import - ( %s:%s:%s )", nameOf(point.getGatewayName()),
                  module != nullptr ? module->c_str() : "Base", nameOf(point.getPointName()))));

    m_offset = new ClampingSpinBox(this);
    m_offset->setDecimals(1);
    m_offset->setRange(-1000000.0, 1000000.0);
    m_offset->setSingleStep(0.1);
    m_offset->setValue(static_cast<double>(point.offset));

    m_gain = new ClampingSpinBox(this);
    m_gain->setDecimals(8);
    m_gain->setRange(0.0, 10000.0);
    m_gain->setSingleStep(0.01);
    m_gain->setValue(static_cast<double>(point.gain));

    for (QDoubleSpinBox* box : {m_offset, m_gain}) {
        box->setKeyboardTracking(false);
        box->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
        box->setMinimumWidth(160);
    }

    auto* group = new QGroupBox("Scaling", this);
    auto* form = new QFormLayout(group);
    form->addRow("Offset:", m_offset);
    form->addRow("Gain:", m_gain);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

double ScaleImportDlg::offset() const
{
    return m_offset->value();
}

double ScaleImportDlg::gain() const
{
    return m_gain->value();
}

} // namespace quillan::dialogs
