// The main window's document flows: New, Open, Save, Save As and the save prompt.
#include "dialogs/WizNewProjectSheet.h"
#include "model/Text.h"
#include "shell/MainFrame.h"
#include "shell/TarnApp.h"
#include "views/ProjectPane.h"
#include "views/TarnView.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>

namespace quillan::shell {

namespace {

constexpr const char* kFilter = "Quillan Project Files (*.zavproj)";
constexpr const char* kExtension = "zavproj";

std::string toModel(const QString& text)
{
    return utf8ToCp1252(text.toStdString());
}

} // namespace

bool MainFrame::saveModified()
{
    TarnDoc& doc = m_app.document();
    if (!doc.isModified()) {
        return true;
    }
    const std::string question =
        "Save changes to " + toModel(QString::fromStdString(doc.title())) + "?";
    switch (m_app.prompts().ask(MessageIcon::warning, "Quillan", question,
                                MessageButtons::yesNoCancel)) {
    case MessageAnswer::yes:
        return saveDocument();
    case MessageAnswer::no:
        return true;
    default:
        return false;
    }
}

void MainFrame::runNewProject()
{
    if (!saveModified()) {
        return;
    }
    // The old project goes before the wizard opens, as with any New: a cancelled wizard
    // leaves an empty document.
    m_tarnView->documentReplaced();
    m_app.document().deleteContents();
    documentShown(false);

    dialogs::WizNewProjectSheet wizard(m_app.settings(), this);
    const bool confirmed = wizard.exec() == QDialog::Accepted;
    // The wizard remembers its config port mode as the one later gateways take.
    m_app.document().setDefaultConfigPortMode(
        static_cast<uint32_t>(std::clamp(m_app.settings().defaultConfigPortMode(), 0, 1)));
    if (confirmed) {
        (void)createDocument(wizard.values(), ExistingFile::replace);
    }
}

bool MainFrame::createDocument(const NewProjectValues& values, ExistingFile existing)
{
    const QString folder = QString::fromStdString(values.folder);
    const QString path =
        QDir(folder).filePath(QString::fromStdString(cp1252ToUtf8(values.name)) + ".zavproj");
    if (existing == ExistingFile::ask && QFileInfo::exists(path)) {
        const std::string question =
            toModel(QDir::toNativeSeparators(path)) +
            " already exists.\nDo you want to replace it with the new project?";
        if (m_app.prompts().ask(MessageIcon::warning, "New Project", question,
                                MessageButtons::yesNoDefaultNo) != MessageAnswer::yes) {
            return false;
        }
    }
    // The views let go of the old nodes before the document destroys them.
    m_tarnView->documentReplaced();
    const DocumentStatus status = m_app.document().createProject(values);
    m_app.document().linkAfterLoad();
    // The new project opened its gateway on the Modbus tab; that stays.
    documentShown(true);
    if (!status) {
        // The project stays open, unsaved, for Save As to another place.
        reportDocumentFailure(status, path);
        return false;
    }
    m_app.settings().setWizardDefaultLoc(values.folder);
    m_recent.add(path);
    saveRecentFiles();
    return true;
}

void MainFrame::runOpen()
{
    QString start = QString::fromStdString(m_app.document().path());
    start = start.isEmpty() ? QString::fromStdString(m_app.settings().wizardDefaultLoc())
                            : QFileInfo(start).absolutePath();
    QFileDialog dialog(this, "Open", start, kFilter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(kExtension);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    (void)openDocumentFile(dialog.selectedFiles().front());
}

bool MainFrame::openDocumentFile(const QString& path)
{
    TarnDoc& doc = m_app.document();
    const std::string file = QDir::fromNativeSeparators(path).toStdString();
    // A file that cannot be read must not cost the open project anything: read it aside
    // first, unless there is nothing to lose.
    if (doc.root() != nullptr || doc.isModified()) {
        NullNotificationSink sink;
        NullPrompts prompts;
        TarnDoc trial(sink, prompts);
        if (const DocumentStatus status = trial.openDocument(file); !status) {
            reportDocumentFailure(status, path);
            m_recent.remove(path);
            saveRecentFiles();
            return false;
        }
    }
    if (!saveModified()) {
        return false;
    }
    m_tarnView->documentReplaced();
    const DocumentStatus status = doc.openDocument(file);
    if (!status) {
        documentShown(false);
        reportDocumentFailure(status, path);
        m_recent.remove(path);
        saveRecentFiles();
        return false;
    }
    doc.linkAfterLoad();
    documentShown(false);
    m_recent.add(QString::fromStdString(doc.path()));
    saveRecentFiles();
    return true;
}

bool MainFrame::saveDocument()
{
    const std::string& path = m_app.document().path();
    if (path.empty()) {
        return runSaveAs();
    }
    return saveDocumentAs(QString::fromStdString(path));
}

bool MainFrame::runSaveAs()
{
    const TarnDoc& doc = m_app.document();
    QString start = QString::fromStdString(doc.path());
    if (start.isEmpty() && doc.root() != nullptr) {
        start = QString::fromStdString(cp1252ToUtf8(doc.root()->projectName())) + ".zavproj";
    }
    QFileDialog dialog(this, "Save As", start, kFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(kExtension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    return saveDocumentAs(dialog.selectedFiles().front());
}

bool MainFrame::saveDocumentAs(const QString& path)
{
    const DocumentStatus status =
        m_app.document().saveDocument(QDir::fromNativeSeparators(path).toStdString());
    refreshTitle();
    if (!status) {
        // The file on disk is as it was: the document writes a new file beside it first.
        reportDocumentFailure(status, path);
        return false;
    }
    m_recent.add(QString::fromStdString(m_app.document().path()));
    saveRecentFiles();
    return true;
}

void MainFrame::documentShown(bool keepOpenedNode)
{
    m_projectPane->rebuild();
    if (!keepOpenedNode) {
        m_tarnView->documentReplaced();
    }
    refresh();
}

void MainFrame::reportDocumentFailure(const DocumentStatus& status, const QString& path)
{
    std::string text = status.message;
    text += "\n\n" + toModel(QDir::toNativeSeparators(path));
    if (!status.detail.empty()) {
        text += "\n(" + status.detail + ")";
    }
    m_app.prompts().message(MessageIcon::error, "Quillan", text);
}

} // namespace quillan::shell
