// Extreme Clean on the fake platform, in virtual time: the phases, their progress, the blocks,
// the refresh timer around them, and the safety rules added for Linux.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "DelegateTestSupport.h"
#include "cleaner/CleanArithmetic.h"

namespace headroom::test {
namespace {

/// What the status item showed at one progress step, and the clean's state at that moment.
struct Step {
    std::string text;
    std::size_t blocks;
    std::size_t validTimers;
    int oomScoreAdj;
    double at;
};

class CleanOperation : public DelegateTest {
  protected:
    std::uint64_t blockLength() const { return fakes.bundleResources.blockLength; }

    /// Launches with room for `blocks` whole blocks in the last refresh's free memory, then
    /// records every title the status item gets.
    void launchWithFreeBlocks(std::uint64_t blocks, std::uint64_t installed = 8 * kGiB) {
        fakes.hostMemory.setPhysicalMemory(installed);
        setFreeBytesExactly(blocks * blockLength() + blockLength() / 2);
        launch();
        statusItem().onTitle = [this](const AttributedTitle& title) {
            steps.push_back(Step{title.text, delegate().cleaner.DataArray().size(),
                                 fakes.runLoop.validTimerCount(), fakes.processControl.current(),
                                 fakes.runLoop.now().count()});
        };
    }

    /// Runs one clean; returns how long it took in virtual seconds.
    double clean() {
        const Seconds start = fakes.runLoop.now();
        delegate().cleaner.performCleanOperation();
        return (fakes.runLoop.now() - start).count();
    }

    /// The progress texts from step `from` on, repeats folded when `distinct`.
    std::vector<std::string> texts(std::size_t from, std::size_t count = SIZE_MAX,
                                   bool distinct = false) const {
        std::vector<std::string> out;
        for (std::size_t i = from; i < steps.size() && out.size() < count; ++i) {
            if (!distinct || out.empty() || out.back() != steps[i].text) {
                out.push_back(steps[i].text);
            }
        }
        return out;
    }

    static std::vector<std::string> percents(int from, int to) {
        std::vector<std::string> out;
        for (int p = from; p <= to; ++p) {
            out.push_back(progressText(p));
        }
        return out;
    }

    std::vector<Step> steps;
};

struct PhaseCase {
    const char* name;
    std::uint64_t installed;
    std::uint64_t freeBlocks;
    std::vector<std::string> firstPhase;
    int duration;
};

void PrintTo(const PhaseCase& c, std::ostream* os) {
    *os << c.name;
}

class CleanPhases : public CleanOperation, public ::testing::WithParamInterface<PhaseCase> {};

TEST_P(CleanPhases, FirstPhaseFillsThenSecondHoldsForTheDuration) {
    const PhaseCase& c = GetParam();
    launchWithFreeBlocks(c.freeBlocks, c.installed);

    const double took = clean();

    const std::size_t firstCount = c.firstPhase.size();
    ASSERT_GT(steps.size(), firstCount);
    EXPECT_EQ(texts(0, firstCount), c.firstPhase);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].blocks, i + 1) << "one new block per pass, at step " << i;
        EXPECT_EQ(steps[i].validTimers, 0u) << "the refresh timer runs beside the clean";
    }
    // The second phase starts where the first ended and climbs one per second to 100%.
    EXPECT_EQ(texts(firstCount, SIZE_MAX, true),
              percents(c.duration < 100 ? 100 - c.duration : 10, 100));
    // It ends in the first pass at which more than `duration` whole seconds have passed.
    const double hold = fakes.runLoop.now().count() - steps[firstCount].at;
    EXPECT_GE(hold, c.duration + 1.0);
    EXPECT_LT(hold, c.duration + 1.0 + 0.011);
    EXPECT_NEAR(took, hold + 0.01 * static_cast<double>(firstCount), 1e-6);

    EXPECT_FALSE(delegate().cleaner.isCleanRunning());
    EXPECT_TRUE(delegate().cleaner.DataArray().empty());
    EXPECT_EQ(statusItem().title()->attributes.foregroundColor, TitleColor::DisabledControlText);
}

