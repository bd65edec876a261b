// The cost of a refresh on the real /proc, beside the bare reads it rests on:
// - getMemoryDetails beside one pread of /proc/meminfo;
// - a full refresh (updateMemoryDisplay, with the application scan) beside reading meminfo,
//   listing /proc and reading every process's statm.
// Each ratio should stay under 3.

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "app/AppDelegate.h"
#include "platform/linux/KeyFilePreferenceStore.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/ProcHostMemory.h"
#include "platform/linux/SysLog.h"
#include "ui/terminal/TerminalStatusBar.h"
#include "ui/terminal/TerminalText.h"

namespace {

using namespace headroom;

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

/// A delegate with every real Linux adapter behind it, its preferences in a temporary file.
class RealDelegate {
  public:
    RealDelegate() {
        if (::mkdtemp(folder_) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        config_ = std::string(folder_) + "/preferences.ini";
        preferences_ = std::make_unique<KeyFilePreferenceStore>(config_, log_);
        std::string message;
        preferences_->load(message);
        platform_ = std::make_unique<LinuxPlatform>(*preferences_, log_, hostMemory_,
                                                    LinuxPlatform::Options{});
        delegate_ = std::make_unique<AppDelegate>(platform_->platform(statusBar_));
    }
    ~RealDelegate() {
        delegate_.reset();
        std::remove(config_.c_str());
        ::rmdir(folder_);
    }
    RealDelegate(const RealDelegate&) = delete;
    RealDelegate& operator=(const RealDelegate&) = delete;

    AppDelegate& delegate() { return *delegate_; }

  private:
    char folder_[32] = "/tmp/headroom-bench-XXXXXX";
    std::string config_;
    SysLog log_{escapeControlCharacters};
    std::unique_ptr<KeyFilePreferenceStore> preferences_;
    ProcHostMemory hostMemory_{"/proc"};
    std::unique_ptr<LinuxPlatform> platform_;
    TerminalStatusBar statusBar_;
    std::unique_ptr<AppDelegate> delegate_;
};

/// One getMemoryDetails of the delegate.
void BM_GetMemoryDetails(benchmark::State& state) {
    RealDelegate real;
    real.delegate().setDefaultValueForPreferences();
    real.delegate().monitor.getTotalMemory();
    for (auto _ : state) {
        real.delegate().monitor.getMemoryDetails();
        benchmark::DoNotOptimize(real.delegate().monitor.freeMemoryInStart());
    }
}
BENCHMARK(BM_GetMemoryDetails);

/// The anchor of a full refresh: meminfo, the process list, and every process's statm.
void BM_BareRefreshReads(benchmark::State& state) {
    const int meminfo = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    std::array<char, 8192> buffer{};
    std::size_t processes = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(::pread(meminfo, buffer.data(), buffer.size(), 0));
        DIR* proc = ::opendir("/proc");
        processes = 0;
        while (const dirent* entry = ::readdir(proc)) {
            if (entry->d_name[0] < '1' || entry->d_name[0] > '9') {
                continue;
            }
            const std::string path = std::string("/proc/") + entry->d_name + "/statm";
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                benchmark::DoNotOptimize(::read(fd, buffer.data(), buffer.size()));
                ::close(fd);
                ++processes;
            }
        }
        ::closedir(proc);
    }
    ::close(meminfo);
    state.counters["processes"] = static_cast<double>(processes);
}
BENCHMARK(BM_BareRefreshReads);

/// One tick of the refresh timer after a real launch: statistics, titles, application rows.
void BM_UpdateMemoryDisplay(benchmark::State& state) {
    RealDelegate real;
    real.delegate().applicationDidFinishLaunching();
    for (auto _ : state) {
        real.delegate().updateMemoryDisplay();
    }
    state.counters["applications"] =
        static_cast<double>(real.delegate().monitor.applicationListArray().size());
}
BENCHMARK(BM_UpdateMemoryDisplay);

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
    auto ratio = [&](const char* what, const char* anchor) {
        const auto a = reporter.nanoseconds.find(what);
        const auto b = reporter.nanoseconds.find(anchor);
        if (a != reporter.nanoseconds.end() && b != reporter.nanoseconds.end() && b->second > 0) {
            std::printf("ratio %s / %s: %.2f (target: under 3)\n", what, anchor,
                        a->second / b->second);
        }
    };
    ratio("BM_GetMemoryDetails", "BM_BareMeminfoRead");
    ratio("BM_UpdateMemoryDisplay", "BM_BareRefreshReads");
    return 0;
}
