// The point lists and the output window at their sizes of concern: the Imports and Modbus lists
// of a gateway at the 1,920 limits, filled from the core and drawn; 100,000 debug lines
// appended to the output window, logged and scrolled to.
#include "document/TarnDoc.h"
#include "gateway/PointCommands.h"
#include "gateway/ZAVGateway.h"
#include "model/UserPrompts.h"
#include "settings/MemorySettingsStore.h"
#include "shell/TarnApp.h"
#include "views/ListRowModel.h"
#include "views/OutputLineModel.h"
#include "views/OutputWnd.h"
#include "views/PointListView.h"
#include "views/TarnView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <memory>

using namespace quillan;

namespace {

// "Gateway" at 1,920 imports (its VIN, 959 write imports and 960 points shared from
// "Gateway_2") and 1,920 Modbus registers (the write imports' entries, the shared points and
// VIN).
struct FullLists {
    MemorySettingsStore store;
    std::unique_ptr<shell::TarnApp> app;
    ZAVGateway* gateway = nullptr;

    FullLists()
    {
        store.put("configPort", std::string("COM1"));
        store.put("configLogFile", QDir::temp().filePath("quillan-views-bench.log").toStdString());
        app = std::make_unique<shell::TarnApp>(store, shell::AppOptions{});
        TarnDoc& doc = app->document();
        doc.newProject({"Bench", "/tmp/", band900, 5, 10, NewGatewayValues{}});
        gateway = dynamic_cast<ZAVGateway*>(doc.nodes()[1].get());
        ZAVGateway* other = doc.insertGateway();
        for (int i = 0; i < 959; ++i) {
            (void)addNewWriteImport(*gateway, "Setpoint_" + std::to_string(i), i % 2 == 1);
            (void)addNewWriteImport(*other, "Remote_" + std::to_string(i), false);
        }
        std::vector<Import*> remote;
        other->forEachPoint([&remote](Import& p) { remote.push_back(&p); });
        const auto shared = importPoints(*other, *gateway, remote);
        (void)pasteToModbusMap(*gateway, {shared.begin(), shared.end()}, false);
        (void)pasteToModbusMap(*gateway, {gateway->localImports().front().get()}, true);
    }
};

// Made on first use and gone before the application object.
std::unique_ptr<FullLists> g_lists;

FullLists& fullLists()
{
    if (!g_lists) {
        g_lists = std::make_unique<FullLists>();
    }
    return *g_lists;
}

views::ListRowModel::Column column(const char* title, int width)
{
    return {title, width};
}

// Fills one list from the core, keeping the row at the top, and draws it.
template <class Fill> void fillIntoView(benchmark::State& state, Fill fill, int columns)
{
    std::vector<views::ListRowModel::Column> modelColumns;
    for (int c = 0; c < columns; ++c) {
        modelColumns.push_back(column("Column", 100));
    }
    views::PointListView view(new views::ListRowModel(modelColumns, true));
    view.resize(900, 600);
    view.show();
    QApplication::processEvents();
    size_t rows = 0;
    for (auto _ : state) {
        GatewayList list = fill();
        rows = list.rows.size();
        const int top = view.topRow();
        view.rows().setRows(std::move(list.rows));
        view.restoreTopRow(top);
        view.repaint();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_FillImportsAtLimit(benchmark::State& state)
{
    ZAVGateway& g = *fullLists().gateway;
    fillIntoView(
        state, [&g] { return g.fillImportList(); }, 5);
}
BENCHMARK(BM_FillImportsAtLimit)->Unit(benchmark::kMillisecond);

void BM_FillModbusAtLimit(benchmark::State& state)
{
    ZAVGateway& g = *fullLists().gateway;
    fillIntoView(
        state, [&g] { return g.fillModbusMapList(); }, 7);
}
BENCHMARK(BM_FillModbusAtLimit)->Unit(benchmark::kMillisecond);

// Opening the gateway: the Device tab and all four lists.
void BM_SelectFullGateway(benchmark::State& state)
{
    FullLists& lists = fullLists();
    views::TarnView view(*lists.app);
    view.resize(1000, 700);
    view.show();
    view.setCurrentIndex(views::TarnView::importsTab);
    view.nodeSelected(lists.gateway, nullptr);
    QApplication::processEvents();
    for (auto _ : state) {
        view.nodeChanged(lists.gateway, nullptr);
        view.repaint();
    }
}
BENCHMARK(BM_SelectFullGateway)->Unit(benchmark::kMillisecond);

// Argument 1 says whether the log file is open: the log makes every line reach the disk
// before the next one (the log's own rule), which costs far more than the window does.
void BM_AppendDebugLines(benchmark::State& state)
{
    FullLists& lists = fullLists();
    const QString log = QDir::temp().filePath("quillan-views-bench.log");
    lists.app->logFile().openLog(
        (state.range(1) != 0 ? log : QDir::temp().filePath("no-such-folder/x.log")).toStdString());
    views::OutputWnd wnd(*lists.app);
    wnd.suspend(); // no port here; the listener's timer is not part of this
    wnd.resize(900, 250);
    wnd.show();
    QApplication::processEvents();
    const auto count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int i = 0; i < count; ++i) {
            wnd.addDebugLine("MB: poll slave 5 register 3001 value 12345");
        }
        // The view catches up once, as it would after a burst.
        QApplication::processEvents();
        state.PauseTiming();
        wnd.clearDebug();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_AppendDebugLines)
    ->ArgNames({"lines", "log"})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFile::remove(QDir::temp().filePath("quillan-views-bench.log"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_lists.reset();
    return 0;
}