INSTANTIATE_TEST_SUITE_P(
    Extreme, CleanPhases,
    ::testing::Values(
        PhaseCase{"8GiB_N4", 8 * kGiB, 4, {"0%", "21%", "42%", "63%", "84%"}, 16},
        PhaseCase{"16GiB_N3_truncates", 16 * kGiB, 3, {"0%", "22%", "45%", "68%"}, 32},
        PhaseCase{"0_9GiB_N1", 966367641, 1, {"0%", "98%"}, 2},
        PhaseCase{"N0_shows_the_phase_end", 8 * kGiB, 0, {"84%"}, 16},
        PhaseCase{"64GiB_moves_in_both_phases", 64 * kGiB, 2, {"0%", "5%", "10%"}, 128}),
    [](const ::testing::TestParamInfo<PhaseCase>& p) { return std::string(p.param.name); });

TEST_F(CleanOperation, RequestsDuringACleanAreRefusedAndOneTimerRestartsAfterIt) {
    launchWithFreeBlocks(4);
    fakes.runLoop.advanceBy(2.0);
    const std::shared_ptr<Timer> before = fakes.runLoop.validTimers().front();
    fakes.hostMemory.setFreeBytes(2 * kGiB);  // what the restart will read; ignored by the clean
    // During the clean: the menu command and an interval change.
    fakes.runLoop.performAfterDelay(Seconds(1.0), [this] { statusItem().choose("clean"); });
    fakes.runLoop.performAfterDelay(Seconds(2.0), [this] { delegate().setRefreshInterval(10); });

    EXPECT_LT(clean(), 17.1);  // one clean, not two nested
    EXPECT_EQ(texts(0, 5), (std::vector<std::string>{"0%", "21%", "42%", "63%", "84%"}));

    EXPECT_FALSE(before->isValid());
    for (const Step& s : steps) {
        EXPECT_EQ(s.validTimers, 0u);
        EXPECT_NE(s.text.back(), 'B') << "a memory figure reached the title during the clean";
    }
    EXPECT_EQ(statusItem().title()->text, "100%");  // kept until the restart runs
    EXPECT_EQ(fakes.runLoop.pendingMainQueueCount(), 1u);
    // The menu row starts the next clean before the first one's restart had its turn; that
    // restart then leaves the timer to the second clean's own. A refresh during it (as the
    // preferences window may ask for) leaves the title alone.
    fakes.runLoop.performAfterDelay(Seconds(3.0), [this] { delegate().updateMemoryDisplay(); });
    statusItem().choose("clean");
    EXPECT_EQ(
        std::count_if(steps.begin(), steps.end(), [](const Step& s) { return s.text == "0%"; }), 2);

    // The restart runs at the next turn of the loop, the menu open or not.
    const Seconds end = fakes.runLoop.now();
    fakes.runLoop.setTracking(true);
    openMenu();
    fakes.runLoop.turn();
    EXPECT_EQ(statusItem().title()->text, "2.00 GB");
    EXPECT_EQ(rowTitle(2), "  Free: 2.00 GB");
    ASSERT_EQ(fakes.runLoop.validTimerCount(), 1u);
    fakes.runLoop.advanceTo(end + Seconds(20.5));
    EXPECT_EQ(fakes.runLoop.timerFireTimes(),
              (std::vector<double>{(end + Seconds(10.0)).count(), (end + Seconds(20.0)).count()}));
}

