#include "shell/NewProjectDialog.h"

#include "model/Text.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillan::shell {

namespace {

// Characters no file name may hold on the systems the project file travels between.
const QString kForbidden = QStringLiteral("\\/:*?\"<>|");
// The project name is stored in the file's 8-bit character set.
bool fitsCharacterSet(const QString& text)
{
    const std::string utf8 = text.toStdString();
    return cp1252ToUtf8(utf8ToCp1252(utf8)) == utf8;
}

} // namespace

NewProjectDialog::NewProjectDialog(const QString& folder, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("New Project"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_name = new QLineEdit(this);
    m_name->setPlaceholderText(QStringLiteral("Project name"));
    form->addRow(QStringLiteral("Project &name:"), m_name);

    auto* folderRow = new QHBoxLayout;
    m_folder = new QLineEdit(QDir::toNativeSeparators(folder), this);
    m_folder->setMinimumWidth(300);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
    folderRow->addWidget(m_folder);
    folderRow->addWidget(browse);
    auto* folderLabel = new QLabel(QStringLiteral("&Folder:"), this);
    folderLabel->setBuddy(m_folder);
    form->addRow(folderLabel, folderRow);
    layout->addLayout(form);

    auto* defaults = new QLabel(
        QStringLiteral("The project starts with a 900 MHz site (channel 0, group 0) and one "
                       "gateway."),
        this);
    defaults->setWordWrap(true);
    defaults->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(defaults);

    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);
    QPalette warning = m_problem->palette();
    warning.setColor(QPalette::WindowText, QColor("#ffb454"));
    m_problem->setPalette(warning);
    layout->addWidget(m_problem);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);

    connect(browse, &QPushButton::clicked, this, &NewProjectDialog::browse);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_name, &QLineEdit::textChanged, this, &NewProjectDialog::revalidate);
    connect(m_folder, &QLineEdit::textChanged, this, &NewProjectDialog::revalidate);
    revalidate();
    m_name->setFocus();
}

QString NewProjectDialog::problem() const
{
    const QString name = m_name->text().trimmed();
    if (name.isEmpty()) {
        return QStringLiteral("Enter a name for the project.");
    }
    for (const QChar c : name) {
        if (kForbidden.contains(c) || c.unicode() < 0x20) {
            return QStringLiteral("A project name cannot contain any of %1").arg(kForbidden);
        }
    }
    if (!fitsCharacterSet(name)) {
        return QStringLiteral("The project name holds a character a project file cannot keep.");
    }
    const QString folder = m_folder->text().trimmed();
    if (folder.isEmpty()) {
        return QStringLiteral("Choose the folder the project is saved in.");
    }
    if (!QFileInfo(folder).isDir()) {
        return QStringLiteral("The folder does not exist.");
    }
    return {};
}

NewProjectValues NewProjectDialog::values() const
{
    NewProjectValues values;
    values.name = utf8ToCp1252(m_name->text().trimmed().toStdString());
    values.folder = QDir::fromNativeSeparators(m_folder->text().trimmed()).toStdString();
    values.band = band900;
    values.channel = 0;
    values.group = 0;
    values.gateway = NewGatewayValues{};
    return values;
}

void NewProjectDialog::browse()
{
    const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("Project Folder"),
                                                             m_folder->text().trimmed());
    if (!chosen.isEmpty()) {
        m_folder->setText(QDir::toNativeSeparators(chosen));
    }
}

void NewProjectDialog::revalidate()
{
    const QString why = problem();
    m_problem->setText(why);
    m_problem->setVisible(!why.isEmpty() && !m_name->text().isEmpty());
    m_ok->setEnabled(why.isEmpty());
}

} // namespace quillan::shell
