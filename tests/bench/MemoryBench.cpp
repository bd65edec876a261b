// The cost of one statistics refresh on the real /proc, beside the bare read it rests on.
//
// Reported: the time of each, and "ratio" = refresh / bare read. The refresh should stay
// within a small multiple (under 3x) of reading /proc/meminfo itself.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "app/AppDelegate.h"
#include "platform/linux/GlibRunLoop.h"
#include "platform/linux/KeyFilePreferenceStore.h"
#include "platform/linux/ProcHostMemory.h"
#include "platform/linux/ProcWorkspace.h"
#include "platform/linux/SessionBusNotificationCenter.h"
#include "platform/linux/SysLog.h"
#include "ui/terminal/QuietFeedback.h"
#include "ui/terminal/TerminalStatusBar.h"

namespace {

using namespace headroom;

class NoApplication : public Application {
  public:
    void terminate() override {}
    void activateIgnoringOtherApps(bool /*flag*/) override {}
};

/// The anchor: one pread of /proc/meminfo through a descriptor kept open, no parsing.
void BM_BareMeminfoRead(benchmark::State& state) {
    const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        state.SkipWithError("cannot open /proc/meminfo");
        return;
    }
    std::array<char, 8192> buffer{};
    for (auto _ : state) {
        const ssize_t count = ::pread(fd, buffer.data(), buffer.size(), 0);
        benchmark::DoNotOptimize(count);
        benchmark::DoNotOptimize(buffer.data());
    }
    ::close(fd);
}
BENCHMARK(BM_BareMeminfoRead);

/// One getMemoryDetails of the delegate, with every real Linux adapter behind it.
void BM_GetMemoryDetails(benchmark::State& state) {
    char folder[] = "/tmp/headroom-bench-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        state.SkipWithError("cannot make a temporary folder");
        return;
    }
    const std::string config = std::string(folder) + "/preferences.ini";
    SysLog log;
    KeyFilePreferenceStore preferences(config, log);
    std::string message;
    preferences.load(message);
    GlibRunLoop runLoop;
    ProcHostMemory hostMemory("/proc");
    ProcWorkspace workspace("/proc");
    SessionBusNotificationCenter notifications(log);
    TerminalStatusBar statusBar;
    QuietFeedback feedback;
    NoApplication application;
    AppDelegate delegate(Platform{runLoop, preferences, hostMemory, log, workspace, notifications,
                                  statusBar, feedback, application, BundleInfo{},
                                  DeploymentSettings{}});
    delegate.setDefaultValueForPreferences();
    delegate.getTotalMemory();
    for (auto _ : state) {
        delegate.getMemoryDetails();
        benchmark::DoNotOptimize(delegate.freeMemoryInStart());
    }
    std::remove(config.c_str());
    ::rmdir(folder);
}
BENCHMARK(BM_GetMemoryDetails);

/// Console output as usual, and the mean time per run kept by name for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                nanoseconds[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
    }
    std::map<std::string, double> nanoseconds;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto bare = reporter.nanoseconds.find("BM_BareMeminfoRead");
    const auto refresh = reporter.nanoseconds.find("BM_GetMemoryDetails");
    if (bare != reporter.nanoseconds.end() && refresh != reporter.nanoseconds.end() &&
        bare->second > 0.0) {
        std::printf("ratio getMemoryDetails / bare read: %.2f (target: under 3)\n",
                    refresh->second / bare->second);
    }
    return 0;
}
