#include "dialogs/EditStartingRegisterDlg.h"

#include "controls/ClampSpinBox.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

namespace quillan::dialogs {

EditStartingRegisterDlg::EditStartingRegisterDlg(int startingRegister, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle("Edit Starting Register");
    m_register = new controls::ClampSpinBox(this);
    m_register->setRange(0, MAX_STARTING_REGISTER);
    m_register->setValue(startingRegister);
    m_register->setMinimumWidth(100);

    auto* form = new QFormLayout;
    form->addRow("&Starting Register:", m_register);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(280); // room for the title
}

int EditStartingRegisterDlg::startingRegister() const
{
    return m_register->value();
}

} // namespace quillan::dialogs
