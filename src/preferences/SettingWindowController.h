#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "preferences/PreferenceModel.h"
#include "preferences/PreferenceRules.h"

namespace headroom {

/// The preferences window's controller: three tabs (General, Advanced, About Us), the setting
/// controls and the link buttons. A change goes to the application's preferences model
/// (`appDel`), which stores it and runs the refresh it needs.
class SettingWindowController {
  public:
    /// Toolbar item identifiers.
    static constexpr const char* kGeneralItem = "General";
    static constexpr const char* kAdvancedItem = "Advanced";
    static constexpr const char* kAboutUsItem = "AboutUs";
    /// Tags of the two numeric fields.
    static constexpr int kMemoryLevelTag = 1;
    static constexpr int kSignificantLevelTag = 2;

    /// `factory` loads the window on its first use; `bundle` gives the About texts and `links`
    /// the hosts of the link buttons' pages.
    SettingWindowController(PreferenceModel& appDel, UrlOpener& urlOpener,
                            SettingWindowFactory& factory, BundleInfo bundle, LinkAddresses links);
    SettingWindowController(const SettingWindowController&) = delete;
    SettingWindowController& operator=(const SettingWindowController&) = delete;

    /// The window, loaded on first use (then set up by `windowDidLoad`). Nothing when the
    /// interface file cannot be loaded; the next use tries again.
    PreferencesWindow* window();
    void showWindow();

    // Toolbar items.
    void btnGeneralSelected();
    void btnAdvancedSelected();
    void btnAboutUsSelected();

    /// A click on the window's background: ends text editing.
    void mouseUp();

    // Link buttons.
    void btnTwitterPressed();
    void btnOrvaneDotComPressed();
    void btnFaqPressed();
    void btnFanPagePressed();

    // Setting controls; each receives the control that sent it.
    void btnUsePercentagePressed(CheckBox& sender);
    void btnShowIconPressed(CheckBox& sender);
    void btnShowTextPressed(CheckBox& sender);
    void btnTextSizeSegmentChange(SegmentedControl& sender);
    void btnAutoFreeMemoryPressed(CheckBox& sender);
    void btnRunOnstartupPressed(CheckBox& sender);
    void frequencySliderChange(Slider& sender);
    /// Editing notices of the numeric fields; other fields are ignored.
    void controlTextDidChange(TextField& field);
    void controlTextDidEndEditing(TextField& field);

  private:
    void windowDidLoad();
    void selectTab(SettingTab tab);
    void openLink(const std::string& url);
    void applyMemoryLevel(TextField& field);
    void applySignificantLevel(TextField& field, std::int32_t value);

    PreferenceModel& appDel_;
    UrlOpener& urlOpener_;
    SettingWindowFactory& factory_;
    BundleInfo bundle_;
    LinkAddresses links_;
    // The outlets go after the window that holds them, whose closing may still notify.
    std::optional<SettingOutlets> outlets_;
    std::unique_ptr<SettingWindow> nib_;
};

}  // namespace headroom
