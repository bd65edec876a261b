#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"
#include "preferences/PreferenceModel.h"
#include "preferences/PreferenceRules.h"

namespace headroom {

/// The preferences window's controller: three tabs (General, Advanced, About Us), the setting
/// controls and the link buttons. A change goes to the application's preferences model
/// (`appDel`), which stores it and runs the refresh it needs. The actions read the control
/// that sends them, each action having one control.
class SettingWindowController {
  public:
    /// `factory` loads the window on its first use; `bundle` gives the About texts and `links`
    /// the hosts of the link buttons' pages.
    SettingWindowController(PreferenceModel& appDel, UrlOpener& urlOpener,
                            SettingWindowFactory& factory, BundleInfo bundle, LinkAddresses links);

    /// The window, loaded on first use (then set up by `windowDidLoad`). Nothing when the
    /// interface file cannot be loaded; the next use tries again.
    SettingWindow* window();
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

    // Setting controls.
    void btnUsePercentagePressed();
    void btnShowIconPressed();
    void btnShowTextPressed();
    void btnTextSizeSegmentChange();
    void btnAutoFreeMemoryPressed();
    void btnRunOnstartupPressed();
    void frequencySliderChange();
    /// Editing notices of the numeric fields (`txtMemoryLevel`, `txtSignificantLevel`), by
    /// outlet name; other fields are ignored.
    void controlTextDidChange(const std::string& field);
    void controlTextDidEndEditing(const std::string& field);

  private:
    void windowDidLoad();
    void selectTab(SettingTab tab);
    bool isOn(const char* checkBox) const;
    void applyField(const std::string& field, bool typing);

    PreferenceModel& appDel_;
    UrlOpener& urlOpener_;
    SettingWindowFactory& factory_;
    BundleInfo bundle_;
    LinkAddresses links_;
    std::unique_ptr<SettingWindow> window_;
};

}  // namespace headroom
