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

TEST_F(SettingWindow, OpensOnGeneralKeepingTheTopEdgeAndLaterComesBackAsTheUserLeftIt) {
    FakeSettingWindow& w = open();

    // Laid out at (100, 100) 500 × 400: the top edge stays at 500.
    EXPECT_EQ(w.frame(), (WindowFrame{100.0, 185.0, 390.0, 315.0}));
    EXPECT_EQ(w.selectedItem, "General");
    EXPECT_EQ(w.collectionBehavior, kWindowCollectionBehaviorCanJoinAllSpaces);
    EXPECT_GE(w.fronted, 1U);
    EXPECT_EQ(fakes.application.activations(), 1U);
    EXPECT_TRUE(fakes.preferences.writes().empty()) << "opening the window writes nothing";

    w.controller.btnAdvancedSelected();
    const WindowFrame advanced = w.frame();
    const std::size_t fronted = w.fronted;
    delegate().memoryLevel = 77;
    delegate().preferencePressed();

    EXPECT_EQ(fakes.settingWindows.loadCount, 1U);
    EXPECT_EQ(&fakes.settingWindows.window(), &w);
    EXPECT_EQ(w.frame(), advanced);
    EXPECT_FALSE(w.hiddenViews["advancedView"]);
    EXPECT_GT(w.fronted, fronted);
    EXPECT_EQ(fakes.application.activations(), 2U);
    EXPECT_EQ(w.stringValue("txtMemoryLevel"), "200") << "the controls are not read again";
}

TEST_F(SettingWindow, ControlsShowTheStoredValuesAsTheyAreAndTheApplicationsDescription) {
    fakes.preferences.put("isShowText", false);
    fakes.preferences.put("isRunOnStartUp", true);
    fakes.preferences.put("isAutoFreeMemory", true);
    fakes.preferences.put("strTextSize", "Small");
    fakes.preferences.put("refreshInterval", 12);
    fakes.preferences.put("memoryLevel", 5000);  // outside the field's bounds: shown as is
    fakes.preferences.put("significantThreshold", 7);
    fakes.preferences.put("pressureLevel", 0);
    FakeSettingWindow& w = open();

    const std::map<std::string, std::int64_t> values = {
        {"btnShowText", 0},      {"btnShowIcon", 1}, {"btnRunOnStartup", 1}, {"btnPercentage", 0},
        {"btnAutomaticFree", 1}, {"segmentSize", 1}, {"sliderFrequency", 12}};
    EXPECT_EQ(w.ints, values);
    const std::map<std::string, std::string> texts = {
        {"txtSliderValue", "12"},
        {"txtMemoryLevel", "5000"},
        {"txtSignificantLevel", "7"},
        {"txtPressureLevel", "0"},
        {"txtVersionString", "Version 0.1.0 (1)"},
        {"txtAppName", "Headroom"},
        {"txtCopyrightText", "Copyright © 2026 Tidewell. All rights reserved."}};
    EXPECT_EQ(w.texts, texts);
    EXPECT_EQ(delegate().memoryLevel, 5000);
    EXPECT_EQ(versionString("2.1", "37"), "Version 2.1 (37)");

    // Until the field is edited; then the bound applies.
    w.type("txtMemoryLevel", "50001");
    EXPECT_EQ(w.stringValue("txtMemoryLevel"), "1024");
    EXPECT_EQ(delegate().memoryLevel, 1024);
}

TEST_F(SettingWindow, OnlyExactlyNormalSelectsTheFirstSegment) {
    for (const char* stored : {"Normal", "normal", "Small", "", "Normal "}) {
        FakePlatform platform;
        platform.preferences.put("strTextSize", stored);
        AppDelegate app(platform.platform());
        app.applicationDidFinishLaunching();
        app.preferencePressed();
        EXPECT_EQ(platform.settingWindows.window().intValue("segmentSize"),
                  std::string(stored) == "Normal" ? 0 : 1)
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
    w.controller.mouseUp();  // nothing being edited: nothing written
    EXPECT_TRUE(fakes.preferences.writes().empty());

    w.type("txtSignificantLevel", "42");
    fakes.preferences.clearWrites();
    w.controller.mouseUp();

    EXPECT_EQ(w.editing, "");
    EXPECT_EQ(
        fakes.preferences.writes(),
        (std::vector<FakePreferenceStore::Write>{{"significantThreshold", std::int64_t{42}}}));
}

TEST_F(SettingWindow, LinkButtonsOpenTheirPagesInTheDefaultBrowser) {
    SettingWindowController& controller = open().controller;
    controller.btnTwitterPressed();
    controller.btnOrvaneDotComPressed();
    controller.btnFaqPressed();
    controller.btnFanPagePressed();

    EXPECT_EQ(fakes.urlOpener.opened(),
              (std::vector<std::string>{"https://social.example/orvane1", "http://maker.example",
                                        "http://support.example/discussions/lumora",
                                        "http://fans.example/orvanes"}));
}

}  // namespace
}  // namespace headroom::test
