// Start-up to the main window shown with a project of about 1 MB named on the command line:
// the application state, the main window with its panes, reading and linking the project, the
// tree and the tabs filled, the window placed, shown and painted. The project is made with the
// core: gateways with 400 named points each, every one shared with the previous gateway by
// radio and mapped to Modbus on both sides. QApplication is made once per process; its cost
// is reported beside the iterations as the counter qapplication_ms. Runs offscreen without a
// display, on settings of its own.
#include "document/TarnDoc.h"
#include "platform/QtSettingsStore.h"
#include "shell/DarkTheme.h"
#include "shell/MainFrame.h"
#include "shell/TarnApp.h"
#include "support/LargeProject.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>

using namespace quillan;

namespace {

constexpr size_t PROJECT_TARGET_BYTES = 1'000'000;

double g_qapplicationMs = 0;

std::string megabyteProject(const test::TempDir& dir)
{
    NullNotificationSink sink;
    NullPrompts prompts;
    TarnDoc doc{sink, prompts};
    (void)test::growLargeProject(doc, PROJECT_TARGET_BYTES);
    const std::string path = dir.file("Bench.zavproj");
    return doc.saveDocument(path) ? path : std::string();
}

void BM_StartToMainWindowWithMegabyteProject(benchmark::State& state)
{
    test::TempDir dir;
    const std::string path = megabyteProject(dir);
    if (path.empty()) {
        state.SkipWithError("the project could not be written");
        return;
    }
    for (auto _ : state) {
        platform::QtSettingsStore store;
        shell::AppOptions options;
        options.project = path;
        auto app = std::make_unique<shell::TarnApp>(store, options);
        auto frame = std::make_unique<shell::MainFrame>(*app);
        frame->startUp();
        while (frame->windowHandle() == nullptr || !frame->windowHandle()->isExposed()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        }
        // The first paint.
        QCoreApplication::processEvents();
        if (app->document().root() == nullptr) {
            state.SkipWithError("the project did not open");
            return;
        }
        state.PauseTiming();
        frame.reset();
        app.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["project_bytes"] = static_cast<double>(std::filesystem::file_size(path));
    state.counters["qapplication_ms"] = g_qapplicationMs;
}

BENCHMARK(BM_StartToMainWindowWithMegabyteProject)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char** argv)
{
    // Never the user's settings or window layout.
    test::TempDir config;
    ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    QElapsedTimer timer;
    timer.start();
    QApplication qapp(argc, argv);
    shell::applyDarkTheme(qapp);
    g_qapplicationMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
