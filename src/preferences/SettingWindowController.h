#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/SettingWindowFactory.h"
#include "preferences/Outlets.h"
#include "preferences/PreferenceRules.h"

namespace headroom {

class AppDelegate;

/// The preferences window's controller: three tabs (General, Advanced, About Us), the setting
/// controls and the link buttons. Every value it shows or changes belongs to the application
/// delegate; a change sets the delegate's property, stores it under its key and then asks the
/// delegate for the refresh it needs.
class SettingWindowController {
  public:
    static constexpr const char* kWindowNibName = "SettingWindowController";
    /// Toolbar item identifiers.
    static constexpr const char* kGeneralItem = "General";
    static constexpr const char* kAdvancedItem = "Advanced";
    static constexpr const char* kAboutUsItem = "AboutUs";
    /// Tags of the two numeric fields.
    static constexpr int kMemoryLevelTag = 1;
    static constexpr int kSignificantLevelTag = 2;

    /// `sharedDelegate` is the application's delegate, which the controller takes as its
    /// `appDel` when the window loads; `factory` loads the interface file `windowNibName` on
    /// first use of the window.
    SettingWindowController(AppDelegate& sharedDelegate, SettingWindowFactory& factory,
                            std::string windowNibName = kWindowNibName);
    SettingWindowController(const SettingWindowController&) = delete;
    SettingWindowController& operator=(const SettingWindowController&) = delete;

    /// The window, loaded on first use (then `awakeFromNib` and `windowDidLoad` run). Nothing
    /// when the interface file cannot be loaded; the next use tries again.
    PreferencesWindow* window();
    bool isWindowLoaded() const { return nib_ != nullptr; }
    void showWindow();

    void windowDidLoad();
    void awakeFromNib();

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

    /// The application delegate, once a load has filled it.
    AppDelegate* appDel() const { return appDel_; }

    // Outlets, connected by the interface file.
    SegmentedControl* segmentSize() const { return segmentSize_; }
    CheckBox* btnPercentage() const { return btnPercentage_; }
    CheckBox* btnRunOnStartup() const { return btnRunOnStartup_; }
    CheckBox* btnShowIcon() const { return btnShowIcon_; }
    CheckBox* btnShowText() const { return btnShowText_; }
    CheckBox* btnAutomaticFree() const { return btnAutomaticFree_; }
    TextField* txtMemoryLevel() const { return txtMemoryLevel_; }
    Slider* sliderFrequency() const { return sliderFrequency_; }
    TextField* txtSliderValue() const { return txtSliderValue_; }
    TextField* txtAppName() const { return txtAppName_; }
    TextField* txtCopyrightText() const { return txtCopyrightText_; }
    TextField* txtVersionString() const { return txtVersionString_; }
    TextField* txtSignificantLevel() const { return txtSignificantLevel_; }
    View* generalView() const { return generalView_; }
    View* advancedView() const { return advancedView_; }
    View* aboutUsView() const { return aboutUsView_; }
    Toolbar* settingsToolbar() const { return settingsToolbar_; }

    void setWindow(PreferencesWindow* window) { window_ = window; }
    void setSegmentSize(SegmentedControl* outlet) { segmentSize_ = outlet; }
    void setBtnPercentage(CheckBox* outlet) { btnPercentage_ = outlet; }
    void setBtnRunOnStartup(CheckBox* outlet) { btnRunOnStartup_ = outlet; }
    void setBtnShowIcon(CheckBox* outlet) { btnShowIcon_ = outlet; }
    void setBtnShowText(CheckBox* outlet) { btnShowText_ = outlet; }
    void setBtnAutomaticFree(CheckBox* outlet) { btnAutomaticFree_ = outlet; }
    void setTxtMemoryLevel(TextField* outlet) { txtMemoryLevel_ = outlet; }
    void setSliderFrequency(Slider* outlet) { sliderFrequency_ = outlet; }
    void setTxtSliderValue(TextField* outlet) { txtSliderValue_ = outlet; }
    void setTxtAppName(TextField* outlet) { txtAppName_ = outlet; }
    void setTxtCopyrightText(TextField* outlet) { txtCopyrightText_ = outlet; }
    void setTxtVersionString(TextField* outlet) { txtVersionString_ = outlet; }
    void setTxtSignificantLevel(TextField* outlet) { txtSignificantLevel_ = outlet; }
    void setGeneralView(View* outlet) { generalView_ = outlet; }
    void setAdvancedView(View* outlet) { advancedView_ = outlet; }
    void setAboutUsView(View* outlet) { aboutUsView_ = outlet; }
    void setSettingsToolbar(Toolbar* outlet) { settingsToolbar_ = outlet; }

  private:
    AppDelegate& delegate();
    void selectTab(SettingTab tab);
    void openLink(const std::string& url);
    void applyMemoryLevel(TextField& field);
    void applySignificantLevel(TextField& field, std::int32_t value);
    /// The name of the first outlet the interface file left unconnected, or nothing.
    const char* missingOutlet() const;
    void disconnectOutlets();

    AppDelegate& sharedDelegate_;
    SettingWindowFactory& factory_;
    std::string windowNibName_;
    std::unique_ptr<InterfaceObjects> nib_;
    PreferencesWindow* window_ = nullptr;

    // The fields, in the order the program has always declared them.
    AppDelegate* appDel_ = nullptr;
    SegmentedControl* segmentSize_ = nullptr;
    CheckBox* btnPercentage_ = nullptr;
    CheckBox* btnRunOnStartup_ = nullptr;
    CheckBox* btnShowIcon_ = nullptr;
    CheckBox* btnShowText_ = nullptr;
    CheckBox* btnAutomaticFree_ = nullptr;
    TextField* txtMemoryLevel_ = nullptr;
    Slider* sliderFrequency_ = nullptr;
    TextField* txtSliderValue_ = nullptr;
    TextField* txtAppName_ = nullptr;
    TextField* txtCopyrightText_ = nullptr;
    TextField* txtVersionString_ = nullptr;
    TextField* txtSignificantLevel_ = nullptr;
    View* generalView_ = nullptr;
    View* advancedView_ = nullptr;
    View* aboutUsView_ = nullptr;
    Toolbar* settingsToolbar_ = nullptr;
};

}  // namespace headroom
