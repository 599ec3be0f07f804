#pragma once

#include "shell/Command.h"

#include <QObject>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

class QAction;

namespace quillan::shell {

// One QAction per command, with its menu text, accelerators, picture and status-bar prompt,
// shared by the main menu, the toolbars and the context menus. Triggering an action runs the
// command through the router; refreshEnabled asks the router which actions are enabled and
// which checkable ones are checked.
class CommandActions final : public QObject {
    Q_OBJECT
public:
    using EnabledQuery = std::function<bool(Command)>;
    using Runner = std::function<void(Command)>;
    using CheckedQuery = std::function<std::optional<bool>(Command)>;

    explicit CommandActions(QObject* parent = nullptr);

    [[nodiscard]] QAction* action(Command command) const;
    // The same command under another text, where a menu names it differently (Edit > Import
    // > "Points" is the tree's "Import Points"); enabled and run like the shared action.
    [[nodiscard]] QAction* alias(Command command, const QString& text);
    void setRouter(EnabledQuery enabled, Runner run, CheckedQuery checked = {});
    // Call before a menu shows and at idle time.
    void refreshEnabled();

private:
    QAction* add(Command command, const QString& text);

    std::map<Command, QAction*> m_actions;
    std::vector<std::pair<Command, QAction*>> m_aliases;
    EnabledQuery m_enabled;
    Runner m_run;
    CheckedQuery m_checked;
};

} // namespace quillan::shell
