// The setting controls of the preferences window on a fake window: what each one sets, stores
// and refreshes; the bounds of the numeric fields; start at login.

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "DelegateTestSupport.h"
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
    const char* name;
    SettingCheck box;
    bool AppDelegate::*property;
    const char* key;
    const char* refresh;  ///< nullptr: none
};

const CheckBoxCase kCheckBoxes[] = {
    {"Percentage", SettingCheck::Percentage, &AppDelegate::isPercentage, "isPercentage",
     "hostMemory.statistics"},
    {"ShowIcon", SettingCheck::ShowIcon, &AppDelegate::isShowIcon, "isShowIcon",
     "statusItem.setImage"},
    {"ShowText", SettingCheck::ShowText, &AppDelegate::isShowText, "isShowText",
     "statusItem.setAttributedTitle"},
    {"AutomaticFree", SettingCheck::AutomaticFree, &AppDelegate::isAutoFreeMemory,
     "isAutoFreeMemory", nullptr},
    {"RunOnStartUp", SettingCheck::RunOnStartUp, &AppDelegate::isRunOnStartUp, "isRunOnStartUp",
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
}

INSTANTIATE_TEST_SUITE_P(Each, CheckBoxes, ::testing::ValuesIn(kCheckBoxes),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(PreferenceControls, PercentageShowsAtOnceWithoutWaitingForATick) {
    openMenu();
    w().click(SettingCheck::Percentage);
    EXPECT_NE(rowTitle(2).find('%'), std::string::npos) << rowTitle(2);
    ASSERT_TRUE(statusItem().title().has_value());
    EXPECT_NE(statusItem().title()->text.find('%'), std::string::npos);
}

// Icon and text are never both off: clicks from both on, what the last one writes, and what
// is shown after it.
struct OneStaysOnCase {
    const char* name;
    std::vector<SettingCheck> clicks;
    std::vector<Write> lastWrites;
    bool icon;
    bool text;
};

const OneStaysOnCase kOneStaysOn[] = {
    {"IconOffWhileTextOn", {SettingCheck::ShowIcon}, {{"isShowIcon", false}}, false, true},
    {"IconOffWhileTextOff",
     {SettingCheck::ShowText, SettingCheck::ShowIcon},
     {{"isShowText", true}, {"isShowIcon", false}},
     false,
     true},
    {"TextOffWhileIconOff",
     {SettingCheck::ShowIcon, SettingCheck::ShowText},
     {{"isShowIcon", true}, {"isShowText", false}},
     true,
     false}};

class OneStaysOn : public PreferenceControls,
                   public ::testing::WithParamInterface<OneStaysOnCase> {};

TEST_P(OneStaysOn, IconOrTextComesBack) {
    const OneStaysOnCase& c = GetParam();
    for (const SettingCheck box : c.clicks) {
        fakes.preferences.clearWrites();
        w().click(box);
    }
    EXPECT_EQ(writes(), c.lastWrites);
    EXPECT_EQ(w().checks[SettingCheck::ShowIcon], c.icon);
    EXPECT_EQ(w().checks[SettingCheck::ShowText], c.text);
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
    for (const int segment : {1, 0, 2}) {
        w().owner.textSizeChanged(segment);
    }
    EXPECT_EQ(writes(), (std::vector<Write>{{"strTextSize", std::string("Small")},
                                            {"strTextSize", std::string("Normal")},
                                            {"strTextSize", std::string("Small")}}));
    EXPECT_EQ(delegate().strTextSize, "Small");
    EXPECT_EQ(fakes.journal.count("statusItem.setAttributedTitle"), 3U);
}

TEST_F(PreferenceControls, SliderRestartsTheTimerOnlyWhenItsWholeValueChanges) {
    ASSERT_EQ(delegate().refreshInterval, 5);
    const auto timer = fakes.runLoop.validTimers();
    w().owner.refreshIntervalChanged(5);
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(fakes.runLoop.validTimers(), timer);

    w().owner.refreshIntervalChanged(10);
    EXPECT_EQ(delegate().refreshInterval, 10);
    EXPECT_EQ(w().interval, 10);
    EXPECT_EQ(writes(), (std::vector<Write>{{"refreshInterval", std::int64_t{10}}}));
    EXPECT_EQ(fakes.journal.count("runLoop.addRepeatingTimer"), 1U);
    ASSERT_EQ(fakes.runLoop.validTimerCount(), 1U);
    EXPECT_EQ(fakes.runLoop.validTimers().front()->interval(), Seconds(10.0));
}

// A number field's edit: the value the window hands over when it ends, and what is stored.
struct Edit {
    SettingField field;
    std::int32_t typed;
    std::int32_t stored;  ///< -1: nothing is stored
};

void PrintTo(const Edit& e, std::ostream* out) {
    *out << "field " << static_cast<int>(e.field) << " ends at " << e.typed;
}

const Edit kEdits[] = {
    {SettingField::MemoryLevel, 500, 500},
    {SettingField::MemoryLevel, 200, -1},  // the number it had: nothing to store
    {SettingField::MemoryLevel, 0, 1},     // a window that let a number past a bound
    {SettingField::MemoryLevel, 5000, 1024},
    {SettingField::SignificantThreshold, 0, 0},
    {SettingField::SignificantThreshold, -3, 0},
    {SettingField::SignificantThreshold, 100, 100},
    {SettingField::PressureLevel, 0, 0},
    {SettingField::PressureLevel, 250, 100},
    {SettingField::PressureLevel, 25, 25}};

class Editing : public PreferenceControls, public ::testing::WithParamInterface<Edit> {};

TEST_P(Editing, StoresTheNumberOnceWhenTheEditEnds) {
    const Edit& e = GetParam();
    const std::pair<std::int32_t AppDelegate::*, const char*> byField[] = {
        {&AppDelegate::memoryLevel, "memoryLevel"},
        {&AppDelegate::significantThreshold, "significantThreshold"},
        {&AppDelegate::pressureLevel, "pressureLevel"}};
    const auto [property, key] = byField[static_cast<int>(e.field)];
    const std::int32_t before = delegate().*property;
    w().type(e.field, e.typed);
    EXPECT_TRUE(writes().empty()) << "nothing is stored while the user types";

    w().endEditing();
    EXPECT_EQ(delegate().*property, e.stored < 0 ? before : e.stored);
    const std::vector<Write> stored =
        e.stored < 0 ? std::vector<Write>{} : std::vector<Write>{{key, std::int64_t{e.stored}}};
    EXPECT_EQ(writes(), stored);
}

INSTANTIATE_TEST_SUITE_P(Each, Editing, ::testing::ValuesIn(kEdits));

TEST_F(PreferenceControls, StartAtLoginRegistersTheHelperEachTimeAndLogsARefusalKeepingTheChoice) {
    w().click(SettingCheck::RunOnStartUp);
    w().click(SettingCheck::RunOnStartUp);
    EXPECT_TRUE(fakes.log.lines().empty());
    fakes.loginItems.refusal = "cannot write /home/u/.config/autostart: Permission denied";
    w().click(SettingCheck::RunOnStartUp);

    EXPECT_EQ(fakes.loginItems.registrations(),
              (std::vector<Registration>{{"com.Tidewell.Helper", true},
                                         {"com.Tidewell.Helper", false},
                                         {"com.Tidewell.Helper", true}}));
    EXPECT_TRUE(delegate().isRunOnStartUp);
    EXPECT_TRUE(fakes.preferences.boolForKey("isRunOnStartUp"));
    EXPECT_EQ(fakes.log.lines(),
              std::vector<std::string>{"Could not turn on start at login: cannot write "
                                       "/home/u/.config/autostart: Permission denied"});
}

}  // namespace
}  // namespace headroom::test
