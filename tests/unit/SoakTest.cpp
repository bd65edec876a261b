// Days of virtual time at a 1-second refresh, with automatic freeing on: the application list
// changes every few minutes, memory dips under the level now and then, the menu opens now and
// then. One day by default; HEADROOM_SOAK_DAYS=30 for the long run (`ctest -R Soak`).
//
// The cheap invariants are checked after every tick and at every title the status item gets
// (which includes every pass of every clean); the fakes' own records are dropped every
// simulated hour so that the run measures the delegate, not the fakes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "DelegateTestSupport.h"
#include "cleaner/CleanArithmetic.h"

namespace headroom::test {
namespace {

constexpr double kDay = 86400.0;
constexpr double kHour = 3600.0;
constexpr std::uint64_t kInstalled = 768 * kMiB;  // under 1 GiB: every clean holds for 2 s
constexpr std::int32_t kLevelMiB = 8;

/// How many simulated days to run: HEADROOM_SOAK_DAYS, else one.
std::size_t soakDays() {
    const char* text = std::getenv("HEADROOM_SOAK_DAYS");
    const long days = text != nullptr ? std::strtol(text, nullptr, 10) : 1;
    return days > 0 ? static_cast<std::size_t>(days) : 1;
}

/// One application of the pool the session draws from; sizes are whole MiB so that shares
/// never sit on the 2% threshold and their order is the order of the sizes.
struct PoolApp {
    std::string name;
    bool regular;
    bool twoProcesses;
};

class Soak : public DelegateTest {
  protected:
    void SetUp() override {
        fakes.preferences.put("refreshInterval", 1);
        fakes.preferences.put("isAutoFreeMemory", true);
        fakes.preferences.put("memoryLevel", kLevelMiB);
        fakes.hostMemory.setPhysicalMemory(kInstalled);
        fakes.hostMemory.setStatistics({200 * kMiB, 256 * kMiB, 128 * kMiB, 128 * kMiB});
        // Blocks of 16 KiB and tens of MiB free at most: a clean is at most a few thousand passes.
        fakes.bundleResources.blockLength = 16 * 1024;
        for (int i = 0; i < 12; ++i) {
            pool_.push_back(PoolApp{"App" + std::to_string(i), i % 5 != 4, i % 4 == 1});
        }
    }

    std::uint32_t random(std::uint32_t below) { return static_cast<std::uint32_t>(rng_() % below); }

