#pragma once

#include <optional>

namespace quillan::shell {

// Every command of the main window's menus, toolbars and context menus.
enum class Command {
    // File
    newProject,
    retrieveProjectFile,
    exportCsv,
    open,
    save,
    saveAs,
    exit,
    // Edit
    removeSharedPoint,
    copy,
    paste,
    mapMoveUp,
    mapMoveDown,
    mapAddRefreshTime,
    mapRemoveRefreshTime,
    mapDelete,
    mapPasteInteger,
    mapPasteFloat,
    mapNewWriteImport,
    mapModifyWriteImport,
    mapEditStartingRegister,
    mapPoll,
    mapWrite,
    nodeRename,
    nodeEdit,
    nodeCopy,
    nodePaste,
    nodeUpdateDevice,
    nodeConnect,
    nodeReadSiteKey,
    nodeSaveFileToGateway,
    nodeDelete,
    importScaling,
    importPoints,
    outputPasteSource,
    outputRemoveSource,
    outputInterval,
    exportInterval,
    siteActivate,
    siteRemove,
    siteProperties,
    options,
    // Insert
    insertSite,
    insertGateway,
    insertModbusModule,
    insertMenu, // the drop-down button that offers the three above
    // View
    viewToolbar,
    viewStatusBar,
    viewProjectExplorer,
    viewOutputWindow,
    // Help
    about,
    productSupport,
};

// A part of the window that takes commands. The main frame offers each command to the project
// explorer first, then to the active tab's view, then takes it itself: the first handler that
// answers decides whether the command is enabled and runs it.
class CommandHandler {
public:
    virtual ~CommandHandler() = default;
    // Whether the command is enabled; none when this handler does not take it.
    [[nodiscard]] virtual std::optional<bool> commandEnabled(Command command) = 0;
    // Runs the command; false when this handler does not take it.
    virtual bool runCommand(Command command) = 0;
    // Whether a checkable command shows its check mark; none when this handler does not say.
    [[nodiscard]] virtual std::optional<bool> commandChecked(Command /*command*/)
    {
        return std::nullopt;
    }
};

} // namespace quillan::shell
