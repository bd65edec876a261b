#include "preferences/SettingWindowController.h"

#include <string>
#include <string_view>
#include <utility>

#include "app/AppDelegate.h"

namespace headroom {

namespace {

bool isOn(const CheckBox& box) {
    return box.state() == kControlStateOn;
}

int stateFor(bool on) {
    return on ? kControlStateOn : kControlStateOff;
}

/// The two text sizes: segment 0 and every other segment.
constexpr const char* kTextSizeNormal = "Normal";
constexpr const char* kTextSizeSmall = "Small";

}  // namespace

SettingWindowController::SettingWindowController(AppDelegate& sharedDelegate,
                                                 SettingWindowFactory& factory,
                                                 std::string windowNibName)
    : sharedDelegate_(sharedDelegate),
      factory_(factory),
      windowNibName_(std::move(windowNibName)) {}

AppDelegate& SettingWindowController::delegate() {
    return appDel_ != nullptr ? *appDel_ : sharedDelegate_;
}

PreferencesWindow* SettingWindowController::window() {
    if (nib_) {
        return window_;
    }
    nib_ = factory_.loadWindowNib(windowNibName_, *this);
    if (!nib_) {
        disconnectOutlets();
        return nullptr;
    }
    // A file that leaves a control unconnected would have the handlers write through nothing:
    // refuse it as a whole rather than show half a window.
    if (const char* missing = missingOutlet()) {
        delegate().platform().log.log("The interface file " + windowNibName_ +
                                      " does not connect " + missing +
                                      "; the preferences window cannot open");
        disconnectOutlets();
        nib_.reset();
        return nullptr;
    }
    // As the loading of an interface file does: its owner awakes, then the window is loaded.
    awakeFromNib();
    windowDidLoad();
    return window_;
}

void SettingWindowController::showWindow() {
    if (PreferencesWindow* shown = window()) {
        shown->makeKeyAndOrderFront();
    }
}

void SettingWindowController::awakeFromNib() {
    if (appDel_ == nullptr) {
        appDel_ = &sharedDelegate_;
    }
}

void SettingWindowController::windowDidLoad() {
    if (window_ == nullptr) {
        return;  // only a loaded window has anything to set up
    }
    // 1. The delegate.
    if (appDel_ == nullptr) {
        appDel_ = &sharedDelegate_;
    }
    AppDelegate& app = *appDel_;
    // 2. The platform's own window-loaded step has nothing to do here.

    // 3. The General size, keeping the top edge; no redisplay, no animation.
    window_->setFrame(frameForTab(window_->frame(), SettingTab::General), false, false);

    // 4.
    settingsToolbar_->setSelectedItemIdentifier(kGeneralItem);

    // 5. The controls from the delegate's values.
    btnShowText_->setState(stateFor(app.isShowText));
    btnShowIcon_->setState(stateFor(app.isShowIcon));
    btnRunOnStartup_->setState(stateFor(app.isRunOnStartUp));
    btnPercentage_->setState(stateFor(app.isPercentage));
    segmentSize_->setSelectedSegment(app.strTextSize == kTextSizeNormal ? 0 : 1);
    btnAutomaticFree_->setState(stateFor(app.isAutoFreeMemory));
    sliderFrequency_->setIntegerValue(app.refreshInterval);
    txtSliderValue_->setStringValue(std::to_string(app.refreshInterval));
    txtMemoryLevel_->setStringValue(std::to_string(app.memoryLevel));
    txtSignificantLevel_->setStringValue(std::to_string(app.significantThreshold));

    // 6. The About texts from the application's own description.
    const BundleInfo& bundle = app.platform().bundle;
    txtVersionString_->setStringValue(versionString(bundle.shortVersion, bundle.buildVersion));
    txtAppName_->setStringValue(bundle.name);
    txtCopyrightText_->setStringValue(bundle.copyright);

    // 7.
    window_->makeKeyAndOrderFront();
}

void SettingWindowController::btnGeneralSelected() {
    selectTab(SettingTab::General);
}

void SettingWindowController::btnAdvancedSelected() {
    selectTab(SettingTab::Advanced);
}

void SettingWindowController::btnAboutUsSelected() {
    selectTab(SettingTab::AboutUs);
}

void SettingWindowController::selectTab(SettingTab tab) {
    if (window_ == nullptr) {
        return;
    }
    generalView_->setHidden(tab != SettingTab::General);
    advancedView_->setHidden(tab != SettingTab::Advanced);
    aboutUsView_->setHidden(tab != SettingTab::AboutUs);
    window_->setFrame(frameForTab(window_->frame(), tab), true, true);
}

void SettingWindowController::mouseUp() {
    if (window_ != nullptr) {
        window_->makeFirstResponder(nullptr);
    }
}

void SettingWindowController::btnTwitterPressed() {
    openLink("https://" + delegate().platform().deployment.links.twitter + "/orvane1");
}

void SettingWindowController::btnOrvaneDotComPressed() {
    openLink("http://" + delegate().platform().deployment.links.website);
}

void SettingWindowController::btnFaqPressed() {
    openLink("http://" + delegate().platform().deployment.links.faq + "/discussions/lumora");
}

void SettingWindowController::btnFanPagePressed() {
    openLink("http://" + delegate().platform().deployment.links.fanPage + "/orvanes");
}

void SettingWindowController::openLink(const std::string& url) {
    delegate().platform().urlOpener.openURL(url);
}

void SettingWindowController::btnUsePercentagePressed(CheckBox& sender) {
    delegate().setIsPercentage(isOn(sender));
}

void SettingWindowController::btnShowIconPressed(CheckBox& sender) {
    // Icon and text are never both off: the text comes back.
    if (!isOn(sender) && btnShowText_ != nullptr && btnShowText_->state() == kControlStateOff) {
        btnShowText_->setState(kControlStateOn);
        delegate().setIsShowText(true);
    }
    delegate().setIsShowIcon(isOn(sender));
}

void SettingWindowController::btnShowTextPressed(CheckBox& sender) {
    if (!isOn(sender) && btnShowIcon_ != nullptr && btnShowIcon_->state() == kControlStateOff) {
        btnShowIcon_->setState(kControlStateOn);
        delegate().setIsShowIcon(true);
    }
    delegate().setIsShowText(isOn(sender));
}

void SettingWindowController::btnTextSizeSegmentChange(SegmentedControl& sender) {
    delegate().setStrTextSize(sender.selectedSegment() == 0 ? kTextSizeNormal : kTextSizeSmall);
}

void SettingWindowController::btnAutoFreeMemoryPressed(CheckBox& sender) {
    // The outlet and the sender are the same box; the outlet is what is read.
    delegate().setIsAutoFreeMemory(
        isOn(btnAutomaticFree_ != nullptr ? *btnAutomaticFree_ : sender));
}

void SettingWindowController::btnRunOnstartupPressed(CheckBox& sender) {
    delegate().setIsRunOnStartUp(isOn(sender));
}

void SettingWindowController::frequencySliderChange(Slider& /*sender*/) {
    if (sliderFrequency_ == nullptr) {
        return;
    }
    const std::int32_t value = sliderFrequency_->intValue();
    // A drag within the same whole value changes nothing.
    if (value == delegate().refreshInterval) {
        return;
    }
    if (txtSliderValue_ != nullptr) {
        txtSliderValue_->setStringValue(std::to_string(value));
    }
    delegate().setRefreshInterval(value);
}

void SettingWindowController::applyMemoryLevel(TextField& field) {
    const std::int32_t value = boundMemoryLevel(intValue(field.stringValue()));
    field.setStringValue(std::to_string(value));
    delegate().setMemoryLevel(value);
}

void SettingWindowController::applySignificantLevel(TextField& field, std::int32_t value) {
    field.setStringValue(std::to_string(value));
    delegate().setSignificantThreshold(value);
}

void SettingWindowController::controlTextDidChange(TextField& field) {
    if (field.tag() == kMemoryLevelTag) {
        applyMemoryLevel(field);
    } else if (field.tag() == kSignificantLevelTag) {
        applySignificantLevel(field, boundSignificantThreshold(intValue(field.stringValue())));
    }
}

void SettingWindowController::controlTextDidEndEditing(TextField& field) {
    if (field.tag() == kMemoryLevelTag) {
        applyMemoryLevel(field);
    } else if (field.tag() == kSignificantLevelTag) {
        // No bound here: typing has already applied it.
        const std::string text = field.stringValue();
        applySignificantLevel(field, text.empty() ? 0 : intValue(text));
    }
}

const char* SettingWindowController::missingOutlet() const {
    const std::pair<const void*, const char*> outlets[] = {
        {window_, "window"},
        {segmentSize_, "segmentSize"},
        {btnPercentage_, "btnPercentage"},
        {btnRunOnStartup_, "btnRunOnStartup"},
        {btnShowIcon_, "btnShowIcon"},
        {btnShowText_, "btnShowText"},
        {btnAutomaticFree_, "btnAutomaticFree"},
        {txtMemoryLevel_, "txtMemoryLevel"},
        {sliderFrequency_, "sliderFrequency"},
        {txtSliderValue_, "txtSliderValue"},
        {txtAppName_, "txtAppName"},
        {txtCopyrightText_, "txtCopyrightText"},
        {txtVersionString_, "txtVersionString"},
        {txtSignificantLevel_, "txtSignificantLevel"},
        {generalView_, "generalView"},
        {advancedView_, "advancedView"},
        {aboutUsView_, "aboutUsView"},
        {settingsToolbar_, "settingsToolbar"},
    };
    for (const auto& [outlet, name] : outlets) {
        if (outlet == nullptr) {
            return name;
        }
    }
    return nullptr;
}

void SettingWindowController::disconnectOutlets() {
    window_ = nullptr;
    segmentSize_ = nullptr;
    btnPercentage_ = btnRunOnStartup_ = btnShowIcon_ = btnShowText_ = btnAutomaticFree_ = nullptr;
    txtMemoryLevel_ = txtSliderValue_ = txtAppName_ = txtCopyrightText_ = txtVersionString_ =
        txtSignificantLevel_ = nullptr;
    sliderFrequency_ = nullptr;
    generalView_ = advancedView_ = aboutUsView_ = nullptr;
    settingsToolbar_ = nullptr;
}

}  // namespace headroom