    /// A new set of running applications, with new sizes, in a new order.
    void changeApplications() {
        fakes.workspace.clearApplications();
        std::vector<PoolApp> chosen;
        for (const PoolApp& app : pool_) {
            if (random(3) != 0) {
                chosen.push_back(app);
            }
        }
        std::shuffle(chosen.begin(), chosen.end(), rng_);
        expected_.clear();
        std::vector<std::pair<std::uint64_t, std::string>> significant;
        for (const PoolApp& app : chosen) {
            std::uint64_t totalMiB = 1 + random(60);
            if (app.twoProcesses) {
                totalMiB += random(30);
            }
            if (!app.regular) {
                continue;  // the workspace lists regular applications only
            }
            fakes.workspace.addRegular(app.name, totalMiB * kMiB);
            // 2% of 768 MiB is 15.36 MiB.
            if (totalMiB >= 16) {
                significant.emplace_back(totalMiB, app.name);
            }
        }
        std::stable_sort(significant.begin(), significant.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        for (const auto& entry : significant) {
            expected_.push_back("  " + entry.second);
        }
        listingsAtChange_ = fakes.workspace.listingCount();
    }

    void setFree(std::uint64_t bytes) {
        fakes.hostMemory.setFreeBytes(bytes);
        freeNow_ = bytes;
    }

    /// Checked at every title, clean passes included: one clean or one timer, nothing queued
    /// behind a running clean, blocks only while it runs and no more than its passes.
    void checkAtTitle(const AttributedTitle& title) {
        AppDelegate& d = delegate();
        FakeRunLoop& loop = fakes.runLoop;
        ++titles_;
        if (title.attributes.foregroundColor == TitleColor::Red) {
            ++redTitles_;
        }
        ASSERT_LE(loop.pendingDelayedPerformCount(), 1u) << at();
        if (d.cleaner.isCleanRunning()) {
            if (!inClean_) {
                inClean_ = true;
                ++cleans_;
                cleanPassBound_ = static_cast<std::size_t>(std::max<std::int64_t>(
                                      cleanBlockCount(d.monitor.freeMemoryInStart(),
                                                      fakes.bundleResources.blockLength,
                                                      fakes.hostMemory.machineMemory()->total),
                                      0)) +
                                  1 +
                                  100 * static_cast<std::size_t>(
                                            cleanDuration(d.monitor.totalMemory(), false) + 2);
            }
            ASSERT_EQ(loop.validTimerCount(), 0u) << "a refresh timer beside a clean " << at();
            ASSERT_EQ(loop.pendingDelayedPerformCount(), 0u) << "a clean queued behind " << at();
            ASSERT_LE(d.cleaner.DataArray().size(), cleanPassBound_) << at();
            maxBlocks_ = std::max(maxBlocks_, d.cleaner.DataArray().size());
        } else {
            ASSERT_LE(loop.validTimerCount(), 1u) << at();
            ASSERT_TRUE(d.cleaner.DataArray().empty()) << at();
        }
    }

    /// Checked after every tick, once the loop has settled.
    void checkSettled() {
        AppDelegate& d = delegate();
        FakeRunLoop& loop = fakes.runLoop;
        ASSERT_FALSE(d.cleaner.isCleanRunning()) << at();
        inClean_ = false;
        ASSERT_EQ(loop.heldTimerCount(), 1u) << "the loop holds dropped timers " << at();
        ASSERT_EQ(loop.validTimerCount(), 1u) << "no refresh timer " << at();
        ASSERT_EQ(loop.validTimers().front()->interval(), Seconds(1.0)) << at();
        ASSERT_LE(loop.pendingDelayedPerformCount(), 1u) << at();
        ASSERT_EQ(loop.pendingMainQueueCount(), 0u) << at();
        ASSERT_TRUE(d.cleaner.DataArray().empty()) << at();
        ASSERT_LE(d.monitor.applicationListArray().size(), fakes.workspace.applications().size())
            << at();

        // The rows are the list, in order, right after their header, and nothing else carries
        // their tag.
        const auto& list = d.monitor.applicationListArray();
        const auto& items = menu().itemArray();
        const bool hasRows = !list.empty();
        ASSERT_EQ(
            std::count_if(items.begin(), items.end(),
                          [](const auto& item) { return item->title() == "Significant Usage"; }),
            hasRows ? 1 : 0)
            << at();
        ASSERT_EQ(items.size(), baseItems_ + (hasRows ? 2 + list.size() : 0)) << at();
        std::vector<std::string> rows;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i]->tag() == StatusMenu::kApplicationRowTag) {
                ASSERT_EQ(i, 10 + rows.size()) << "a row out of place " << at();
                rows.push_back(items[i]->title());
            }
        }
        ASSERT_EQ(rows.size(), list.size()) << at();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            ASSERT_EQ(rows[i], "  " + list[i].appName) << at();
        }
        if (hasRows) {
            ASSERT_TRUE(items[8]->isSeparatorItem()) << at();
            ASSERT_EQ(items[9]->title(), "Significant Usage") << at();
        }
        // Once a refresh has listed the session since it changed, the rows are its own.
        if (fakes.workspace.listingCount() > listingsAtChange_) {
            ASSERT_EQ(rows, expected_) << "stale application rows " << at();
        }
    }

    /// Every simulated hour: a bounded log, and the fakes' records dropped.
    void hourly() {
        EXPECT_LE(fakes.log.lines().size(), 4u) << "the log grows " << at();
        fakes.log.clear();
        fakes.runLoop.clearFireLog();
        statusItem().clearHistory();
    }

    std::string at() const {
        return "at " + std::to_string(fakes.runLoop.now().count()) + " s (clean " +
               std::to_string(cleans_) + ")";
    }

    std::mt19937 rng_{20240607};
    std::vector<PoolApp> pool_;
    std::vector<std::string> expected_;
    std::size_t listingsAtChange_ = 0;
    std::size_t baseItems_ = 0;
    std::uint64_t freeNow_ = 0;
    bool inClean_ = false;
    std::size_t cleanPassBound_ = 0;
    std::size_t cleans_ = 0;
    std::size_t titles_ = 0;
    std::size_t redTitles_ = 0;
    std::size_t maxBlocks_ = 0;
};

