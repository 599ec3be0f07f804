#pragma once

// The main window on settings of its own, its dialogs answered by a script, and project files
// made with the core.

#include "document/TarnDoc.h"
#include "platform/QtSettingsStore.h"
#include "shell/MainFrame.h"
#include "shell/TarnApp.h"
#include "support/TempDir.h"
#include "support/TestDoubles.h"

#include <QSettings>
#include <string>

namespace quillan::test {

// Forgets every setting of the test program (its configuration folder is its own).
inline void clearSettings()
{
    QSettings all(platform::QtSettingsStore::format(), QSettings::UserScope,
                  QString::fromLatin1(platform::QtSettingsStore::kOrganisation),
                  QString::fromLatin1(platform::QtSettingsStore::kApplication));
    all.clear();
    all.sync();
}

// Saves a new project under folder/name.zavproj; with or without its gateway.
inline std::string makeProject(const TempDir& dir, const std::string& name, bool withGateway)
{
    NullNotificationSink sink;
    NullPrompts prompts;
    TarnDoc doc(sink, prompts);
    NewProjectValues values;
    values.name = name;
    values.folder = dir.path().string();
    if (withGateway) {
        values.gateway = NewGatewayValues{};
    }
    return doc.createProject(values) ? dir.file(name + ".zavproj") : std::string();
}

// The tests clear the settings before they make one (init()).
struct ShellFixture {
    explicit ShellFixture(shell::AppOptions options = {}) : app(store, std::move(options))
    {
        app.prompts().setStandIn(&prompts);
    }
    ~ShellFixture() { app.prompts().setStandIn(nullptr); }

    platform::QtSettingsStore store;
    ScriptedPrompts prompts;
    shell::TarnApp app;
    shell::MainFrame frame{app};
};

} // namespace quillan::test
