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
#include <numeric>
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
    }

    std::uint32_t random(std::uint32_t below) { return static_cast<std::uint32_t>(rng_() % below); }

    /// A new set of running applications from a pool of twelve, with new sizes (whole MiB, so
    /// that shares never sit on the 2% threshold), in a new order.
    void changeApplications() {
        fakes.workspace.clearApplications();
        std::vector<std::pair<std::uint64_t, std::string>> significant;
        std::vector<int> pool(12);
        std::iota(pool.begin(), pool.end(), 0);
        std::shuffle(pool.begin(), pool.end(), rng_);
        for (const int app : pool) {
            const std::uint64_t sizeMiB = 1 + random(90);
            if (random(3) == 0) {
                continue;
            }
            const std::string name = "App" + std::to_string(app);
            fakes.workspace.addRegular(name, sizeMiB * kMiB);
            if (sizeMiB >= 16) {  // 2% of 768 MiB is 15.36 MiB
                significant.emplace_back(sizeMiB, name);
            }
        }
        std::stable_sort(significant.begin(), significant.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        expected_.clear();
        for (const auto& entry : significant) {
            expected_.push_back("  " + entry.second);
        }
        listingsAtChange_ = fakes.workspace.listingCount();
    }

    /// Checked at every title, clean passes included: one clean or one timer, nothing queued
    /// behind a running clean, blocks only while it runs and no more than its passes.
    void checkAtTitle(const AttributedTitle& title) {
        const Cleaner& cleaner = delegate().cleaner;
        FakeRunLoop& loop = fakes.runLoop;
        ++titles_;
        redTitles_ += title.attributes.foregroundColor == TitleColor::Red ? 1 : 0;
        ASSERT_LE(loop.pendingDelayedPerformCount(), 1u) << at();
        if (!cleaner.isCleanRunning()) {
            ASSERT_LE(loop.validTimerCount(), 1u) << at();
            ASSERT_TRUE(cleaner.DataArray().empty()) << at();
            return;
        }
        if (!inClean_) {
            inClean_ = true;
            ++cleans_;
            passBound_ = static_cast<std::size_t>(std::max<std::int64_t>(
                             cleanBlockCount(delegate().monitor.freeMemoryInStart(),
                                             fakes.bundleResources.blockLength, kInstalled),
                             0)) +
                         1 + 100 * static_cast<std::size_t>(cleanDuration(kInstalled) + 2);
        }
        ASSERT_EQ(loop.validTimerCount(), 0u) << "a refresh timer beside a clean " << at();
        ASSERT_EQ(loop.pendingDelayedPerformCount(), 0u) << "a clean queued behind " << at();
        ASSERT_LE(cleaner.DataArray().size(), passBound_) << at();
        maxBlocks_ = std::max(maxBlocks_, cleaner.DataArray().size());
    }

    /// Checked after every tick, once the loop has settled.
    void checkSettled() {
        FakeRunLoop& loop = fakes.runLoop;
        ASSERT_FALSE(delegate().cleaner.isCleanRunning()) << at();
        inClean_ = false;
        ASSERT_EQ(loop.heldTimerCount(), 1u) << "the loop holds dropped timers " << at();
        ASSERT_EQ(loop.validTimerCount(), 1u) << "no refresh timer " << at();
        ASSERT_EQ(loop.validTimers().front()->interval(), Seconds(1.0)) << at();
        ASSERT_LE(loop.pendingDelayedPerformCount(), 1u) << at();
        ASSERT_EQ(loop.pendingMainQueueCount(), 0u) << at();
        ASSERT_TRUE(delegate().cleaner.DataArray().empty()) << at();

        // The rows are the list, in order, right after their header, and nothing else is in
        // the menu beside the fixed rows.
        std::vector<std::string> rows;
        for (const MenuRow& row : applicationRows()) {
            rows.push_back(row.title);
        }
        std::vector<std::string> listed;
        for (const auto& record : delegate().monitor.applicationListArray()) {
            listed.push_back("  " + record.appName);
        }
        ASSERT_EQ(rows, listed) << at();
        ASSERT_EQ(menu().size(), kFixedRows + (rows.empty() ? 0 : 2 + rows.size())) << at();
        if (!rows.empty()) {
            ASSERT_EQ(rowTitle(9), "Significant Usage") << at();
            ASSERT_EQ(applicationRows().front(), menu()[10]) << at();
        }
        // Once a refresh has listed the session since it changed, the rows are its own.
        if (fakes.workspace.listingCount() > listingsAtChange_) {
            ASSERT_EQ(rows, expected_) << "stale application rows " << at();
        }
    }

    std::string at() const {
        return "at " + std::to_string(fakes.runLoop.now().count()) + " s (clean " +
               std::to_string(cleans_) + ")";
    }

    /// The command, separator and breakdown rows above the applications, and the commands below.
    static constexpr std::size_t kFixedRows = 13;
    std::mt19937 rng_{20240607};
    std::vector<std::string> expected_;
    std::size_t listingsAtChange_ = 0;
    bool inClean_ = false;
    std::size_t passBound_ = 0;
    std::size_t cleans_ = 0;
    std::size_t titles_ = 0;
    std::size_t redTitles_ = 0;
    std::size_t maxBlocks_ = 0;
};