TEST_F(Soak, DaysAtOneSecondWithAutomaticFreeing) {
    changeApplications();
    setFree(200 * kMiB);
    launch();
    // The call journal is for tests of call order; here it would only cost time.
    for (Journaled* fake :
         std::initializer_list<Journaled*>{&fakes.runLoop, &fakes.hostMemory, &fakes.workspace,
                                           &fakes.processControl, &fakes.log, &statusItem()}) {
        fake->setJournal(nullptr);
    }
    statusItem().onTitle = [this](const AttributedTitle& title) { checkAtTitle(title); };
    {
        const AppDelegate& d = delegate();
        baseItems_ = menu().numberOfItems() - (d.monitor.applicationListArray().empty()
                                                   ? 0
                                                   : 2 + d.monitor.applicationListArray().size());
    }

    FakeRunLoop& loop = fakes.runLoop;
    const std::size_t days = soakDays();
    const double end = static_cast<double>(days) * kDay;
    double nextAppChange = 120.0;
    double nextDip = 1800.0;
    double dipEnd = -1.0;
    double nextMenu = 900.0;
    double menuEnd = -1.0;
    double nextWalk = 30.0;
    double nextHour = kHour;
    std::size_t appChanges = 0;
    std::size_t dips = 0;
    std::size_t menuOpenings = 0;
    std::size_t claimingDips = 0;

    while (loop.now().count() < end) {
        const double now = loop.now().count();
        if (now >= nextAppChange) {
            changeApplications();
            ++appChanges;
            nextAppChange = now + 120.0 + random(240);
        }
        if (dipEnd >= 0.0 && now >= dipEnd) {
            dipEnd = -1.0;
            setFree((12 + random(48)) * kMiB);
        } else if (dipEnd < 0.0 && now >= nextDip) {
            // Low memory for a few seconds to two minutes; at the level exactly now and then.
            ++dips;
            dipEnd = now + 5.0 + random(115);
            nextDip = now + 3600.0 + random(7200);
            setFree(random(8) == 0 ? std::uint64_t{kLevelMiB} * kMiB
                                   : (1 + random(kLevelMiB)) * kMiB - 4096 * random(200));
            // Half of the dips leave room for blocks above the safety floor, half do not.
            const bool room = random(2) == 0;
            claimingDips += room ? 1 : 0;
            fakes.hostMemory.setAvailableMemory(room ? 600 * kMiB : 200 * kMiB);
        } else if (dipEnd < 0.0 && now >= nextWalk) {
            setFree((12 + random(48)) * kMiB);
            nextWalk = now + 30.0;
        }
        if (menuEnd >= 0.0 && now >= menuEnd) {
            menuEnd = -1.0;
            loop.setTracking(false);
        } else if (menuEnd < 0.0 && now >= nextMenu) {
            ++menuOpenings;
            loop.setTracking(true);
            menuEnd = now + 3.0 + random(40);
            nextMenu = now + 600.0 + random(3000);
        }

        // A second at a time, so that every step holds a refresh. A clean that ran past the
        // step leaves its restart queued at its own end: the loop turns once more there, as
        // the desktop loop would.
        loop.advanceBy(1.0);
        loop.turn();
        checkSettled();
        if (HasFatalFailure() || HasFailure()) {
            return;
        }
        if (loop.now().count() >= nextHour) {
            hourly();
            nextHour += kHour;
        }
    }

    // The run did what it set out to: a refresh a second, many cleans with and without
    // blocks, red titles, list changes and menus.
    const std::size_t listings = fakes.workspace.listingCount();
    std::printf(
        "soak: %zu refreshes, %zu titles (%zu red), %zu cleans in %zu dips (%zu with room"
        " for blocks, at most %zu blocks held), %zu list changes, %zu menu openings\n",
        listings, titles_, redTitles_, cleans_, dips, claimingDips, maxBlocks_, appChanges,
        menuOpenings);
    // Per day: 86,400 refreshes, a dip every 1 to 3 hours, a list change every 2 to 6 minutes
    // and a menu every 10 to 60 minutes; the bounds leave room for the draw.
    EXPECT_GT(listings, static_cast<std::size_t>((static_cast<double>(days) - 0.05) * kDay));
    EXPECT_GE(cleans_, dips);
    EXPECT_GT(dips, 6 * days);
    EXPECT_GT(maxBlocks_, 0u);
    EXPECT_GT(redTitles_, 0u);
    EXPECT_GT(appChanges, 160 * days);
    EXPECT_GT(menuOpenings, 10 * days);
}

}  // namespace
}  // namespace headroom::test
