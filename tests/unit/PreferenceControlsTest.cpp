// The setting controls of the preferences window on fake outlets: what each one sets, stores
// and refreshes; the bounds of the numeric fields; start at login.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <ostream>
#include <string>
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
    SettingWindowController& controller() { return *delegate().settingWindow(); }
    std::vector<Write> writes() { return fakes.preferences.writes(); }
};

// One check box: its property, the key it stores, and the port call its refresh makes.
struct CheckBoxCase {
    const char* name;
    FakeCheckBox FakeSettingWindow::*box;
    bool AppDelegate::*property;
    const char* key;
    const char* refresh;  ///< nullptr: none
};

void PrintTo(const CheckBoxCase& c, std::ostream* out) {
    *out << c.name;
}

class CheckBoxes : public PreferenceControls, public ::testing::WithParamInterface<CheckBoxCase> {};

TEST_P(CheckBoxes, SetThePropertyStoreItAndRefresh) {
    const CheckBoxCase& c = GetParam();
    FakeCheckBox& box = w().*c.box;
    const bool before = delegate().*c.property;

    box.click();

    EXPECT_EQ(delegate().*c.property, !before);
    EXPECT_EQ(writes(), (std::vector<Write>{{c.key, !before}}));
    if (c.refresh != nullptr) {
        EXPECT_EQ(fakes.journal.count(c.refresh), 1U) << c.refresh;
    } else {
        EXPECT_EQ(fakes.journal.entries(), std::vector<std::string>{"preferences.write"});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Each, CheckBoxes,
    ::testing::Values(CheckBoxCase{"Percentage", &FakeSettingWindow::btnPercentage,
                                   &AppDelegate::isPercentage, "isPercentage",
                                   "hostMemory.statistics"},
                      CheckBoxCase{"ShowIcon", &FakeSettingWindow::btnShowIcon,
                                   &AppDelegate::isShowIcon, "isShowIcon", "statusItem.setImage"},
                      CheckBoxCase{"ShowText", &FakeSettingWindow::btnShowText,
                                   &AppDelegate::isShowText, "isShowText",
                                   "statusItem.setAttributedTitle"},
                      CheckBoxCase{"AutomaticFree", &FakeSettingWindow::btnAutomaticFree,
                                   &AppDelegate::isAutoFreeMemory, "isAutoFreeMemory", nullptr},
                      CheckBoxCase{"RunOnStartup", &FakeSettingWindow::btnRunOnStartup,
                                   &AppDelegate::isRunOnStartUp, "isRunOnStartUp",
                                   "loginItems.setLoginItemEnabled"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(PreferenceControls, PercentageShowsAtOnceWithoutWaitingForATick) {
    w().btnPercentage.click();
    EXPECT_NE(rowTitle(2).find('%'), std::string::npos) << rowTitle(2);
    ASSERT_TRUE(statusItem().title().has_value());
    EXPECT_NE(statusItem().title()->text.find('%'), std::string::npos);
}

TEST_F(PreferenceControls, IconOffWhileTextOnLeavesTheText) {
    w().btnShowIcon.click();
    EXPECT_FALSE(delegate().isShowIcon);
    EXPECT_TRUE(delegate().isShowText);
    EXPECT_EQ(writes(), (std::vector<Write>{{"isShowIcon", false}}));
    EXPECT_EQ(statusItem().image(), std::nullopt);
}

TEST_F(PreferenceControls, IconOffWhileTextOffBringsTheTextBack) {
    w().btnShowText.click();  // text off, icon on
    fakes.preferences.clearWrites();
    fakes.journal.clear();

    w().btnShowIcon.click();

    EXPECT_EQ(w().btnShowText.state(), kControlStateOn);
    EXPECT_TRUE(delegate().isShowText);
    EXPECT_FALSE(delegate().isShowIcon);
    EXPECT_EQ(writes(), (std::vector<Write>{{"isShowText", true}, {"isShowIcon", false}}));
    EXPECT_EQ(statusItem().image(), std::nullopt);
    EXPECT_FALSE(statusItem().title()->text.empty()) << "the title is drawn again, with text";
}

TEST_F(PreferenceControls, TextOffWhileIconOffBringsTheIconBack) {
    w().btnShowIcon.force(kControlStateOff);
    delegate().isShowIcon = false;

    w().btnShowText.click();

    EXPECT_EQ(w().btnShowIcon.state(), kControlStateOn);
    EXPECT_TRUE(delegate().isShowIcon);
    EXPECT_FALSE(delegate().isShowText);
    EXPECT_EQ(writes(), (std::vector<Write>{{"isShowIcon", true}, {"isShowText", false}}));
    ASSERT_TRUE(statusItem().image().has_value());
    EXPECT_EQ(statusItem().title()->text, "");
}

TEST_F(PreferenceControls, OnlyTheOnStateCountsAsOn) {
    w().btnPercentage.force(2);  // a mixed state
    controller().btnUsePercentagePressed(w().btnPercentage);
    EXPECT_FALSE(delegate().isPercentage);
}

TEST_F(PreferenceControls, SegmentZeroIsNormalAndEveryOtherSmall) {
    w().segmentSize.select(1);
    w().segmentSize.select(0);
    w().segmentSize.select(2);
    EXPECT_EQ(writes(), (std::vector<Write>{{"strTextSize", std::string("Small")},
                                            {"strTextSize", std::string("Normal")},
                                            {"strTextSize", std::string("Small")}}));
    EXPECT_EQ(delegate().strTextSize, "Small");
    EXPECT_EQ(fakes.journal.count("statusItem.setAttributedTitle"), 3U);
}

TEST_F(PreferenceControls, SliderWithinTheSameWholeValueChangesNothing) {
    ASSERT_EQ(delegate().refreshInterval, 5);
    const auto timer = fakes.runLoop.validTimers();
    w().sliderFrequency.drag(5.7);

    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(fakes.runLoop.validTimers(), timer);
    EXPECT_EQ(w().txtSliderValue.setCount(), 1U) << "only the opening wrote the label";
}

TEST_F(PreferenceControls, SliderFromFiveToTenRestartsTheTimerOnceWithTenSeconds) {
    w().sliderFrequency.drag(10.0);

    EXPECT_EQ(delegate().refreshInterval, 10);
    EXPECT_EQ(w().txtSliderValue.stringValue(), "10");
    EXPECT_EQ(writes(), (std::vector<Write>{{"refreshInterval", std::int64_t{10}}}));
    EXPECT_EQ(fakes.journal.count("runLoop.addRepeatingTimer"), 1U);
    EXPECT_EQ(fakes.runLoop.validTimerCount(), 1U);
    ASSERT_EQ(fakes.runLoop.validTimerCount(), 1U);
    EXPECT_EQ(fakes.runLoop.validTimers().front()->interval(), Seconds(10.0));
}

struct Typed {
    const char* text;
    std::int32_t value;
};

class MemoryLevelTyping : public PreferenceControls, public ::testing::WithParamInterface<Typed> {};

TEST_P(MemoryLevelTyping, ShowsSetsAndStoresTheBoundedValue) {
    w().txtMemoryLevel.type(GetParam().text);
    const std::int32_t v = GetParam().value;
    EXPECT_EQ(w().txtMemoryLevel.stringValue(), std::to_string(v));
    EXPECT_EQ(delegate().memoryLevel, v);
    EXPECT_EQ(writes(), (std::vector<Write>{{"memoryLevel", std::int64_t{v}}}));
}

INSTANTIATE_TEST_SUITE_P(Edits, MemoryLevelTyping,
                         ::testing::Values(Typed{"0", 1}, Typed{"2048", 1024}, Typed{"", 1},
                                           Typed{"abc", 1}, Typed{"12abc", 12}, Typed{" +7", 7},
                                           Typed{"-5", 1}, Typed{"99999999999", 1024},
                                           Typed{"1024", 1024}));

class ThresholdTyping : public PreferenceControls, public ::testing::WithParamInterface<Typed> {};

TEST_P(ThresholdTyping, ShowsSetsAndStoresTheBoundedValue) {
    w().txtSignificantLevel.type(GetParam().text);
    const std::int32_t v = GetParam().value;
    EXPECT_EQ(w().txtSignificantLevel.stringValue(), std::to_string(v));
    EXPECT_EQ(delegate().significantThreshold, v);
    EXPECT_EQ(writes(), (std::vector<Write>{{"significantThreshold", std::int64_t{v}}}));
}

INSTANTIATE_TEST_SUITE_P(Edits, ThresholdTyping,
                         ::testing::Values(Typed{"150", 100}, Typed{"", 0}, Typed{"-3", 0},
                                           Typed{"007", 7}, Typed{"100", 100}));

TEST_F(PreferenceControls, EndOfEditingBoundsTheLevelButNotTheThreshold) {
    w().txtMemoryLevel.setStringValue("0");
    controller().controlTextDidEndEditing(w().txtMemoryLevel);
    w().txtSignificantLevel.setStringValue("");
    controller().controlTextDidEndEditing(w().txtSignificantLevel);
    w().txtSignificantLevel.setStringValue("150");
    controller().controlTextDidEndEditing(w().txtSignificantLevel);

    EXPECT_EQ(w().txtMemoryLevel.stringValue(), "1");
    EXPECT_EQ(writes(), (std::vector<Write>{{"memoryLevel", std::int64_t{1}},
                                            {"significantThreshold", std::int64_t{0}},
                                            {"significantThreshold", std::int64_t{150}}}));
}

TEST_F(PreferenceControls, FieldsOfOtherTagsAreIgnored) {
    controller().controlTextDidChange(w().txtSliderValue);
    controller().controlTextDidEndEditing(w().txtAppName);
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(w().txtAppName.stringValue(), "Headroom");
}

TEST_F(PreferenceControls, StartAtLoginRegistersTheHelperEachTime) {
    w().btnRunOnStartup.click();
    w().btnRunOnStartup.click();
    w().btnRunOnStartup.click();

    const std::vector<Registration> expected = {{"com.Tidewell.Helper", true},
                                                {"com.Tidewell.Helper", false},
                                                {"com.Tidewell.Helper", true}};
    EXPECT_EQ(fakes.loginItems.registrations(), expected);
    EXPECT_TRUE(fakes.preferences.boolForKey("isRunOnStartUp"));
    EXPECT_TRUE(fakes.log.lines().empty());
}

TEST_F(PreferenceControls, ARefusedRegistrationKeepsTheChoiceAndIsLoggedWithItsReason) {
    fakes.loginItems.refusal = "cannot write /home/u/.config/autostart: Permission denied";
    w().btnRunOnStartup.click();

    EXPECT_TRUE(delegate().isRunOnStartUp);
    EXPECT_EQ(w().btnRunOnStartup.state(), kControlStateOn);
    EXPECT_EQ(writes(), (std::vector<Write>{{"isRunOnStartUp", true}}));
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

TEST(PreferenceRules, FileURLsEscapeAsTheDesktopDoes) {
    EXPECT_EQ(fileURLWithPath("/opt/headroom"), "file:///opt/headroom");
    EXPECT_EQ(fileURLWithPath("/opt/my apps/Head;room%/é"),
              "file:///opt/my%20apps/Head%3Broom%25/%C3%A9");
}

}  // namespace
}  // namespace headroom::test
