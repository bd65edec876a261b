// The status item's title colour and bar icon after each refresh.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "DelegateTestSupport.h"

namespace headroom::test {
namespace {

class StatusTitle : public DelegateTest {
  protected:
    TitleColor colorAtLaunchWithFree(std::uint64_t freeBytes) {
        setFreeBytesExactly(freeBytes);
        launch();
        return statusItem().title()->attributes.foregroundColor;
    }
};

TEST_F(StatusTitle, FreeExactlyAtTheLevelIsRed) {
    fakes.preferences.put("memoryLevel", 200);
    EXPECT_EQ(colorAtLaunchWithFree(200 * kMiB), TitleColor::Red);
}

TEST_F(StatusTitle, OneByteAboveTheLevelIsGrey) {
    fakes.preferences.put("memoryLevel", 200);
    EXPECT_EQ(colorAtLaunchWithFree(200 * kMiB + 1), TitleColor::DisabledControlText);
}

TEST_F(StatusTitle, PercentageModeComparesBytesAllTheSame) {
    fakes.preferences.put("memoryLevel", 200);
    fakes.preferences.put("isPercentage", true);
    EXPECT_EQ(colorAtLaunchWithFree(200 * kMiB), TitleColor::Red);
    EXPECT_EQ(statusItem().title()->text, "2.44%");

    fakes.hostMemory.setStatistics(VmStatistics{200 * kMiB + 1});
    fakes.runLoop.advanceBy(5.0);
    EXPECT_EQ(statusItem().title()->attributes.foregroundColor, TitleColor::DisabledControlText);
}

TEST_F(StatusTitle, ColourFollowsEachRefresh) {
    fakes.preferences.put("memoryLevel", 200);
    EXPECT_EQ(colorAtLaunchWithFree(kGiB), TitleColor::DisabledControlText);

    fakes.hostMemory.setStatistics(VmStatistics{150 * kMiB});
    fakes.runLoop.advanceBy(5.0);
    EXPECT_EQ(statusItem().title()->attributes.foregroundColor, TitleColor::Red);

    fakes.hostMemory.setStatistics(VmStatistics{kGiB});
    fakes.runLoop.advanceBy(5.0);
    EXPECT_EQ(statusItem().title()->attributes.foregroundColor, TitleColor::DisabledControlText);
}

TEST_F(StatusTitle, HiddenTextGivesAnEmptyTitleThatIsStillColoured) {
    fakes.preferences.put("isShowText", false);
    fakes.preferences.put("memoryLevel", 200);
    EXPECT_EQ(colorAtLaunchWithFree(100 * kMiB), TitleColor::Red);
    EXPECT_EQ(statusItem().title()->text, "");

    fakes.hostMemory.setStatistics(VmStatistics{kGiB});
    fakes.runLoop.advanceBy(5.0);
    EXPECT_EQ(statusItem().title()->text, "");
    EXPECT_EQ(statusItem().title()->attributes.foregroundColor, TitleColor::DisabledControlText);
}

TEST_F(StatusTitle, HiddenIconRemovesTheImage) {
    fakes.preferences.put("isShowIcon", false);
    launch();
    EXPECT_EQ(statusItem().image(), std::nullopt);
    // The placeholder image was there before the preferences said otherwise.
    EXPECT_TRUE(statusItem().imageHistory().front().has_value());

    delegate().setIsShowIcon(true);
    EXPECT_TRUE(statusItem().image().has_value());
    delegate().setIsShowIcon(false);
    EXPECT_EQ(statusItem().image(), std::nullopt);
}

struct BarCase {
    std::uint64_t freeBytes;
    float width;
};

void PrintTo(const BarCase& c, std::ostream* os) {
    *os << "free " << c.freeBytes;
}

class BarIcon : public StatusTitle, public ::testing::WithParamInterface<BarCase> {};

TEST_P(BarIcon, WidthGrowsWithTheShareInUse) {
    setFreeBytesExactly(GetParam().freeBytes);
    launch();

    ASSERT_TRUE(statusItem().image().has_value());
    const StatusImage& image = *statusItem().image();
    EXPECT_EQ(image.kind, StatusImage::Kind::BarIcon);
    EXPECT_EQ(image.name, "h4_n");
    EXPECT_TRUE(image.isTemplate);
    EXPECT_EQ(image.barWidth, GetParam().width);  // exact, at single precision
}

INSTANTIATE_TEST_SUITE_P(StatusTitle, BarIcon,
                         ::testing::Values(BarCase{8 * kGiB, 0.0f}, BarCase{0, 11.4f},
                                           BarCase{4 * kGiB, 5.7f}));

}  // namespace
}  // namespace headroom::test
