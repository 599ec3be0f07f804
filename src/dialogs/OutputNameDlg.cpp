#include "dialogs/OutputNameDlg.h"

#include "controls/TextRules.h"
#include "model/Text.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillan::dialogs {

OutputNameDlg::OutputNameDlg(const std::string& name, QWidget* parent)
    : QDialog(parent), m_name(name)
{
    setWindowTitle("Edit Point Name");
    m_box = new QLineEdit(QString::fromStdString(cp1252ToUtf8(name)), this);
    controls::guardModelText(*m_box);
    m_box->setMinimumWidth(220);
    m_box->selectAll();

    auto* group = new QGroupBox("Point", this);
    auto* form = new QFormLayout(group);
    form->addRow("&Name:", m_box);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setEnabled(!name.empty());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_box, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!text.isEmpty()) {
            m_name = utf8ToCp1252(text.toStdString());
        }
        // An emptied box would hand back an older text than the one on screen.
        m_ok->setEnabled(!text.isEmpty());
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace quillan::dialogs
