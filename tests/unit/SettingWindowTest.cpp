// The preferences window on fake outlets: how it opens, how it is kept, its tabs and their
// frames, the About texts and the link buttons.

#include <gtest/gtest.h>

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
    SettingWindowController& controller() { return *delegate().settingWindow(); }
};

TEST_F(SettingWindow, OpensOnGeneralAtItsSizeKeepingTheTopEdgeAndWritesNothing) {
    FakeSettingWindow& w = open();

    EXPECT_EQ(fakes.settingWindows.loadCount(), 1U);
    EXPECT_EQ(fakes.application.activations(), std::vector<bool>{true});
    EXPECT_GE(w.window.frontedCount(), 1U);
    EXPECT_TRUE(fakes.preferences.writes().empty()) << "opening the window writes nothing";
    ASSERT_FALSE(w.window.frameChanges().empty());
    const auto& first = w.window.frameChanges().front();
    // Laid out at (100, 100) 500 × 400: the top edge stays at 500.
    EXPECT_EQ(first.frame, (WindowFrame{100.0, 185.0, 390.0, 315.0}));
    EXPECT_FALSE(first.display);
    EXPECT_FALSE(first.animate);
    EXPECT_EQ(w.settingsToolbar.selected, "General");
    EXPECT_EQ(w.window.collectionBehavior(), kWindowCollectionBehaviorCanJoinAllSpaces);
    EXPECT_FALSE(w.generalView.isHidden());
    EXPECT_TRUE(w.advancedView.isHidden());
    EXPECT_TRUE(w.aboutUsView.isHidden());
}

TEST_F(SettingWindow, ControlsShowTheStoredValuesAsTheyAre) {
    fakes.preferences.put("isShowText", false);
    fakes.preferences.put("isRunOnStartUp", true);
    fakes.preferences.put("isAutoFreeMemory", true);
    fakes.preferences.put("strTextSize", "Small");
    fakes.preferences.put("refreshInterval", 12);
    fakes.preferences.put("memoryLevel", 5000);  // outside the field's bounds: shown as is
    fakes.preferences.put("significantThreshold", 7);
    FakeSettingWindow& w = open();

    EXPECT_EQ(w.btnShowText.state(), kControlStateOff);
    EXPECT_EQ(w.btnShowIcon.state(), kControlStateOn);
    EXPECT_EQ(w.btnRunOnStartup.state(), kControlStateOn);
    EXPECT_EQ(w.btnPercentage.state(), kControlStateOff);
    EXPECT_EQ(w.btnAutomaticFree.state(), kControlStateOn);
    EXPECT_EQ(w.segmentSize.selectedSegment(), 1);
    EXPECT_EQ(w.sliderFrequency.intValue(), 12);
    EXPECT_EQ(w.txtSliderValue.stringValue(), "12");
    EXPECT_EQ(w.txtMemoryLevel.stringValue(), "5000");
    EXPECT_EQ(w.txtSignificantLevel.stringValue(), "7");
    EXPECT_EQ(delegate().memoryLevel, 5000);

    // Until the field is edited; then the bound applies.
    w.txtMemoryLevel.type("50001");
    EXPECT_EQ(w.txtMemoryLevel.stringValue(), "1024");
    EXPECT_EQ(delegate().memoryLevel, 1024);
}

TEST_F(SettingWindow, OnlyExactlyNormalSelectsTheFirstSegment) {
    for (const char* stored : {"Normal", "normal", "Small", "", "Normal "}) {
        FakePlatform platform;
        platform.preferences.put("strTextSize", stored);
        AppDelegate app(platform.platform());
        app.applicationDidFinishLaunching();
        app.preferencePressed();
        EXPECT_EQ(platform.settingWindows.window().segmentSize.selectedSegment(),
                  std::string(stored) == "Normal" ? 0 : 1)
            << "stored \"" << stored << "\"";
    }
}

TEST_F(SettingWindow, AboutTextsComeFromTheApplicationsDescription) {
    FakeSettingWindow& w = open();

    EXPECT_EQ(w.txtVersionString.stringValue(), "Version 0.1.0 (1)");
    EXPECT_EQ(w.txtAppName.stringValue(), "Headroom");
    EXPECT_EQ(w.txtCopyrightText.stringValue(), "Copyright © 2026 Tidewell. All rights reserved.");
    EXPECT_EQ(versionString("2.1", "37"), "Version 2.1 (37)");
}

