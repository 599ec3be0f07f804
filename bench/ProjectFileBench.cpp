// Opening and saving a project of about 10 MB (some 90 gateways of 400 shared, mapped points),
// and the cold start of `quillan-cli show` on it: a new process each time, as a script runs it.
// Wall-clock times: a save waits for the disk, and the cold start runs in another process.
#include "document/TarnDoc.h"
#include "model/UserPrompts.h"
#include "support/LargeProject.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using namespace quillan;

namespace {

constexpr size_t PROJECT_TARGET_BYTES = 10'000'000;

struct TenMegabytes {
    test::TempDir dir;
    std::string path = dir.file("Bench.zavproj");
    size_t bytes = 0;
    size_t gateways = 0;

    TenMegabytes()
    {
        NullNotificationSink sink;
        NullPrompts prompts;
        TarnDoc doc{sink, prompts};
        bytes = test::growLargeProject(doc, PROJECT_TARGET_BYTES).size();
        gateways = doc.nodes().size() - 1;
        if (!doc.saveDocument(path)) {
            path.clear();
        }
    }
};

const TenMegabytes& project()
{
    static const TenMegabytes made;
    return made;
}

void report(benchmark::State& state)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * project().bytes));
    state.counters["project_bytes"] = static_cast<double>(project().bytes);
    state.counters["gateways"] = static_cast<double>(project().gateways);
}

void BM_OpenTenMegabyteProject(benchmark::State& state)
{
    if (project().path.empty()) {
        state.SkipWithError("the project could not be written");
        return;
    }
    NullNotificationSink sink;
    NullPrompts prompts;
    for (auto _ : state) {
        auto doc = std::make_unique<TarnDoc>(sink, prompts);
        if (!doc->openDocument(project().path)) {
            state.SkipWithError("the project did not open");
            return;
        }
        state.PauseTiming(); // closing is not opening
        doc.reset();
        state.ResumeTiming();
    }
    report(state);
}

void BM_SaveTenMegabyteProject(benchmark::State& state)
{
    NullNotificationSink sink;
    NullPrompts prompts;
    TarnDoc doc{sink, prompts};
    if (project().path.empty() || !doc.openDocument(project().path)) {
        state.SkipWithError("the project did not open");
        return;
    }
    const std::string target = project().dir.file("Saved.zavproj");
    for (auto _ : state) {
        if (!doc.saveDocument(target)) {
            state.SkipWithError("the project could not be saved");
            return;
        }
    }
    report(state);
}

void BM_CliShowColdStart(benchmark::State& state)
{
    if (project().path.empty()) {
        state.SkipWithError("the project could not be written");
        return;
    }
    std::string cli = QUILLAN_CLI_PATH;
    std::string show = "show";
    std::string file = project().path;
    char* argv[] = {cli.data(), show.data(), file.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawn(&pid, cli.c_str(), &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("quillan-cli did not start");
            break;
        }
        int status = 0;
        (void)waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("quillan-cli show failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    report(state);
}

BENCHMARK(BM_OpenTenMegabyteProject)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_SaveTenMegabyteProject)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_CliShowColdStart)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

} // namespace
BENCHMARK_MAIN();
