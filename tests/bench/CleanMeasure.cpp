// One real Extreme Clean, measured: run by hand, never by ctest (it claims many GiB).
//
//     headroom_clean_measure [--cache-gib N] [--reserve-gib R] [--dir DIR]
//
// 1. Times the lookup of the "hd" image and the making of a few blocks (its TIFF encoding,
//    each into fresh memory).
// 2. Fills the page cache: writes an N GiB file (default 4) in DIR (default: the current
//    folder; a tmpfs is refused, its pages are not cache), syncs it, reads it back.
// 3. Launches the delegate on the real adapters and runs one clean from the menu row. The
//    memory it may claim is the real MemAvailable less R GiB (default 4), on top of the
//    clean's own safety floor, so that a shared machine keeps room for others.
// 4. Reports MemFree, MemAvailable and Cached before and after, the clean's wall time (and its
//    first phase), the lowest MemAvailable seen during it, the most blocks held and the
//    process's peak resident size. The file is deleted at the end (not before: deleting it
//    would drop its cache).

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "cleaner/CleanArithmetic.h"
#include "platform/linux/KeyFilePreferenceStore.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/MemInfo.h"
#include "platform/linux/PixbufBundleResources.h"
#include "platform/linux/ProcHostMemory.h"
#include "platform/linux/RegularFile.h"
#include "platform/linux/SysLog.h"
#include "ui/terminal/TerminalStatusBar.h"
#include "ui/terminal/TerminalText.h"

namespace {

using namespace headroom;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

struct Figures {
    std::uint64_t memFree = 0;
    std::uint64_t memAvailable = 0;
    std::uint64_t cached = 0;
};

Figures readFigures() {
    Figures f;
    std::string all;
    std::string reason;
    if (readRegularFile("/proc/meminfo", ProcHostMemory::kMeminfoLimit, all, reason) ==
        FileStatus::Ok) {
        const MemInfo info = parseMemInfo(all);
        f.memFree = info.memFree.value_or(0) * 1024;
        f.memAvailable = info.memAvailable.value_or(0) * 1024;
        // Cached is not among the parsed fields: find it by hand.
        const auto at = all.find("\nCached:");
        if (at != std::string::npos) {
            f.cached = std::strtoull(all.c_str() + at + 8, nullptr, 10) * 1024;
        }
    }
    return f;
}

double gib(std::uint64_t bytes) {
    return static_cast<double>(bytes) / static_cast<double>(kGiB);
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

/// The real machine, with `reserve` bytes of its available memory kept out of the clean's
/// reach.
class ReservedHostMemory final : public HostMemory {
  public:
    explicit ReservedHostMemory(std::uint64_t reserve) : reserve_(reserve) {}
    std::optional<VmStatistics> statistics(std::string& failure) override {
        return real_.statistics(failure);
    }
    std::uint64_t physicalMemory() override { return real_.physicalMemory(); }
    std::optional<MemoryPressure> pressure() override { return real_.pressure(); }
    std::optional<MachineMemory> machineMemory() override {
        auto machine = real_.machineMemory();
        if (machine) {
            machine->available = machine->available > reserve_ ? machine->available - reserve_ : 0;
        }
        return machine;
    }

  private:
    ProcHostMemory real_;
    std::uint64_t reserve_;
};

/// Writes `size` bytes to a new file in `folder`, syncs it and reads it back; the descriptor
/// is returned open and the file's name in `path`. -1 on failure, after a message.
int fillPageCache(const std::string& folder, std::uint64_t size, std::string& path) {
    struct statfs fs {};
    if (::statfs(folder.c_str(), &fs) != 0 || fs.f_type == TMPFS_MAGIC) {
        std::fprintf(stderr, "%s: not a disk-backed folder (tmpfs pages are not page cache)\n",
                     folder.c_str());
        return -1;
    }
    path = folder + "/headroom-cache-fill-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0) {
        std::perror("mkstemp");
        return -1;
    }
    std::vector<char> chunk(8 * kMiB, 'h');
    for (std::uint64_t written = 0; written < size; written += chunk.size()) {
        if (::write(fd, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size())) {
            std::perror("write");
            return -1;
        }
    }
    ::fsync(fd);
    for (std::uint64_t at = 0; at < size; at += chunk.size()) {
        if (::pread(fd, chunk.data(), chunk.size(), static_cast<off_t>(at)) <= 0) {
            break;
        }
    }
    return fd;
}

}  // namespace

