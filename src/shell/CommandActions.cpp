#include "shell/CommandActions.h"

#include "shell/Icons.h"

#include <QAction>
#include <QKeySequence>

namespace quillan::shell {

CommandActions::CommandActions(QObject* parent) : QObject(parent)
{
    using C = Command;
    add(C::newProject, "New &Project...")->setShortcut(QKeySequence("Ctrl+N"));
    add(C::retrieveProjectFile, "From ZAV Gateway");
    add(C::exportCsv, "Export to .CSV...");
    add(C::open, "&Open...")->setShortcut(QKeySequence("Ctrl+O"));
    add(C::save, "&Save")->setShortcut(QKeySequence("Ctrl+S"));
    add(C::saveAs, "Save &As...");
    add(C::exit, "E&xit");
    add(C::removeSharedPoint, "Remove Shared Poin&t")
        ->setShortcuts({QKeySequence("Ctrl+X"), QKeySequence("Shift+Del")});
    add(C::copy, "&Copy")->setShortcuts({QKeySequence("Ctrl+C"), QKeySequence("Ctrl+Ins")});
    add(C::paste, "&Paste")->setShortcuts({QKeySequence("Ctrl+V"), QKeySequence("Shift+Ins")});
    add(C::mapMoveUp, "Move Up");
    add(C::mapMoveDown, "Move Down");
    add(C::mapAddRefreshTime, "Add Refresh Time");
    add(C::mapRemoveRefreshTime, "Remove Refresh Time");
    add(C::mapDelete, "Delete");
    add(C::mapPasteInteger, "Paste Integer")->setCheckable(true);
    add(C::mapPasteFloat, "Paste Float")->setCheckable(true);
    add(C::mapNewWriteImport, "New Write Import...");
    add(C::mapModifyWriteImport, "Modify Write Import...");
    add(C::mapEditStartingRegister, "Edit Starting Register...");
    add(C::mapPoll, "Poll Modbus Register(s)");
    add(C::mapWrite, "Write Value to Register");
    add(C::nodeRename, "Re&name");
    add(C::nodeEdit, "Edit...");
    add(C::nodeCopy, "Copy");
    add(C::nodePaste, "Paste");
    add(C::nodeUpdateDevice, "Update Device");
    add(C::nodeConnect, "Connect...");
    add(C::nodeReadSiteKey, "Read Site Security Key");
    add(C::nodeSaveFileToGateway, "Save File to Gateway");
    add(C::nodeDelete, "Delete");
    add(C::importScaling, "Scaling...");
    add(C::importPoints, "Import Points");
    add(C::outputPasteSource, "Paste Output Source");
    add(C::outputRemoveSource, "Remove Output Source");
    add(C::outputInterval, "Interval...");
    add(C::exportInterval, "Interval...");
    add(C::siteActivate, "Activate");
    add(C::siteRemove, "Remove");
    add(C::siteProperties, "Properties...");
    add(C::options, "Options...");
    add(C::insertSite, "Site");
    add(C::insertGateway, "ZAV - Gateway");
    add(C::insertModbusModule, "Modbus Module");
    add(C::insertMenu, "Insert");
    add(C::viewToolbar, "&Toolbar")->setCheckable(true);
    add(C::viewStatusBar, "&Status Bar")->setCheckable(true);
    add(C::viewProjectExplorer, "&Project Explorer")->setCheckable(true);
    add(C::viewOutputWindow, "&Output Window")->setCheckable(true);
    add(C::about, "&About Quillan...");
    add(C::productSupport, "Product Support...");

    // The status bar's prompt while a menu entry or toolbar button is under the pointer.
    const std::pair<C, const char*> prompts[] = {
        {C::newProject, "Create a new project"},
        {C::retrieveProjectFile, "Retrieve the project file stored on the attached gateway"},
        {C::exportCsv, "Write every gateway's points to a .CSV file in the project folder"},
        {C::open, "Open an existing project"},
        {C::save, "Save the project"},
        {C::saveAs, "Save the project under a new name"},
        {C::exit, "Quit the application"},
        {C::removeSharedPoint, "Remove the selected shared points"},
        {C::copy, "Copy the selected points"},
        {C::paste, "Paste the copied points"},
        {C::nodeUpdateDevice, "Write the gateway's configuration to the device"},
        {C::nodeConnect, "Read the configuration of the attached device"},
        {C::nodeReadSiteKey, "Read the site security key of the attached device"},
        {C::nodeSaveFileToGateway, "Store the project file on the attached gateway"},
        {C::options, "Change the user options"},
        {C::viewToolbar, "Show or hide the toolbar"},
        {C::viewStatusBar, "Show or hide the status bar"},
        {C::viewProjectExplorer, "Show or hide the project explorer"},
        {C::viewOutputWindow, "Show or hide the output window"},
        {C::about, "Program information and version"},
        {C::productSupport, "Open the product support page in the web browser"},
    };
    for (const auto& [command, prompt] : prompts) {
        m_actions.at(command)->setStatusTip(prompt);
    }
}

QAction* CommandActions::add(Command command, const QString& text)
{
    auto* action = new QAction(commandIcon(command), text, this);
    connect(action, &QAction::triggered, this, [this, command] {
        if (m_run) {
            m_run(command);
        }
    });
    m_actions.emplace(command, action);
    return action;
}

QAction* CommandActions::action(Command command) const
{
    return m_actions.at(command);
}

QAction* CommandActions::alias(Command command, const QString& text)
{
    const QAction* shared = m_actions.at(command);
    auto* action = new QAction(shared->icon(), text, this);
    action->setStatusTip(shared->statusTip());
    connect(action, &QAction::triggered, this, [this, command] {
        if (m_run) {
            m_run(command);
        }
    });
    m_aliases.emplace_back(command, action);
    return action;
}

void CommandActions::setRouter(EnabledQuery enabled, Runner run, CheckedQuery checked)
{
    m_enabled = std::move(enabled);
    m_run = std::move(run);
    m_checked = std::move(checked);
}

void CommandActions::refreshEnabled()
{
    if (!m_enabled) {
        return;
    }
    for (const auto& [command, action] : m_aliases) {
        action->setEnabled(m_enabled(command));
    }
    for (const auto& [command, action] : m_actions) {
        action->setEnabled(m_enabled(command));
        if (action->isCheckable() && m_checked) {
            if (const auto checked = m_checked(command)) {
                action->setChecked(*checked);
            }
        }
    }
}

} // namespace quillan::shell
