// The launch load of the nine preferences: defaults for missing keys, stored values as they are.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "DelegateTestSupport.h"

namespace headroom::test {
namespace {

using Write = FakePreferenceStore::Write;
using Value = FakePreferenceStore::Value;

const std::vector<Write> kDefaultsInLoadOrder = {
    {"isRunOnStartUp", Value(false)},
    {"isPercentage", Value(false)},
    {"isShowIcon", Value(true)},
    {"isShowText", Value(true)},
    {"strTextSize", Value(std::string("Normal"))},
    {"refreshInterval", Value(std::int64_t{5})},
    {"isAutoFreeMemory", Value(false)},
    {"memoryLevel", Value(std::int64_t{200})},
    {"significantThreshold", Value(std::int64_t{2})},
};

class PreferenceLoad : public DelegateTest {
  protected:
    AppDelegate& load() {
        delegate().setDefaultValueForPreferences();
        return delegate();
    }
};

TEST_F(PreferenceLoad, EmptyStoreGetsEveryDefaultInLoadOrderWithItsType) {
    const AppDelegate& d = load();

    // The variant's alternative is the typed write used: a bool written as an integer, or the
    // text size as anything but text, would fail here.
    EXPECT_EQ(fakes.preferences.writes(), kDefaultsInLoadOrder);
    EXPECT_FALSE(d.isRunOnStartUp);
    EXPECT_FALSE(d.isPercentage);
    EXPECT_TRUE(d.isShowIcon);
    EXPECT_TRUE(d.isShowText);
    EXPECT_EQ(d.strTextSize, "Normal");
    EXPECT_EQ(d.refreshInterval, 5);
    EXPECT_FALSE(d.isAutoFreeMemory);
    EXPECT_EQ(d.memoryLevel, 200);
    EXPECT_EQ(d.significantThreshold, 2);
}

TEST_F(PreferenceLoad, PresentKeyIsTakenAndNotRewritten) {
    fakes.preferences.put("isShowIcon", false);
    const AppDelegate& d = load();

    EXPECT_FALSE(d.isShowIcon);
    std::vector<Write> expected = kDefaultsInLoadOrder;
    std::erase_if(expected, [](const Write& w) { return w.key == "isShowIcon"; });
    EXPECT_EQ(fakes.preferences.writes(), expected);
    EXPECT_EQ(fakes.preferences.stored("isShowIcon"), Value(false));
}

TEST_F(PreferenceLoad, StoredValuesWinOverEveryDefault) {
    fakes.preferences.put("isRunOnStartUp", true);
    fakes.preferences.put("isPercentage", true);
    fakes.preferences.put("isShowIcon", false);
    fakes.preferences.put("isShowText", false);
    fakes.preferences.put("strTextSize", "Small");
    fakes.preferences.put("refreshInterval", 30);
    fakes.preferences.put("isAutoFreeMemory", true);
    fakes.preferences.put("memoryLevel", 512);
    fakes.preferences.put("significantThreshold", 10);
    const AppDelegate& d = load();

    EXPECT_TRUE(fakes.preferences.writes().empty());
    EXPECT_TRUE(d.isRunOnStartUp);
    EXPECT_TRUE(d.isPercentage);
    EXPECT_FALSE(d.isShowIcon);
    EXPECT_FALSE(d.isShowText);
    EXPECT_EQ(d.strTextSize, "Small");
    EXPECT_EQ(d.refreshInterval, 30);
    EXPECT_TRUE(d.isAutoFreeMemory);
    EXPECT_EQ(d.memoryLevel, 512);
    EXPECT_EQ(d.significantThreshold, 10);
}

TEST_F(PreferenceLoad, OutOfRangeLevelIsTakenUnclamped) {
    fakes.preferences.put("memoryLevel", 5000);
    fakes.preferences.put("significantThreshold", 250);
    fakes.preferences.put("refreshInterval", -3);
    const AppDelegate& d = load();

    EXPECT_EQ(d.memoryLevel, 5000);
    EXPECT_EQ(d.significantThreshold, 250);
    EXPECT_EQ(d.refreshInterval, -3);
}

struct WideCase {
    std::int64_t stored;
    std::int32_t expected;
};

void PrintTo(const WideCase& c, std::ostream* os) {
    *os << "stored " << c.stored;
}

class WideIntegers : public PreferenceLoad, public ::testing::WithParamInterface<WideCase> {};

TEST_P(WideIntegers, ThirtyTwoBitPropertiesKeepTheLowBitsAsSigned) {
    fakes.preferences.put("memoryLevel", GetParam().stored);
    fakes.preferences.put("significantThreshold", GetParam().stored);
    const AppDelegate& d = load();

    EXPECT_EQ(d.memoryLevel, GetParam().expected);
    EXPECT_EQ(d.significantThreshold, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(PreferenceLoad, WideIntegers,
                         ::testing::Values(WideCase{0x1000000C8, 200}, WideCase{0xFFFFFFFF, -1},
                                           WideCase{4294967296 + 5, 5},
                                           WideCase{0x80000000, -2147483647 - 1}, WideCase{-1, -1},
                                           WideCase{-4294967296 + 7, 7},
                                           WideCase{std::numeric_limits<std::int64_t>::min(), 0}));

TEST_F(PreferenceLoad, RefreshIntervalKeepsAllSixtyFourBits) {
    fakes.preferences.put("refreshInterval", std::int64_t{0x100000005});
    EXPECT_EQ(load().refreshInterval, 0x100000005);
}

TEST_F(PreferenceLoad, WrongTypedValuesReadAsNoOrZeroAndKeepTheirKeys) {
    fakes.preferences.put("isShowIcon", "maybe");
    fakes.preferences.put("isShowText", "yes");
    fakes.preferences.put("memoryLevel", "12 MB");
    fakes.preferences.put("refreshInterval", "soon");
    const AppDelegate& d = load();

    EXPECT_FALSE(d.isShowIcon);
    EXPECT_FALSE(d.isShowText);
    EXPECT_EQ(d.memoryLevel, 0);
    EXPECT_EQ(d.refreshInterval, 0);
    for (const auto& key : fakes.preferences.writtenKeys()) {
        EXPECT_NE(key, "isShowIcon");
        EXPECT_NE(key, "isShowText");
        EXPECT_NE(key, "memoryLevel");
        EXPECT_NE(key, "refreshInterval");
    }
    EXPECT_EQ(fakes.preferences.stored("memoryLevel"), Value(std::string("12 MB")));
}

TEST_F(PreferenceLoad, ConvertibleValuesOfAnotherTypeAreConverted) {
    fakes.preferences.put("isPercentage", "true");
    fakes.preferences.put("isRunOnStartUp", 1);
    fakes.preferences.put("isShowIcon", "0");
    fakes.preferences.put("memoryLevel", "300");
    fakes.preferences.put("significantThreshold", true);
    fakes.preferences.put("strTextSize", 7);
    const AppDelegate& d = load();

    EXPECT_TRUE(d.isPercentage);
    EXPECT_TRUE(d.isRunOnStartUp);
    EXPECT_FALSE(d.isShowIcon);
    EXPECT_EQ(d.memoryLevel, 300);
    EXPECT_EQ(d.significantThreshold, 1);
    EXPECT_EQ(d.strTextSize, "7");
}

TEST_F(PreferenceLoad, SecondLaunchOnTheStoreTheFirstLeftWritesNothing) {
    launch();
    const auto first = fakes.preferences.values();
    fakes.preferences.clearWrites();

    AppDelegate second(fakes.platform());
    second.setDefaultValueForPreferences();

    EXPECT_TRUE(fakes.preferences.writes().empty());
    EXPECT_EQ(fakes.preferences.values(), first);
    EXPECT_EQ(second.memoryLevel, 200);
    EXPECT_TRUE(second.isShowText);
    EXPECT_EQ(second.strTextSize, "Normal");
}

TEST_F(PreferenceLoad, WelcomeChoiceIsNeitherReadNorWritten) {
    fakes.preferences.put("Show", "n");
    load();
    EXPECT_EQ(fakes.preferences.stored("Show"), Value(std::string("n")));
    for (const auto& key : fakes.preferences.writtenKeys()) {
        EXPECT_NE(key, "Show");
    }
}

}  // namespace
}  // namespace headroom::test
