#include "dialogs/WizProjectPage.h"

#include "controls/TextRules.h"
#include "dialogs/WizardSummary.h"
#include "model/Text.h"
#include "settings/ProjectSettings.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillan::dialogs {

namespace {

// The characters no file name may end in on the systems the project travels between; the
// name becomes the project file's name.
const QString kBadLastCharacters = QStringLiteral("\"*/:<>?\\|");

// The project file keeps its name in the 8-bit character set (the base class's rule): a
// character outside it would come back as '?', naming a file other than the one on disk.
class ProjectNameValidator final : public controls::ModelTextValidator {
public:
    using ModelTextValidator::ModelTextValidator;

protected:
    [[nodiscard]] State validateCp1252(const QString& input) const override
    {
        for (const QChar c : input) {
            if (c.unicode() < 0x20) {
                return Invalid;
            }
        }
        return Acceptable;
    }
};

} // namespace

WizProjectPage::WizProjectPage(ProjectSettings& settings, QWidget* parent)
    : WizardPage("Step 1", "Identify the project.", parent), m_settings(settings)
{
    m_name = new QLineEdit(this);
    m_name->setValidator(new ProjectNameValidator(m_name));
    controls::explainRefusals(*m_name);
    m_name->setMinimumWidth(300);
    m_folder = new QLineEdit(this);
    m_folder->setReadOnly(true);
    // Only "Browse..." changes the folder; the box says so by not looking like an input.
    QPalette readOnly = m_folder->palette();
    readOnly.setColor(QPalette::Base, readOnly.color(QPalette::Window));
    m_folder->setPalette(readOnly);
    // A folder that has gone since it was remembered is no place to save to.
    const QString remembered = QString::fromStdString(settings.wizardDefaultLoc());
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) {
        m_folder->setText(QDir::toNativeSeparators(remembered));
    }
    m_browse = new QPushButton("B&rowse...", this);

    auto* group = new QGroupBox("Project", this);
    auto* grid = new QGridLayout(group);
    auto* nameLabel = new QLabel("Project N&ame:", group);
    nameLabel->setBuddy(m_name);
    auto* folderLabel = new QLabel("File &Location:", group);
    folderLabel->setBuddy(m_folder);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(m_name, 0, 1, 1, 2);
    grid->addWidget(folderLabel, 1, 0);
    grid->addWidget(m_folder, 1, 1);
    grid->addWidget(m_browse, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setVerticalSpacing(10);

    auto* hint = new QLabel("The project file is named after the project and saved in this "
                            "folder. The next steps set up its first radio site and, if you "
                            "wish, its primary gateway.",
                            this);
    hint->setWordWrap(true);
    hint->setForegroundRole(QPalette::PlaceholderText);
    m_target = new QLabel(this);
    m_target->setWordWrap(true);
    m_target->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(group);
    layout->addWidget(hint);
    layout->addSpacing(8);
    layout->addWidget(m_target);
    layout->addStretch();

    connect(m_name, &QLineEdit::textChanged, this, &WizProjectPage::nameChanged);
    connect(m_folder, &QLineEdit::textChanged, this, &WizProjectPage::showTarget);
    showTarget();
    connect(m_browse, &QPushButton::clicked, this, &WizProjectPage::browse);
}

bool WizProjectPage::isComplete() const
{
    return !m_name->text().isEmpty() && !m_folder->text().isEmpty();
}

QString WizProjectPage::projectName() const
{
    return m_name->text();
}

QString WizProjectPage::folder() const
{
    return m_folder->text();
}

QList<QWidget*> WizProjectPage::tabChain() const
{
    return {m_name, m_folder, m_browse};
}

void WizProjectPage::nameChanged(const QString& text)
{
    // Only the last character is looked at, so a pasted name keeps what is inside it; taking
    // the character off changes the text again, which looks at the new last one.
    if (!text.isEmpty() && kBadLastCharacters.contains(text.back())) {
        // setText leaves the caret at the end.
        m_name->setText(text.chopped(1));
        return;
    }
    showTarget();
}

void WizProjectPage::showTarget()
{
    m_target->setVisible(isComplete());
    if (isComplete()) {
        m_target->setText(QStringLiteral("Project file: %1")
                              .arg(QString::fromStdString(wizardTargetPath(
                                  folder().toStdString(), projectName().toStdString()))));
    }
    Q_EMIT completeChanged();
}

void WizProjectPage::browse()
{
    const QString chosen = QFileDialog::getExistingDirectory(
        this, "Project File Folder", QDir::fromNativeSeparators(m_folder->text()),
        QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) {
        return;
    }
    m_folder->setText(QDir::toNativeSeparators(chosen));
    m_settings.setWizardDefaultLoc(chosen.toStdString());
}

} // namespace quillan::dialogs