TEST_F(CleanOperation, BlocksStayAboveTheRunningMachinesFloorAndGoBackBelowIt) {
    // The figures shown (a fixture, say) claim 8 GiB installed; the running machine has 64 GiB,
    // whose floor is 5%: one block short of it, nothing is claimed, yet the clean runs its
    // course, and refusing a block is the rule, not a fault to log.
    fakes.hostMemory.setAvailableMemory(cleanSafetyFloor(64 * kGiB) + blockLength() - 1);
    fakes.hostMemory.setMachineTotal(64 * kGiB);
    launchWithFreeBlocks(4);
    EXPECT_GE(clean(), 17.0);
    EXPECT_EQ(texts(0, 5), (std::vector<std::string>{"0%", "21%", "42%", "63%", "84%"}));
    EXPECT_TRUE(std::all_of(steps.begin(), steps.end(), [](const Step& s) { return !s.blocks; }));
    EXPECT_TRUE(fakes.log.lines().empty());

    // On a machine of 8 GiB with room for ten blocks above its floor, until other programs
    // take six blocks and a byte more two seconds in.
    const std::uint64_t length = blockLength();
    const std::uint64_t floor = cleanSafetyFloor(8 * kGiB);
    std::uint64_t others = 0;
    fakes.hostMemory.machineMemoryFrom = [&]() -> std::optional<MachineMemory> {
        const std::uint64_t held = delegate().cleaner.DataArray().size() * length;
        return MachineMemory{8 * kGiB, floor + 10 * length - held - others};
    };
    fakes.runLoop.performAfterDelay(Seconds(2.0), [&] { others = 6 * length + 1; });
    steps.clear();
    clean();

    // One more block per pass up to the floor; then, at the first pass that found the machine
    // below it, seven back at once, and no more claims.
    ASSERT_GT(steps.size(), 300u);
    std::vector<std::size_t> held;
    for (const Step& s : steps) {
        if (held.empty() || held.back() != s.blocks) {
            held.push_back(s.blocks);
        }
    }
    EXPECT_EQ(held, (std::vector<std::size_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 3}));
}

TEST_F(CleanOperation, TheFirstPhaseIsBoundedByWhatTheMachineCouldHold) {
    // The figures say 2^60 bytes free; the running machine has room for 64 blocks in all, so
    // the first phase makes 65 passes, not 2^52.
    fakes.hostMemory.setMachineTotal(64 * blockLength());
    fakes.hostMemory.setAvailableMemory(0);
    launchWithFreeBlocks(std::uint64_t{1} << 52);

    clean();

    EXPECT_EQ(texts(63, 3), (std::vector<std::string>{"82%", "84%", "84%"}));
    EXPECT_NEAR(steps[65].at - steps[0].at, 0.65, 1e-6);
    EXPECT_EQ(statusItem().title()->text, "100%");
}

TEST_F(CleanOperation, WithoutItsImageOrAReadingACleanClaimsNothingAndSaysWhyOnce) {
    fakes.bundleResources.hasImage = false;
    launchWithFreeBlocks(4);
    clean();
    clean();
    ASSERT_EQ(fakes.log.lines().size(), 1u);
    EXPECT_NE(fakes.log.lines()[0].find("\"hd\""), std::string::npos);
    EXPECT_EQ(texts(0, 1), std::vector<std::string>{"84%"});  // no block count: no first phase
    EXPECT_EQ(texts(0, SIZE_MAX, true).back(), "100%");

    fakes.log.clear();
    fakes.bundleResources.hasImage = true;
    fakes.hostMemory.setAvailableMemory(std::nullopt);
    steps.clear();
    clean();
    EXPECT_EQ(fakes.log.lines().size(), 1u);
    EXPECT_TRUE(std::all_of(steps.begin(), steps.end(), [](const Step& s) { return !s.blocks; }));
}

TEST_F(CleanOperation, OomScoreIsRaisedForTheCleanAndPutBack) {
    fakes.processControl.setCurrent(300);
    launchWithFreeBlocks(1);
    clean();
    for (const Step& s : steps) {
        EXPECT_EQ(s.oomScoreAdj, 1000);
    }
    EXPECT_EQ(fakes.processControl.writes(), (std::vector<int>{1000, 300}));

    // Refused: said once, with the reason; the clean goes on.
    fakes.processControl.failWrites = true;
    steps.clear();
    clean();
    clean();
    ASSERT_EQ(fakes.log.lines().size(), 1u);
    EXPECT_NE(fakes.log.lines()[0].find("write refused by the test"), std::string::npos);
    EXPECT_EQ(steps.back().text, "100%");

    // Unreadable: then it is not changed at all, since it could not be put back.
    fakes.processControl.failWrites = false;
    fakes.processControl.failReads = true;
    clean();
    EXPECT_EQ(fakes.processControl.writes().size(), 2u);
}

}  // namespace
}  // namespace headroom::test
