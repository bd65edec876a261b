// The launch load of the preferences: defaults for missing keys, stored values as they are.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "DelegateTestSupport.h"

namespace headroom::test {
namespace {

using Write = FakePreferenceStore::Write;
using Value = FakePreferenceStore::Value;

/// The property that mirrors `key`, as a store value (the 32-bit ones widened).
Value property(const PreferenceModel& m, const std::string& key) {
    const std::map<std::string, Value> all = {
        {"isRunOnStartUp", m.isRunOnStartUp},
        {"isPercentage", m.isPercentage},
        {"isShowIcon", m.isShowIcon},
        {"isShowText", m.isShowText},
        {"strTextSize", m.strTextSize},
        {"refreshInterval", m.refreshInterval},
        {"isAutoFreeMemory", m.isAutoFreeMemory},
        {"memoryLevel", std::int64_t{m.memoryLevel}},
        {"significantThreshold", std::int64_t{m.significantThreshold}},
        {"pressureLevel", std::int64_t{m.pressureLevel}},
    };
    return all.at(key);
}

const std::vector<Write> kDefaultsInLoadOrder = {
    {"isRunOnStartUp", false},
    {"isPercentage", false},
    {"isShowIcon", true},
    {"isShowText", true},
    {"strTextSize", std::string("Normal")},
    {"refreshInterval", std::int64_t{5}},
    {"isAutoFreeMemory", false},
    {"memoryLevel", std::int64_t{200}},
    {"significantThreshold", std::int64_t{2}},
    {"pressureLevel", std::int64_t{10}},
};

TEST(PreferenceLoad, EmptyStoreGetsEveryDefaultWithItsTypeAndTheNextLaunchWritesNothing) {
    FakePlatform fakes;
    fakes.preferences.put("Show", "n");  // the welcome window's: neither read nor written here
    AppDelegate first(fakes.platform());
    first.setDefaultValueForPreferences();
    // The variant's alternative is the typed write used.
    EXPECT_EQ(fakes.preferences.writes(), kDefaultsInLoadOrder);

    fakes.preferences.clearWrites();
    AppDelegate next(fakes.platform());
    next.setDefaultValueForPreferences();
    EXPECT_TRUE(fakes.preferences.writes().empty());
    for (const Write& w : kDefaultsInLoadOrder) {
        EXPECT_EQ(property(first, w.key), w.value) << w.key;
        EXPECT_EQ(property(next, w.key), w.value) << w.key;
    }
    EXPECT_EQ(fakes.preferences.values().at("Show"), Value(std::string("n")));
}

struct Stored {
    std::string key;
    Value stored;
    Value read;
};

TEST(PreferenceLoad, StoredValuesAreTakenAsTheyReadAndNeverRewritten) {
    constexpr std::int64_t kMin64 = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t kMin32 = std::numeric_limits<std::int32_t>::min();
    const std::vector<Stored> cases = {
        // Stored values win over the defaults, unclamped.
        {"isRunOnStartUp", true, true},
        {"isPercentage", true, true},
        {"isShowIcon", false, false},
        {"isShowText", false, false},
        {"isAutoFreeMemory", true, true},
        {"strTextSize", std::string("Small"), std::string("Small")},
        {"refreshInterval", std::int64_t{-3}, std::int64_t{-3}},
        {"memoryLevel", std::int64_t{5000}, std::int64_t{5000}},
        {"significantThreshold", std::int64_t{250}, std::int64_t{250}},
        {"pressureLevel", std::int64_t{0}, std::int64_t{0}},
        // The 32-bit properties keep the low 32 bits, as signed; the interval all 64.
        {"refreshInterval", std::int64_t{0x100000005}, std::int64_t{0x100000005}},
        {"memoryLevel", std::int64_t{0x1000000C8}, std::int64_t{200}},
        {"significantThreshold", std::int64_t{0xFFFFFFFF}, std::int64_t{-1}},
        {"memoryLevel", std::int64_t{0x80000000}, kMin32},
        {"significantThreshold", std::int64_t{-4294967296 + 7}, std::int64_t{7}},
        {"memoryLevel", kMin64, std::int64_t{0}},
        // Another type reads as its text does; what does not read is NO or 0, and stays.
        {"isPercentage", std::string("true"), true},
        {"isRunOnStartUp", std::int64_t{1}, true},
        {"isShowIcon", std::string("maybe"), false},
        {"isShowText", std::string("yes"), false},
        {"memoryLevel", std::string("300"), std::int64_t{300}},
        {"memoryLevel", std::string("12 MB"), std::int64_t{0}},
        {"refreshInterval", std::string("soon"), std::int64_t{0}},
        {"significantThreshold", true, std::int64_t{0}},
        {"strTextSize", std::int64_t{7}, std::string("7")},
    };
    for (const Stored& c : cases) {
        SCOPED_TRACE(c.key + " stored as " + ::testing::PrintToString(c.stored));
        FakePlatform fakes;
        fakes.preferences.put(c.key, c.stored);
        AppDelegate delegate(fakes.platform());
        delegate.setDefaultValueForPreferences();
        EXPECT_EQ(property(delegate, c.key), c.read);
        EXPECT_EQ(fakes.preferences.values().at(c.key), c.stored);
        EXPECT_EQ(fakes.preferences.writes().size(), kDefaultsInLoadOrder.size() - 1);
    }
}

}  // namespace
}  // namespace headroom::test
