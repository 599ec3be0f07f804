#include "dialogs/WriteImportDlg.h"

#include "controls/TextRules.h"
#include "model/Text.h"
#include "settings/ProjectSettings.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quillan::dialogs {

WriteImportDlg::WriteImportDlg(ProjectSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings)
{
    build();
    setWindowTitle("Write Import");
    const bool isFloat = settings.mbWriteImportSettings() == 1;
    (isFloat ? m_float : m_integer)->setChecked(true);
    m_ok->setEnabled(false);
}

WriteImportDlg::WriteImportDlg(ProjectSettings& settings, const std::string& name, bool isFloat,
                               QWidget* parent)
    : QDialog(parent), m_settings(settings), m_modify(true)
{
    build();
    setWindowTitle("Modify Write Import");
    m_name->setText(QString::fromStdString(cp1252ToUtf8(name)));
    m_name->selectAll();
    (isFloat ? m_float : m_integer)->setChecked(true);
    m_integer->setEnabled(false);
    m_float->setEnabled(false);
    m_ok->setEnabled(!name.empty());
}

void WriteImportDlg::build()
{
    m_name = new QLineEdit(this);
    controls::guardModelText(*m_name);
    m_name->setMinimumWidth(200);
    m_integer = new QRadioButton("&Integer", this);
    m_float = new QRadioButton("&Float", this);
    connect(m_integer, &QRadioButton::clicked, this, [this] { typeClicked(false); });
    connect(m_float, &QRadioButton::clicked, this, [this] { typeClicked(true); });

    auto* types = new QHBoxLayout;
    types->addWidget(m_integer);
    types->addWidget(m_float);
    types->addStretch();

    auto* group = new QGroupBox("Command", this);
    auto* form = new QFormLayout(group);
    form->addRow("&Name:", m_name);
    form->addRow("Type:", types);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A write import without a name is never made or kept.
    connect(m_name, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_ok->setEnabled(!text.isEmpty()); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void WriteImportDlg::typeClicked(bool isFloat)
{
    m_settings.setMbWriteImportSettings(isFloat ? 1 : 0);
}

std::string WriteImportDlg::name() const
{
    return utf8ToCp1252(m_name->text().toStdString());
}

bool WriteImportDlg::isFloat() const
{
    return m_float->isChecked();
}

} // namespace quillan::dialogs
