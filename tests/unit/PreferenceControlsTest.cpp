// The setting controls of the preferences window on a fake window: what each one sets, stores
// and refreshes; the bounds of the numeric fields; start at login.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "DelegateTestSupport.h"
#include "preferences/PreferenceRules.h"
#include "preferences/SettingWindowController.h"

namespace headroom::test {
namespace {

using Write = FakePreferenceStore::Write;
using Registration = FakeLoginItems::Registration;

class PreferenceControls : public DelegateTest {
  protected:
    void SetUp() override {
        launch();
        delegate().preferencePressed();
        fakes.journal.clear();
        fakes.preferences.clearWrites();
    }
    FakeSettingWindow& w() { return fakes.settingWindows.window(); }
    std::vector<Write> writes() { return fakes.preferences.writes(); }
};

// One check box: its property, the key it stores, and the port call its refresh makes.
struct CheckBoxCase {
    const char* box;
    bool AppDelegate::*property;
    const char* key;
    const char* refresh;  ///< nullptr: none
};

const CheckBoxCase kCheckBoxes[] = {
    {"btnPercentage", &AppDelegate::isPercentage, "isPercentage", "hostMemory.statistics"},
    {"btnShowIcon", &AppDelegate::isShowIcon, "isShowIcon", "statusItem.setImage"},
    {"btnShowText", &AppDelegate::isShowText, "isShowText", "statusItem.setAttributedTitle"},
    {"btnAutomaticFree", &AppDelegate::isAutoFreeMemory, "isAutoFreeMemory", nullptr},
    {"btnRunOnStartup", &AppDelegate::isRunOnStartUp, "isRunOnStartUp",
     "loginItems.setLoginItemEnabled"}};

class CheckBoxes : public PreferenceControls, public ::testing::WithParamInterface<CheckBoxCase> {};

TEST_P(CheckBoxes, SetThePropertyStoreItAndRefresh) {
    const CheckBoxCase& c = GetParam();
    const bool before = delegate().*c.property;

    w().click(c.box);

    EXPECT_EQ(delegate().*c.property, !before);
    EXPECT_EQ(writes(), (std::vector<Write>{{c.key, !before}}));
    if (c.refresh != nullptr) {
        EXPECT_EQ(fakes.journal.count(c.refresh), 1U) << c.refresh;
    } else {
        EXPECT_EQ(fakes.journal.entries(), std::vector<std::string>{"preferences.write"});
    }
    // Any state but on counts as off.
    w().change(c.box, 2);
    EXPECT_FALSE(delegate().*c.property);
}

INSTANTIATE_TEST_SUITE_P(Each, CheckBoxes, ::testing::ValuesIn(kCheckBoxes),
                         [](const auto& testInfo) { return std::string(testInfo.param.box); });

TEST_F(PreferenceControls, PercentageShowsAtOnceWithoutWaitingForATick) {
    openMenu();
    w().click("btnPercentage");
    EXPECT_NE(rowTitle(2).find('%'), std::string::npos) << rowTitle(2);
    ASSERT_TRUE(statusItem().title().has_value());
    EXPECT_NE(statusItem().title()->text.find('%'), std::string::npos);
}

// Icon and text are never both off: clicks from both on, what the last one writes, and what
// is shown after it.
struct OneStaysOnCase {
    const char* name;
    std::vector<const char*> clicks;
    std::vector<Write> lastWrites;
    bool icon;
    bool text;
};

const OneStaysOnCase kOneStaysOn[] = {
    {"IconOffWhileTextOn", {"btnShowIcon"}, {{"isShowIcon", false}}, false, true},
    {"IconOffWhileTextOff",
     {"btnShowText", "btnShowIcon"},
     {{"isShowText", true}, {"isShowIcon", false}},
     false,
     true},
    {"TextOffWhileIconOff",
     {"btnShowIcon", "btnShowText"},
     {{"isShowIcon", true}, {"isShowText", false}},
     true,
     false}};

class OneStaysOn : public PreferenceControls,
                   public ::testing::WithParamInterface<OneStaysOnCase> {};

TEST_P(OneStaysOn, IconOrTextComesBack) {
    const OneStaysOnCase& c = GetParam();
    for (const char* box : c.clicks) {
        fakes.preferences.clearWrites();
        w().click(box);
    }
    EXPECT_EQ(writes(), c.lastWrites);
    EXPECT_EQ(w().intValue("btnShowIcon"), c.icon ? 1 : 0);
    EXPECT_EQ(w().intValue("btnShowText"), c.text ? 1 : 0);
    EXPECT_EQ(delegate().isShowIcon, c.icon);
    EXPECT_EQ(delegate().isShowText, c.text);
    // The status item is drawn again by what comes back.
    EXPECT_EQ(statusItem().image().showsBar, c.icon);
    ASSERT_TRUE(statusItem().title().has_value());
    EXPECT_EQ(statusItem().title()->text.empty(), !c.text);
}

INSTANTIATE_TEST_SUITE_P(Each, OneStaysOn, ::testing::ValuesIn(kOneStaysOn),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(PreferenceControls, SegmentZeroIsNormalAndEveryOtherSmall) {
    w().change("segmentSize", 1);
    w().change("segmentSize", 0);
    w().change("segmentSize", 2);
    EXPECT_EQ(writes(), (std::vector<Write>{{"strTextSize", std::string("Small")},
                                            {"strTextSize", std::string("Normal")},
                                            {"strTextSize", std::string("Small")}}));
    EXPECT_EQ(delegate().strTextSize, "Small");
    EXPECT_EQ(fakes.journal.count("statusItem.setAttributedTitle"), 3U);
}

TEST_F(PreferenceControls, SliderRestartsTheTimerOnlyWhenItsWholeValueChanges) {
    ASSERT_EQ(delegate().refreshInterval, 5);
    const auto timer = fakes.runLoop.validTimers();
    w().change("sliderFrequency", 5);
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(fakes.runLoop.validTimers(), timer);

    w().change("sliderFrequency", 10);
    EXPECT_EQ(delegate().refreshInterval, 10);
    EXPECT_EQ(w().stringValue("txtSliderValue"), "10");
    EXPECT_EQ(writes(), (std::vector<Write>{{"refreshInterval", std::int64_t{10}}}));
    EXPECT_EQ(fakes.journal.count("runLoop.addRepeatingTimer"), 1U);
    ASSERT_EQ(fakes.runLoop.validTimerCount(), 1U);
    EXPECT_EQ(fakes.runLoop.validTimers().front()->interval(), Seconds(10.0));
}

// An edit of a numeric field, and the value it is bounded to while typing.
struct Typed {
    const char* field;
    const char* text;
    std::int32_t value;
};

constexpr const char* kLevel = "txtMemoryLevel";
constexpr const char* kThreshold = "txtSignificantLevel";
constexpr const char* kPressure = "txtPressureLevel";
const Typed kEdits[] = {
    {kLevel, "0", 1},         {kLevel, "2048", 1024},        {kLevel, "", 1},
    {kLevel, "abc", 1},       {kLevel, "12abc", 12},         {kLevel, " +7", 7},
    {kLevel, "-5", 1},        {kLevel, "99999999999", 1024}, {kLevel, "1024", 1024},
    {kThreshold, "150", 100}, {kThreshold, "", 0},           {kThreshold, "-3", 0},
    {kThreshold, "007", 7},   {kThreshold, "100", 100},      {kPressure, "0", 0},
    {kPressure, "-1", 0},     {kPressure, "250", 100},       {kPressure, "25", 25}};

void PrintTo(const Typed& t, std::ostream* out) {
    *out << t.field << " \"" << t.text << "\"";
}

class Typing : public PreferenceControls, public ::testing::WithParamInterface<Typed> {};

TEST_P(Typing, ShowsSetsAndStoresTheBoundedValue) {
    const Typed& t = GetParam();
    const std::string field = t.field;
    const auto [property, key] =
        field == kLevel ? std::pair{&AppDelegate::memoryLevel, "memoryLevel"}
        : field == kThreshold
            ? std::pair{&AppDelegate::significantThreshold, "significantThreshold"}
            : std::pair{&AppDelegate::pressureLevel, "pressureLevel"};
    w().type(t.field, t.text);
    EXPECT_EQ(w().stringValue(t.field), std::to_string(t.value));
    EXPECT_EQ(delegate().*property, t.value);
    EXPECT_EQ(writes(), (std::vector<Write>{{key, std::int64_t{t.value}}}));
}

INSTANTIATE_TEST_SUITE_P(Edits, Typing, ::testing::ValuesIn(kEdits));

TEST_F(PreferenceControls, EndOfEditingBoundsTheLevelButNotTheThresholdAndIgnoresOtherFields) {
    SettingWindowController& controller = w().controller;
    for (const auto& [field, text] :
         {std::pair{kLevel, "0"}, std::pair{kThreshold, ""}, std::pair{kThreshold, "150"}}) {
        w().setStringValue(field, text);
        controller.controlTextDidEndEditing(field);
    }
    controller.controlTextDidChange("txtSliderValue");
    controller.controlTextDidEndEditing("txtAppName");

    EXPECT_EQ(w().stringValue(kLevel), "1");
    EXPECT_EQ(w().stringValue("txtAppName"), "Headroom");
    EXPECT_EQ(writes(), (std::vector<Write>{{"memoryLevel", std::int64_t{1}},
                                            {"significantThreshold", std::int64_t{0}},
                                            {"significantThreshold", std::int64_t{150}}}));
}

TEST_F(PreferenceControls, StartAtLoginRegistersTheHelperEachTimeAndLogsARefusalKeepingTheChoice) {
    w().click("btnRunOnStartup");
    w().click("btnRunOnStartup");
    EXPECT_TRUE(fakes.log.lines().empty());
    fakes.loginItems.refusal = "cannot write /home/u/.config/autostart: Permission denied";
    w().click("btnRunOnStartup");

    EXPECT_EQ(fakes.loginItems.registrations(),
              (std::vector<Registration>{{"com.Tidewell.Helper", true},
                                         {"com.Tidewell.Helper", false},
                                         {"com.Tidewell.Helper", true}}));
    EXPECT_TRUE(delegate().isRunOnStartUp);
    EXPECT_EQ(w().intValue("btnRunOnStartup"), 1);
    EXPECT_TRUE(fakes.preferences.boolForKey("isRunOnStartUp"));
    EXPECT_EQ(fakes.log.lines(),
              std::vector<std::string>{"Could not turn on start at login: cannot write "
                                       "/home/u/.config/autostart: Permission denied"});
}

TEST(PreferenceRules, IntValueReadsTheLeadingNumberLikeTheDesktop) {
    EXPECT_EQ(intValue("12abc"), 12);
    EXPECT_EQ(intValue("007"), 7);
    EXPECT_EQ(intValue(""), 0);
    EXPECT_EQ(intValue("abc"), 0);
    EXPECT_EQ(intValue("-3"), -3);
    EXPECT_EQ(intValue(" \t\n+42 "), 42);
    EXPECT_EQ(intValue("--1"), 0);
    EXPECT_EQ(intValue("1 2"), 1);
    EXPECT_EQ(intValue("2147483647"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(intValue("2147483648"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(intValue("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(intValue("-99999999999999999999999"), std::numeric_limits<std::int32_t>::min());
}

}  // namespace
}  // namespace headroom::test