int main(int argc, char** argv) {
    double cacheGib = 4.0;
    double reserveGib = 4.0;
    std::string folder = ".";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--cache-gib") {
            cacheGib = std::atof(argv[i + 1]);
        } else if (option == "--reserve-gib") {
            reserveGib = std::atof(argv[i + 1]);
        } else if (option == "--dir") {
            folder = argv[i + 1];
        } else {
            std::fprintf(stderr, "usage: %s [--cache-gib N] [--reserve-gib R] [--dir DIR]\n",
                         argv[0]);
            return 2;
        }
    }

    // 1. The cost of one block.
    PixbufBundleResources resources(HEADROOM_BENCH_RESOURCES_DIR);
    {
        std::string error;
        const auto lookup = Clock::now();
        const TiffMaker hd = resources.tiffRepresentation(Cleaner::kCleanBlockImage, error);
        if (!hd) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::printf("image looked up, decoded and encoded once: %.1f ms\n",
                    seconds(Clock::now() - lookup) * 1e3);
        std::vector<std::vector<std::uint8_t>> blocks;
        const auto start = Clock::now();
        for (int i = 0; i < 8; ++i) {
            blocks.push_back(hd());
        }
        const double each = seconds(Clock::now() - start) / 8;
        const std::uint64_t length = blocks.front().size();
        std::printf("block: %llu bytes (%.1f MiB), %.1f ms to make into fresh memory\n",
                    static_cast<unsigned long long>(length),
                    static_cast<double>(length) / static_cast<double>(kMiB), each * 1e3);
        std::printf("first phase at 16 GiB free: %llu passes, about %.1f s\n",
                    static_cast<unsigned long long>(16 * kGiB / length + 1),
                    static_cast<double>(16 * kGiB / length + 1) * (each + 0.01));
    }

    // 2. The page cache.
    std::string cachePath;
    const int cacheFd = fillPageCache(
        folder, static_cast<std::uint64_t>(cacheGib * static_cast<double>(kGiB)), cachePath);
    if (cacheFd < 0) {
        if (!cachePath.empty()) {
            ::unlink(cachePath.c_str());
        }
        return 1;
    }

    // 3. One clean on the real adapters.
    const std::string config = cachePath + ".ini";
    SysLog log(escapeControlCharacters, true);
    KeyFilePreferenceStore preferences(config, log);
    std::string message;
    preferences.load(message);
    ReservedHostMemory memory(static_cast<std::uint64_t>(reserveGib * static_cast<double>(kGiB)));
    LinuxPlatform platform(preferences, log, memory,
                           {.resourcesDirectory = HEADROOM_BENCH_RESOURCES_DIR});
    GlibRunLoop& runLoop = platform.runLoop;
    TerminalStatusBar statusBar;
    AppDelegate delegate(platform.platform(statusBar));
    delegate.applicationDidFinishLaunching();

    std::uint64_t lowestAvailable = UINT64_MAX;
    std::size_t mostBlocks = 0;
    struct Milestone {
        std::size_t blocks;
        double at;
    };
    std::vector<Milestone> milestones;
    Seconds loopStart = runLoop.now();
    // The first phase ends at the step, 100 - d per cent (within 0.05 s, the sampling period).
    const std::string phaseEnd =
        progressText(std::max(0, 100 - cleanDuration(delegate.monitor.totalMemory())));
    double firstPhase = -1.0;
    const auto sampler = runLoop.addRepeatingTimer(Seconds(0.05), [&] {
        lowestAvailable = std::min(lowestAvailable, readFigures().memAvailable);
        const std::size_t blocks = delegate.cleaner.DataArray().size();
        if (blocks / 32 > mostBlocks / 32) {
            milestones.push_back({blocks, (runLoop.now() - loopStart).count()});
        }
        mostBlocks = std::max(mostBlocks, blocks);
        if (firstPhase < 0.0 && statusBar.item()->title().text == phaseEnd) {
            firstPhase = (runLoop.now() - loopStart).count();
        }
    });
    const Figures before = readFigures();
    loopStart = runLoop.now();
    const auto start = Clock::now();
    delegate.cleaner.performCleanOperation();  // "Extreme Clean"
    const double took = seconds(Clock::now() - start);
    const Figures after = readFigures();
    sampler->invalidate();
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);

    // 4. The report.
    std::printf("page cache filled with %.1f GiB; clean floor %.2f GiB + reserve %.1f GiB\n",
                cacheGib, gib(cleanSafetyFloor(memory.physicalMemory())), reserveGib);
    std::printf("%-14s %10s %10s\n", "GiB", "before", "after");
    std::printf("%-14s %10.2f %10.2f\n", "MemFree", gib(before.memFree), gib(after.memFree));
    std::printf("%-14s %10.2f %10.2f\n", "MemAvailable", gib(before.memAvailable),
                gib(after.memAvailable));
    std::printf("%-14s %10.2f %10.2f\n", "Cached", gib(before.cached), gib(after.cached));
    std::printf("clean: %.2f s wall (first phase %.2f s, duration d = %d s)\n", took, firstPhase,
                cleanDuration(delegate.monitor.totalMemory()));
    std::printf("most blocks held: %zu; lowest MemAvailable during the clean: %.2f GiB\n",
                mostBlocks, gib(lowestAvailable));
    std::printf("blocks held by time:");
    for (const Milestone& m : milestones) {
        std::printf(" %zu@%.1fs", m.blocks, m.at);
    }
    std::printf("\n");
    std::printf("peak resident size: %.2f GiB\n",
                static_cast<double>(usage.ru_maxrss) * 1024 / static_cast<double>(kGiB));

    ::close(cacheFd);
    ::unlink(cachePath.c_str());
    ::unlink(config.c_str());
    return 0;
}
