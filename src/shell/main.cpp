// quillan [--port PORT|sim] [PROJECT]
#include "platform/QtSettingsStore.h"
#include "shell/DarkTheme.h"
#include "shell/MainFrame.h"
#include "shell/TarnApp.h"
#include "shell/Version.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[])
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName("Quillan");
    QApplication::setApplicationVersion(quillan::shell::VERSION_NUMBER);
    quillan::shell::applyDarkTheme(qapp);

    QCommandLineParser parser;
    parser.setApplicationDescription("Configures ZAV Gateway Modules and their wireless I/O.");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption port("port",
                            "The gateway's serial port, or sim for the built-in simulated gateway "
                            "(default: the port override setting, else the detected gateway).",
                            "PORT");
    parser.addOption(port);
    parser.addPositionalArgument("PROJECT", "A project file (.zavproj) to open.", "[PROJECT]");
    parser.process(qapp);

    quillan::shell::AppOptions options;
    if (parser.isSet(port)) {
        options.port = parser.value(port).toStdString();
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.project = parser.positionalArguments().first().toStdString();
    }

    quillan::platform::QtSettingsStore store;
    quillan::shell::TarnApp app(store, options);
    quillan::shell::MainFrame frame(app);
    frame.startUp();
    return QApplication::exec();
}
