// The preferences window on a fake window: how it opens and is kept, the values it shows, the
// end of editing on a background click and the link buttons. The tabs' panes and frames are
// checked on the real window (tests/gui).

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "DelegateTestSupport.h"
#include "preferences/SettingWindowController.h"

namespace headroom::test {
namespace {

class SettingWindow : public DelegateTest {
  protected:
    /// Launches and asks for the preferences.
    FakeSettingWindow& open() {
        launch();
        fakes.preferences.clearWrites();
        delegate().preferencePressed();
        return fakes.settingWindows.window();
    }
};

TEST_F(SettingWindow, OpensOnGeneralKeepingTheTopEdgeAndAfterClosingComesBackAsTheUserLeftIt) {
    FakeSettingWindow& w = open();

    // Laid out at (100, 100) 500 × 400: the top edge stays at 500.
    EXPECT_EQ(w.frame(), (WindowFrame{100.0, 185.0, 390.0, 315.0}));
    EXPECT_EQ(w.tab, SettingTab::General);
    EXPECT_EQ(w.collectionBehavior, kWindowCollectionBehaviorCanJoinAllSpaces);
    EXPECT_GE(w.fronted, 1U);
    EXPECT_EQ(fakes.application.activations(), 1U);
    EXPECT_TRUE(fakes.preferences.writes().empty()) << "opening the window writes nothing";

    w.owner.tabSelected(SettingTab::Advanced);
    EXPECT_EQ(w.frame(), (WindowFrame{100.0, 130.0, 390.0, 370.0}));
    w.placed.x = 40.0;  // the user moves it
    const WindowFrame left = w.frame();
    w.type(SettingField::MemoryLevel, 300);
    w.close();
    // The window is let go, the edit under way kept.
    EXPECT_FALSE(fakes.settingWindows.isLoaded());
    EXPECT_EQ(delegate().memoryLevel, 300);

    delegate().preferencePressed();
    FakeSettingWindow& again = fakes.settingWindows.window();
    EXPECT_EQ(fakes.settingWindows.loadCount, 2U);
    EXPECT_EQ(again.frame(), left);
    EXPECT_EQ(again.tab, SettingTab::Advanced);
    EXPECT_EQ(again.fields[SettingField::MemoryLevel], 300);
    EXPECT_EQ(fakes.application.activations(), 2U);
}

TEST_F(SettingWindow, ControlsShowTheStoredValuesAsTheyAreAndTheApplicationsDescription) {
    fakes.preferences.put("isShowText", false);
    fakes.preferences.put("isRunOnStartUp", true);
    fakes.preferences.put("isAutoFreeMemory", true);
    fakes.preferences.put("refreshInterval", 12);
    fakes.preferences.put("memoryLevel", 5000);  // outside the field's bounds: shown as is
    fakes.preferences.put("significantThreshold", 7);
    fakes.preferences.put("pressureLevel", 0);
    FakeSettingWindow& w = open();

    EXPECT_EQ(w.checks, (std::map<SettingCheck, bool>{{SettingCheck::ShowText, false},
                                                      {SettingCheck::ShowIcon, true},
                                                      {SettingCheck::RunOnStartUp, true},
                                                      {SettingCheck::Percentage, false},
                                                      {SettingCheck::AutomaticFree, true}}));
    EXPECT_EQ(w.interval, 12);
    EXPECT_EQ(w.fields,
              (std::map<SettingField, std::int32_t>{{SettingField::MemoryLevel, 5000},
                                                    {SettingField::SignificantThreshold, 7},
                                                    {SettingField::PressureLevel, 0}}));
    const std::pair<SettingField, std::pair<int, int>> bounds[] = {
        {SettingField::MemoryLevel, {1, 1024}},
        {SettingField::SignificantThreshold, {0, 100}},
        {SettingField::PressureLevel, {0, 100}}};
    for (const auto& [field, range] : bounds) {
        EXPECT_EQ(w.bounds[field].lowest, range.first);
        EXPECT_EQ(w.bounds[field].highest, range.second);
    }
    EXPECT_EQ(w.about,
              (std::vector<std::string>{"Headroom", "Version 0.1.0 (1)",
                                        "Copyright © 2026 Tidewell. All rights reserved."}));
    EXPECT_EQ(delegate().memoryLevel, 5000);
}

TEST_F(SettingWindow, OnlyExactlyNormalSelectsTheFirstSegment) {
    for (const char* stored : {"Normal", "normal", "Small", "", "Normal "}) {
        FakePlatform platform;
        platform.preferences.put("strTextSize", stored);
        AppDelegate app(platform.platform());
        app.applicationDidFinishLaunching();
        app.preferencePressed();
        EXPECT_EQ(platform.settingWindows.window().segment, std::string(stored) == "Normal" ? 0 : 1)
            << "stored \"" << stored << "\"";
    }
}

TEST_F(SettingWindow, AnInterfaceFileThatCannotBeLoadedOpensNothingAndIsTriedAgain) {
    launch();
    fakes.settingWindows.failLoads = true;
    delegate().preferencePressed();
    EXPECT_EQ(fakes.application.activations(), 0U);

    fakes.settingWindows.failLoads = false;
    delegate().preferencePressed();
    EXPECT_EQ(fakes.settingWindows.loadCount, 2U);
    EXPECT_EQ(fakes.application.activations(), 1U);
}

TEST_F(SettingWindow, ClickOnTheBackgroundCommitsTheFieldBeingEdited) {
    FakeSettingWindow& w = open();
    w.owner.backgroundClicked();  // nothing being edited: nothing written
    EXPECT_TRUE(fakes.preferences.writes().empty());

    w.type(SettingField::SignificantThreshold, 42);
    w.owner.backgroundClicked();

    EXPECT_FALSE(w.editing);
    EXPECT_EQ(
        fakes.preferences.writes(),
        (std::vector<FakePreferenceStore::Write>{{"significantThreshold", std::int64_t{42}}}));
}

TEST_F(SettingWindow, LinkButtonsOpenTheirPagesInTheDefaultBrowser) {
    SettingWindowOwner& owner = open().owner;
    for (const SettingLink link :
         {SettingLink::Twitter, SettingLink::Website, SettingLink::Faq, SettingLink::FanPage}) {
        owner.linkPressed(link);
    }
    EXPECT_EQ(fakes.urlOpener.opened(),
              (std::vector<std::string>{"https://social.example/orvane1", "http://maker.example",
                                        "http://support.example/discussions/lumora",
                                        "http://fans.example/orvanes"}));
}

}  // namespace
}  // namespace headroom::test
