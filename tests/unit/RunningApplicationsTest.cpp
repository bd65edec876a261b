// Applications with a significant share of memory and their rows in the status menu.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DelegateTestSupport.h"

namespace headroom::test {
namespace {

class RunningApplications : public DelegateTest {
  protected:
    /// Launched on 8 GiB with the default threshold of 2 per cent.
    void SetUp() override { fakes.hostMemory.setPhysicalMemory(8 * kGiB); }

    std::vector<std::string> listedNames() {
        std::vector<std::string> names;
        for (const auto& record : delegate().monitor.applicationListArray()) {
            names.push_back(record.appName);
        }
        return names;
    }

    std::vector<std::string> rowTitles(std::size_t from, std::size_t count) {
        std::vector<std::string> titles;
        for (std::size_t i = from; i < from + count; ++i) {
            titles.push_back(rowTitle(i));
        }
        return titles;
    }

    /// Separators in the menu, and whether the header row is among its rows.
    std::size_t separators() {
        std::size_t count = 0;
        for (const auto& item : menu().itemArray()) {
            count += item->isSeparatorItem() ? 1U : 0U;
        }
        return count;
    }

    void expectHeaderShown() {
        EXPECT_TRUE(menu().itemAtIndex(8)->isSeparatorItem());
        EXPECT_EQ(rowTitle(9), "Significant Usage");
        EXPECT_EQ(separators(), 3U);
    }

