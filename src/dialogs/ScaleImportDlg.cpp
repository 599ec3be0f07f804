#include "dialogs/ScaleImportDlg.h"

#include "controls/CSpinEdit.h"
#include "gateway/ZAVGateway.h"
#include "model/Import.h"
#include "model/Text.h"
#include "views/ListRowModel.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace quillan::dialogs {

ScaleImportDlg::ScaleImportDlg(const Import& point, QWidget* parent) : QDialog(parent)
{
    const std::string* module = point.getModuleName();
    setWindowTitle(views::displayText(
        strprintf("Scale Import - ( %s:%s:%s )", nameOf(point.getGatewayName()),
                  module != nullptr ? module->c_str() : "Base", nameOf(point.getPointName()))));

    using controls::CSpinEdit;
    m_offset = new CSpinEdit(this);
    CSpinEdit::Settings offset;
    offset.value = static_cast<double>(point.offset);
    offset.defaultValue = offset.value;
    offset.minimum = -1000000.0;
    offset.maximum = 1000000.0;
    offset.step = 0.1;
    offset.decimals = 1;
    offset.mode = CSpinEdit::floatMode;
    m_offset->configure(offset);

    m_gain = new CSpinEdit(this);
    CSpinEdit::Settings gain;
    gain.value = static_cast<double>(point.gain);
    gain.defaultValue = gain.value;
    gain.minimum = 0.0;
    gain.maximum = 10000.0;
    gain.step = 0.01;
    gain.decimals = 8;
    gain.mode = CSpinEdit::floatMode;
    m_gain->configure(gain);

    auto* group = new QGroupBox("Scaling", this);
    auto* form = new QFormLayout(group);
    form->addRow("&Offset:", m_offset);
    form->addRow("&Gain:", m_gain);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    setMinimumWidth(320); // room for the title
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