TEST_F(SettingWindow, TabsShowTheirPaneAndSizeKeepingTheTopAndLeftEdges) {
    FakeSettingWindow& w = open();
    w.window.place(WindowFrame{40.0, 100.0, 390.0, 315.0});  // top at 415

    controller().btnAdvancedSelected();
    EXPECT_EQ(w.window.frame(), (WindowFrame{40.0, 45.0, 390.0, 370.0}));
    EXPECT_TRUE(w.window.frameChanges().back().display);
    EXPECT_TRUE(w.window.frameChanges().back().animate);
    EXPECT_TRUE(w.generalView.isHidden());
    EXPECT_FALSE(w.advancedView.isHidden());
    EXPECT_TRUE(w.aboutUsView.isHidden());

    controller().btnAboutUsSelected();
    EXPECT_EQ(w.window.frame(), (WindowFrame{40.0, 125.0, 440.0, 290.0}));
    EXPECT_FALSE(w.aboutUsView.isHidden());
    EXPECT_TRUE(w.advancedView.isHidden());

    controller().btnGeneralSelected();
    EXPECT_EQ(w.window.frame(), (WindowFrame{40.0, 100.0, 390.0, 315.0}));

    // The tab already shown: same steps, same frame.
    const std::size_t changes = w.window.frameChanges().size();
    controller().btnGeneralSelected();
    EXPECT_EQ(w.window.frameChanges().size(), changes + 1);
    EXPECT_EQ(w.window.frame(), (WindowFrame{40.0, 100.0, 390.0, 315.0}));
    EXPECT_FALSE(w.generalView.isHidden());
}

TEST_F(SettingWindow, LaterRequestsBringBackTheSameWindowAsTheUserLeftIt) {
    FakeSettingWindow& w = open();
    controller().btnAdvancedSelected();
    const WindowFrame advanced = w.window.frame();
    const auto* first = delegate().settingWindow().get();
    const std::size_t fronted = w.window.frontedCount();
    delegate().memoryLevel = 77;

    delegate().preferencePressed();

    EXPECT_EQ(delegate().settingWindow().get(), first);
    EXPECT_EQ(fakes.settingWindows.loadCount(), 1U);
    EXPECT_EQ(w.window.frame(), advanced);
    EXPECT_FALSE(w.advancedView.isHidden());
    EXPECT_GT(w.window.frontedCount(), fronted);
    EXPECT_EQ(fakes.application.activations(), (std::vector<bool>{true, true}));
    EXPECT_EQ(w.txtMemoryLevel.stringValue(), "200") << "the controls are not read again";
}

TEST_F(SettingWindow, AnInterfaceFileThatCannotBeLoadedOpensNothingAndIsTriedAgain) {
    launch();
    fakes.settingWindows.failLoads = true;
    delegate().preferencePressed();
    EXPECT_TRUE(fakes.application.activations().empty());

    fakes.settingWindows.failLoads = false;
    delegate().preferencePressed();
    EXPECT_EQ(fakes.settingWindows.loadCount(), 2U);
    EXPECT_EQ(fakes.application.activations(), std::vector<bool>{true});
}

TEST_F(SettingWindow, ClickOnTheBackgroundCommitsTheFieldBeingEdited) {
    FakeSettingWindow& w = open();
    controller().mouseUp();  // nothing being edited: nothing written
    EXPECT_TRUE(fakes.preferences.writes().empty());

    w.txtSignificantLevel.type("42");
    fakes.preferences.clearWrites();
    controller().mouseUp();

    EXPECT_FALSE(w.txtSignificantLevel.editing);
    EXPECT_EQ(
        fakes.preferences.writes(),
        (std::vector<FakePreferenceStore::Write>{{"significantThreshold", std::int64_t{42}}}));
}

TEST_F(SettingWindow, LinkButtonsOpenTheirPagesInTheDefaultBrowser) {
    open();
    controller().btnTwitterPressed();
    controller().btnOrvaneDotComPressed();
    controller().btnFaqPressed();
    controller().btnFanPagePressed();

    EXPECT_EQ(fakes.urlOpener.opened(),
              (std::vector<std::string>{"https://social.example/orvane1", "http://maker.example",
                                        "http://support.example/discussions/lumora",
                                        "http://fans.example/orvanes"}));
}

}  // namespace
}  // namespace headroom::test
