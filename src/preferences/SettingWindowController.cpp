#include "preferences/SettingWindowController.h"

#include <string>
#include <utility>

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

SettingWindowController::SettingWindowController(PreferenceModel& appDel, UrlOpener& urlOpener,
                                                 SettingWindowFactory& factory, BundleInfo bundle,
                                                 LinkAddresses links)
    : appDel_(appDel),
      urlOpener_(urlOpener),
      factory_(factory),
      bundle_(std::move(bundle)),
      links_(std::move(links)) {}

PreferencesWindow* SettingWindowController::window() {
    if (!nib_) {
        nib_ = factory_.loadWindow(*this);
        if (!nib_) {
            return nullptr;
        }
        outlets_.emplace(nib_->outlets());
        windowDidLoad();
    }
    return &outlets_->window;
}

void SettingWindowController::showWindow() {
    if (PreferencesWindow* shown = window()) {
        shown->makeKeyAndOrderFront();
    }
}

void SettingWindowController::windowDidLoad() {
    const SettingOutlets& o = *outlets_;
    // The General size, keeping the top edge; no redisplay, no animation.
    o.window.setFrame(frameForTab(o.window.frame(), SettingTab::General), false, false);
    o.settingsToolbar.setSelectedItemIdentifier(kGeneralItem);

    // The controls from the application's values.
    o.btnShowText.setState(stateFor(appDel_.isShowText));
    o.btnShowIcon.setState(stateFor(appDel_.isShowIcon));
    o.btnRunOnStartup.setState(stateFor(appDel_.isRunOnStartUp));
    o.btnPercentage.setState(stateFor(appDel_.isPercentage));
    o.segmentSize.setSelectedSegment(appDel_.strTextSize == kTextSizeNormal ? 0 : 1);
    o.btnAutomaticFree.setState(stateFor(appDel_.isAutoFreeMemory));
    o.sliderFrequency.setIntegerValue(appDel_.refreshInterval);
    o.txtSliderValue.setStringValue(std::to_string(appDel_.refreshInterval));
    o.txtMemoryLevel.setStringValue(std::to_string(appDel_.memoryLevel));
    o.txtSignificantLevel.setStringValue(std::to_string(appDel_.significantThreshold));

    // The About texts from the application's own description.
    o.txtVersionString.setStringValue(versionString(bundle_.shortVersion, bundle_.buildVersion));
    o.txtAppName.setStringValue(bundle_.name);
    o.txtCopyrightText.setStringValue(bundle_.copyright);

    o.window.makeKeyAndOrderFront();
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
    if (!outlets_) {
        return;
    }
    outlets_->generalView.setHidden(tab != SettingTab::General);
    outlets_->advancedView.setHidden(tab != SettingTab::Advanced);
    outlets_->aboutUsView.setHidden(tab != SettingTab::AboutUs);
    outlets_->window.setFrame(frameForTab(outlets_->window.frame(), tab), true, true);
}

void SettingWindowController::mouseUp() {
    if (outlets_) {
        outlets_->window.makeFirstResponder(nullptr);
    }
}

void SettingWindowController::btnTwitterPressed() {
    openLink("https://" + links_.twitter + "/orvane1");
}

void SettingWindowController::btnOrvaneDotComPressed() {
    openLink("http://" + links_.website);
}

void SettingWindowController::btnFaqPressed() {
    openLink("http://" + links_.faq + "/discussions/lumora");
}

void SettingWindowController::btnFanPagePressed() {
    openLink("http://" + links_.fanPage + "/orvanes");
}

void SettingWindowController::openLink(const std::string& url) {
    urlOpener_.openURL(url);
}

void SettingWindowController::btnUsePercentagePressed(CheckBox& sender) {
    appDel_.setIsPercentage(isOn(sender));
}

void SettingWindowController::btnShowIconPressed(CheckBox& sender) {
    // Icon and text are never both off: the text comes back.
    if (!isOn(sender) && outlets_ && outlets_->btnShowText.state() == kControlStateOff) {
        outlets_->btnShowText.setState(kControlStateOn);
        appDel_.setIsShowText(true);
    }
    appDel_.setIsShowIcon(isOn(sender));
}

void SettingWindowController::btnShowTextPressed(CheckBox& sender) {
    if (!isOn(sender) && outlets_ && outlets_->btnShowIcon.state() == kControlStateOff) {
        outlets_->btnShowIcon.setState(kControlStateOn);
        appDel_.setIsShowIcon(true);
    }
    appDel_.setIsShowText(isOn(sender));
}

void SettingWindowController::btnTextSizeSegmentChange(SegmentedControl& sender) {
    appDel_.setStrTextSize(sender.selectedSegment() == 0 ? kTextSizeNormal : kTextSizeSmall);
}

void SettingWindowController::btnAutoFreeMemoryPressed(CheckBox& sender) {
    // The outlet and the sender are the same box; the outlet is what is read.
    appDel_.setIsAutoFreeMemory(isOn(outlets_ ? outlets_->btnAutomaticFree : sender));
}

void SettingWindowController::btnRunOnstartupPressed(CheckBox& sender) {
    appDel_.setIsRunOnStartUp(isOn(sender));
}

void SettingWindowController::frequencySliderChange(Slider& /*sender*/) {
    if (!outlets_) {
        return;
    }
    const std::int32_t value = outlets_->sliderFrequency.intValue();
    // A drag within the same whole value changes nothing.
    if (value == appDel_.refreshInterval) {
        return;
    }
    outlets_->txtSliderValue.setStringValue(std::to_string(value));
    appDel_.setRefreshInterval(value);
}

void SettingWindowController::applyMemoryLevel(TextField& field) {
    const std::int32_t value = boundMemoryLevel(intValue(field.stringValue()));
    field.setStringValue(std::to_string(value));
    appDel_.setMemoryLevel(value);
}

void SettingWindowController::applySignificantLevel(TextField& field, std::int32_t value) {
    field.setStringValue(std::to_string(value));
    appDel_.setSignificantThreshold(value);
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

}  // namespace headroom