    void expectHeaderHidden() {
        for (const auto& item : menu().itemArray()) {
            EXPECT_NE(item->title(), "Significant Usage");
        }
        EXPECT_EQ(separators(), 2U);
    }
};

TEST_F(RunningApplications, ThresholdIsAShareOfInstalledMemory) {
    fakes.workspace.addRegular("Above", 164 * kMiB);  // 2.002 %
    fakes.workspace.addRegular("Below", 160 * kMiB);  // 1.953 %
    launch();

    EXPECT_EQ(listedNames(), std::vector<std::string>{"Above"});
    EXPECT_FLOAT_EQ(delegate().monitor.applicationListArray().front().appUsage,
                    164.0f * 100 / 8192);
}

TEST_F(RunningApplications, AShareEqualToTheThresholdIsListed) {
    fakes.preferences.put("significantThreshold", 25);
    fakes.workspace.addRegular("Exactly", 2 * kGiB);           // 25 % to the bit
    fakes.workspace.addRegular("JustUnder", 2 * kGiB - 4096);  // 24.99995 %
    launch();

    ASSERT_EQ(listedNames(), std::vector<std::string>{"Exactly"});
    EXPECT_EQ(delegate().monitor.applicationListArray().front().appUsage, 25.0f);
}

TEST_F(RunningApplications, RowsFollowTheShareLargestFirst) {
    fakes.workspace.addRegular("Small", 266287972);   // 3.1 %
    fakes.workspace.addRegular("Large", kGiB);        // 12.5 %
    fakes.workspace.addRegular("Middle", 601295421);  // 7.0 %
    launch();

    EXPECT_EQ(listedNames(), (std::vector<std::string>{"Large", "Middle", "Small"}));
    EXPECT_EQ(rowTitles(10, 3), (std::vector<std::string>{"  Large", "  Middle", "  Small"}));
    EXPECT_EQ(applicationRows().size(), 3U);
    expectHeaderShown();
    EXPECT_NE(rowTitle(13), "  Small");
    EXPECT_NE(menu().itemAtIndex(13)->tag(), StatusMenu::kApplicationRowTag);
}

TEST_F(RunningApplications, ApplicationRowsAreDisabledTaggedAndCarryTheIcon) {
    fakes.workspace.addRegular("Editor", kGiB, "org.example.Editor");
    fakes.workspace.addRegular("Bare", kGiB, "");
    launch();

    const auto rows = applicationRows();
    ASSERT_EQ(rows.size(), 2U);
    for (const auto& row : rows) {
        EXPECT_EQ(row->tag(), StatusMenu::kApplicationRowTag);
        EXPECT_FALSE(row->isEnabled());
        EXPECT_FALSE(row->hasAction());
        EXPECT_EQ(row->onStateImage(), row->offStateImage());
    }
    EXPECT_EQ(rows[0]->title(), "  Editor");
    EXPECT_EQ(rows[0]->onStateImage(), "org.example.Editor");
    EXPECT_EQ(rows[1]->title(), "  Bare");
    EXPECT_EQ(rows[1]->onStateImage(), "application-x-executable");
}

TEST_F(RunningApplications, NoOtherRowCarriesTheApplicationTag) {
    launch();
    EXPECT_TRUE(applicationRows().empty());
}

TEST_F(RunningApplications, FewerApplicationsReuseRowsAndRemoveTheRest) {
    for (std::int32_t i = 0; i < 5; ++i) {
        fakes.workspace.addRegular("App" + std::to_string(i),
                                   static_cast<std::uint64_t>(6 - i) * kGiB / 8);  // 9.4 % to 3.1 %
    }
    launch();
    ASSERT_EQ(applicationRows().size(), 5U);
    const std::size_t fullSize = menu().numberOfItems();
    const auto row10 = menu().itemAtIndex(10);
    const auto row11 = menu().itemAtIndex(11);

    fakes.workspace.clearApplications();
    fakes.workspace.addRegular("Second", 2 * kGiB);
    fakes.workspace.addRegular("First", 3 * kGiB);
    delegate().addRunningAppsToMenu();

    EXPECT_EQ(menu().numberOfItems(), fullSize - 3);
    EXPECT_EQ(menu().itemAtIndex(10), row10);  // retitled in place
    EXPECT_EQ(menu().itemAtIndex(11), row11);
    EXPECT_EQ(rowTitles(10, 2), (std::vector<std::string>{"  First", "  Second"}));
    EXPECT_EQ(applicationRows().size(), 2U);
    expectHeaderShown();
}

TEST_F(RunningApplications, NoneLeftTakesTheHeaderOutAndTheFirstBringsItBack) {
    fakes.workspace.addRegular("Big", 2 * kGiB);
    launch();
    const std::size_t shownSize = menu().numberOfItems();
    const auto firstCommand = menu().itemAtIndex(11);

    fakes.workspace.clearApplications();
    delegate().addRunningAppsToMenu();

    expectHeaderHidden();
    EXPECT_TRUE(applicationRows().empty());
    EXPECT_EQ(menu().numberOfItems(), shownSize - 3);
    EXPECT_EQ(menu().itemAtIndex(8), firstCommand);  // what followed moved up

    // Still none: nothing more goes.
    delegate().addRunningAppsToMenu();
    EXPECT_EQ(menu().numberOfItems(), shownSize - 3);

    fakes.workspace.addRegular("Back", 3 * kGiB);
    delegate().addRunningAppsToMenu();

    expectHeaderShown();
    EXPECT_EQ(rowTitle(10), "  Back");
    EXPECT_EQ(menu().numberOfItems(), shownSize);
    EXPECT_EQ(menu().itemAtIndex(11), firstCommand);
}

TEST_F(RunningApplications, LaunchWithNoneHidesTheHeader) {
    launch();
    expectHeaderHidden();
    EXPECT_EQ(rowTitle(7), "  Total: 8.00 GB");
}

TEST_F(RunningApplications, TicksKeepTheRowsCurrent) {
    fakes.workspace.addRegular("Early", 2 * kGiB);
    launch();
    fakes.workspace.clearApplications();
    fakes.workspace.addRegular("Later", 2 * kGiB);
    fakes.runLoop.advanceBy(5.0);
    EXPECT_EQ(rowTitles(10, 1), std::vector<std::string>{"  Later"});
    EXPECT_EQ(applicationRows().size(), 1U);
}

TEST_F(RunningApplications, UnreadableProcessesAreLoggedAndLeftOut) {
    fakes.preferences.put("significantThreshold", 0);
    fakes.workspace.addRegular("Gone", 0).residentSize.status =
        ResidentSizeReading::Status::Unreadable;
    fakes.workspace.addRegular("Truncated", 0).residentSize.status =
        ResidentSizeReading::Status::Short;
    fakes.workspace.addRegular("Fine", kMiB);
    launch();

    EXPECT_EQ(fakes.log.lines(), (std::vector<std::string>{"Error", "Error 2"}));
    EXPECT_EQ(listedNames(), std::vector<std::string>{"Fine"});
    // The same problems on the next refreshes are not logged again.
    fakes.runLoop.advanceBy(15.0);
    EXPECT_EQ(fakes.log.lines().size(), 2U);
}

}  // namespace
}  // namespace headroom::test
