#include "dialogs/ExportIntervalDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace quillan::dialogs {

ExportIntervalDlg::ExportIntervalDlg(uint32_t seconds, QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Export Interval");
    m_picker = new QTimeEdit(this);
    m_picker->setDisplayFormat("HH:mm:ss");
    // A file may hold a day or more; the picker shows up to its last second.
    const uint32_t shown = std::min<uint32_t>(seconds, 86399);
    m_picker->setTime(QTime(static_cast<int>(shown / 3600), static_cast<int>(shown % 3600 / 60),
                            static_cast<int>(shown % 60)));
    m_picker->setMinimumWidth(120);
    connect(m_picker, &QTimeEdit::timeChanged, this, [this] { m_edited = true; });

    auto* form = new QFormLayout;
    form->addRow("Interval:", m_picker);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(240); // room for the title
}

uint32_t ExportIntervalDlg::interval() const
{
    const QTime time = m_picker->time();
    return static_cast<uint32_t>(time.hour() * 3600 + time.minute() * 60 + time.second());
}

} // namespace quillan::dialogs
