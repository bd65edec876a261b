// Applications with a significant share of memory and their rows in the status menu.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "DelegateTestSupport.h"

namespace headroom::test {
namespace {

using Status = ResidentSizeReading::Status;

class RunningApplications : public DelegateTest {
  protected:
    /// The application rows: their titles and icons, checking what every such row is.
    std::vector<std::string> rows() {
        std::vector<std::string> shown;
        for (const MenuRow& row : applicationRows()) {
            EXPECT_FALSE(row.enabled) << row.title;
            shown.push_back(row.title + " " + row.image);
        }
        return shown;
    }

    /// The rows stand right after the separator and the header at rows 8 and 9, and that
    /// header is there only while they are.
    void expectHeaderWith(std::size_t count) {
        std::size_t headers = 0;
        std::size_t separators = 0;
        for (const MenuRow& row : menu()) {
            headers += row.title == "Significant Usage" ? 1U : 0U;
            separators += row.separator ? 1U : 0U;
        }
        EXPECT_EQ(headers, count > 0 ? 1U : 0U);
        EXPECT_EQ(separators, count > 0 ? 3U : 2U);
        if (count > 0) {
            EXPECT_TRUE(menu()[8].separator);
            EXPECT_EQ(rowTitle(9), "Significant Usage");
            const auto rows = applicationRows();
            EXPECT_TRUE(!rows.empty() && rows.front() == menu()[10]);
        }
    }
};

struct App {
    const char* name;
    std::uint64_t bytes;
    const char* icon = "app-icon";
    Status status = Status::Ok;
    const char* unmeasured = nullptr;  ///< another of its processes, unreadable: what it says
};

struct ListCase {
    const char* name;
    std::int64_t threshold;
    std::vector<App> apps;
    std::vector<std::string> rows;  ///< title and icon
    std::vector<std::string> log;
};

void PrintTo(const ListCase& c, std::ostream* os) {
    *os << c.name;
}

class Listed : public RunningApplications, public ::testing::WithParamInterface<ListCase> {};

TEST_P(Listed, ApplicationsAtOrAboveTheThresholdLargestFirst) {
    const ListCase& c = GetParam();
    fakes.preferences.put("significantThreshold", c.threshold);
    for (const App& app : c.apps) {
        auto& reading = fakes.workspace.addRegular(app.name, app.bytes, app.icon).residentSize;
        reading.status = app.status;
        if (app.unmeasured != nullptr) {
            reading.unmeasured.emplace_back(Status::Unreadable, app.unmeasured);
        }
    }
    launch();
    openMenu();

    EXPECT_EQ(rows(), c.rows);
    expectHeaderWith(c.rows.size());
    EXPECT_EQ(fakes.log.lines(), c.log);
    // The next refreshes list the same again, and say nothing new.
    fakes.runLoop.advanceBy(15.0);
    EXPECT_EQ(rows(), c.rows);
    EXPECT_EQ(fakes.log.lines(), c.log);
}

INSTANTIATE_TEST_SUITE_P(
    RunningApplications, Listed,
    ::testing::Values(
        // Of 8 GiB installed: 164 MiB is 2.002 %, 160 MiB 1.953 %.
        ListCase{"share_of_installed_memory",
                 2,
                 {{"Above", 164 * kMiB}, {"Below", 160 * kMiB}},
                 {"  Above app-icon"},
                 {}},
        ListCase{"equal_to_the_threshold",
                 25,
                 {{"Exactly", 2 * kGiB}, {"JustUnder", 2 * kGiB - 4096}},
                 {"  Exactly app-icon"},
                 {}},
        ListCase{"largest_first",
                 2,
                 {{"Small", 266287972}, {"Large", kGiB, ""}, {"Middle", 601295421, "org.ex.Mid"}},
                 {"  Large application-x-executable", "  Middle org.ex.Mid", "  Small app-icon"},
                 {}},
        ListCase{"unmeasured_are_logged_once",
                 0,
                 {{"Gone", 0, "app-icon", Status::Unreadable},
                  {"Truncated", 0, "app-icon", Status::Short},
                  {"Fine", kMiB},
                  {"Partly", kMiB, "app-icon", Status::Ok, "cannot open /proc/7/statm"}},
                 {"  Fine app-icon", "  Partly app-icon"},
                 {"Error", "Error 2", "Error: cannot open /proc/7/statm"}}),
    [](const ::testing::TestParamInfo<ListCase>& p) { return std::string(p.param.name); });

TEST_F(RunningApplications, ListedOnlyWhileTheMenuShowsAndTheHeaderGoesAndComesBack) {
    for (std::uint64_t i = 0; i < 5; ++i) {
        fakes.workspace.addRegular("App" + std::to_string(i), (6 - i) * kGiB / 8);
    }
    launch();
    // Closed, the menu has no applications and nothing lists them, refresh after refresh.
    fakes.runLoop.advanceBy(10.0);
    EXPECT_EQ(fakes.workspace.listingCount(), 0U);
    EXPECT_TRUE(rows().empty());
    expectHeaderWith(0);
    // About to be shown: listed once; open: at every refresh.
    statusItem().menuEvent(MenuEvent::AboutToShow);
    EXPECT_EQ(fakes.workspace.listingCount(), 1U);
    ASSERT_EQ(applicationRows().size(), 5U);
    const std::size_t fullSize = menu().size();
    openMenu();
    EXPECT_EQ(fakes.workspace.listingCount(), 2U);

    fakes.workspace.clearApplications();
    fakes.workspace.addRegular("Second", 2 * kGiB);
    fakes.workspace.addRegular("First", 3 * kGiB);
    fakes.runLoop.advanceBy(5.0);
    EXPECT_EQ(rows(), (std::vector<std::string>{"  First app-icon", "  Second app-icon"}));
    EXPECT_EQ(menu().size(), fullSize - 3);
    expectHeaderWith(2);

    // None: the header goes too, and what followed moves up.
    fakes.workspace.clearApplications();
    fakes.runLoop.advanceBy(10.0);
    EXPECT_TRUE(rows().empty());
    expectHeaderWith(0);
    EXPECT_EQ(menu()[8].key, "-commands");
    EXPECT_EQ(menu().size(), fullSize - 7);

    // The first one back brings the header back; closed again, listing stops.
    fakes.workspace.addRegular("Back", 3 * kGiB);
    fakes.runLoop.advanceBy(5.0);
    EXPECT_EQ(rows(), std::vector<std::string>{"  Back app-icon"});
    expectHeaderWith(1);
    EXPECT_EQ(menu()[11].key, "-commands");
    statusItem().menuEvent(MenuEvent::Closed);
    const std::size_t listed = fakes.workspace.listingCount();
    const std::size_t menus = statusItem().menusSet();
    fakes.runLoop.advanceBy(20.0);
    EXPECT_EQ(fakes.workspace.listingCount(), listed);
    EXPECT_EQ(statusItem().menusSet(), menus);
}

}  // namespace
}  // namespace headroom::test