TEST_F(Soak, DaysAtOneSecondWithAutomaticFreeing) {
    changeApplications();
    fakes.hostMemory.setFreeBytes(200 * kMiB);
    launch();
    // The call journal is for tests of call order; here it would only cost time.
    for (Journaled* fake :
         std::initializer_list<Journaled*>{&fakes.runLoop, &fakes.hostMemory, &fakes.workspace,
                                           &fakes.processControl, &fakes.log, &statusItem()}) {
        fake->setJournal(nullptr);
    }
    statusItem().onTitle = [this](const AttributedTitle& title) { checkAtTitle(title); };

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
            fakes.hostMemory.setFreeBytes((12 + random(48)) * kMiB);
        } else if (dipEnd < 0.0 && now >= nextDip) {
            // Low memory for a few seconds to two minutes; at the level exactly now and then.
            ++dips;
            dipEnd = now + 5.0 + random(115);
            nextDip = now + 3600.0 + random(7200);
            fakes.hostMemory.setFreeBytes(random(8) == 0 ? std::uint64_t{kLevelMiB} * kMiB
                                                         : (1 + random(kLevelMiB)) * kMiB -
                                                               4096 * random(200));
            // Half of the dips leave room for blocks above the safety floor, half do not.
            const bool room = random(2) == 0;
            claimingDips += room ? 1 : 0;
            fakes.hostMemory.setAvailableMemory(room ? 600 * kMiB : 200 * kMiB);
        } else if (dipEnd < 0.0 && now >= nextWalk) {
            fakes.hostMemory.setFreeBytes((12 + random(48)) * kMiB);
            nextWalk = now + 30.0;
        }
        if (menuEnd >= 0.0 && now >= menuEnd) {
            menuEnd = -1.0;
            loop.setTracking(false);
            statusItem().menuEvent(MenuEvent::Closed);
        } else if (menuEnd < 0.0 && now >= nextMenu) {
            ++menuOpenings;
            loop.setTracking(true);
            statusItem().menuEvent(MenuEvent::Opened);
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
        // Every simulated hour: a bounded log, and the fakes' records dropped.
        if (loop.now().count() >= nextHour) {
            EXPECT_LE(fakes.log.lines().size(), 4u) << "the log grows " << at();
            fakes.log.clear();
            loop.clearFireLog();
            statusItem().clearHistory();
            nextHour += kHour;
        }
    }

    // The run did what it set out to: a refresh a second, many cleans with and without
    // blocks, red titles, list changes and menus.
    const std::size_t refreshes = fakes.hostMemory.statisticsReads();
    const std::size_t listings = fakes.workspace.listingCount();
    std::printf(
        "soak: %zu refreshes (%zu listing applications), %zu titles (%zu red), %zu cleans in %zu "
        "dips (%zu with room"
        " for blocks, at most %zu blocks held), %zu list changes, %zu menu openings\n",
        refreshes, listings, titles_, redTitles_, cleans_, dips, claimingDips, maxBlocks_,
        appChanges, menuOpenings);
    // Per day: 86,400 refreshes, a dip every 1 to 3 hours, a list change every 2 to 6 minutes
    // and a menu every 10 to 60 minutes; the bounds leave room for the draw.
    EXPECT_GT(refreshes, static_cast<std::size_t>((static_cast<double>(days) - 0.05) * kDay));
    // Applications are listed only while the menu shows (at most 43 s in every 10 minutes).
    EXPECT_GT(listings, 0u);
    EXPECT_LT(listings, refreshes / 10);
    EXPECT_GE(cleans_, dips);
    EXPECT_GT(dips, 6 * days);
    EXPECT_GT(maxBlocks_, 0u);
    EXPECT_GT(redTitles_, 0u);
    EXPECT_GT(appChanges, 160 * days);
    EXPECT_GT(menuOpenings, 10 * days);
}

}  // namespace
}  // namespace headroom::test
