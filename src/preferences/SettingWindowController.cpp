#include "preferences/SettingWindowController.h"

#include <cstdint>
#include <string>
#include <utility>

namespace headroom {

namespace {

/// A check box's states: on is 1, and only 1 counts as on.
constexpr std::int32_t kStateOff = 0;
constexpr std::int32_t kStateOn = 1;

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

SettingWindow* SettingWindowController::window() {
    if (!window_) {
        window_ = factory_.loadWindow(*this);
        if (window_) {
            windowDidLoad();
        }
    }
    return window_.get();
}

void SettingWindowController::showWindow() {
    if (SettingWindow* shown = window()) {
        shown->makeKeyAndOrderFront();
    }
}

void SettingWindowController::windowDidLoad() {
    SettingWindow& w = *window_;
    // The General size, keeping the top edge.
    w.setFrame(frameForTab(w.frame(), SettingTab::General));
    w.setSelectedItemIdentifier("General");

    // The controls from the application's values.
    w.setIntValue("btnShowText", appDel_.isShowText);
    w.setIntValue("btnShowIcon", appDel_.isShowIcon);
    w.setIntValue("btnRunOnStartup", appDel_.isRunOnStartUp);
    w.setIntValue("btnPercentage", appDel_.isPercentage);
    w.setIntValue("segmentSize", appDel_.strTextSize == kTextSizeNormal ? 0 : 1);
    w.setIntValue("btnAutomaticFree", appDel_.isAutoFreeMemory);
    w.setIntValue("sliderFrequency", appDel_.refreshInterval);
    w.setStringValue("txtSliderValue", std::to_string(appDel_.refreshInterval));
    w.setStringValue("txtMemoryLevel", std::to_string(appDel_.memoryLevel));
    w.setStringValue("txtSignificantLevel", std::to_string(appDel_.significantThreshold));
    w.setStringValue("txtPressureLevel", std::to_string(appDel_.pressureLevel));

    // The About texts from the application's own description.
    w.setStringValue("txtVersionString", versionString(bundle_.shortVersion, bundle_.buildVersion));
    w.setStringValue("txtAppName", bundle_.name);
    w.setStringValue("txtCopyrightText", bundle_.copyright);

    w.makeKeyAndOrderFront();
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
    if (!window_) {
        return;
    }
    window_->setHidden("generalView", tab != SettingTab::General);
    window_->setHidden("advancedView", tab != SettingTab::Advanced);
    window_->setHidden("aboutUsView", tab != SettingTab::AboutUs);
    window_->setFrame(frameForTab(window_->frame(), tab));
}

void SettingWindowController::mouseUp() {
    if (window_) {
        window_->endEditing();
    }
}

void SettingWindowController::btnTwitterPressed() {
    urlOpener_.openURL("https://" + links_.twitter + "/orvane1");
}

void SettingWindowController::btnOrvaneDotComPressed() {
    urlOpener_.openURL("http://" + links_.website);
}

void SettingWindowController::btnFaqPressed() {
    urlOpener_.openURL("http://" + links_.faq + "/discussions/lumora");
}

void SettingWindowController::btnFanPagePressed() {
    urlOpener_.openURL("http://" + links_.fanPage + "/orvanes");
}

bool SettingWindowController::isOn(const char* checkBox) const {
    return window_ && window_->intValue(checkBox) == kStateOn;
}

void SettingWindowController::btnUsePercentagePressed() {
    appDel_.setIsPercentage(isOn("btnPercentage"));
}

void SettingWindowController::btnShowIconPressed() {
    // Icon and text are never both off: the text comes back.
    const bool on = isOn("btnShowIcon");
    if (!on && window_ && window_->intValue("btnShowText") == kStateOff) {
        window_->setIntValue("btnShowText", kStateOn);
        appDel_.setIsShowText(true);
    }
    appDel_.setIsShowIcon(on);
}

void SettingWindowController::btnShowTextPressed() {
    const bool on = isOn("btnShowText");
    if (!on && window_ && window_->intValue("btnShowIcon") == kStateOff) {
        window_->setIntValue("btnShowIcon", kStateOn);
        appDel_.setIsShowIcon(true);
    }
    appDel_.setIsShowText(on);
}

void SettingWindowController::btnTextSizeSegmentChange() {
    if (window_) {
        appDel_.setStrTextSize(window_->intValue("segmentSize") == 0 ? kTextSizeNormal
                                                                     : kTextSizeSmall);
    }
}

void SettingWindowController::btnAutoFreeMemoryPressed() {
    appDel_.setIsAutoFreeMemory(isOn("btnAutomaticFree"));
}

void SettingWindowController::btnRunOnstartupPressed() {
    appDel_.setIsRunOnStartUp(isOn("btnRunOnStartup"));
}

void SettingWindowController::frequencySliderChange() {
    if (!window_) {
        return;
    }
    const std::int32_t value = window_->intValue("sliderFrequency");
    // A drag within the same whole value changes nothing.
    if (value == appDel_.refreshInterval) {
        return;
    }
    window_->setStringValue("txtSliderValue", std::to_string(value));
    appDel_.setRefreshInterval(value);
}

void SettingWindowController::controlTextDidChange(const std::string& field) {
    applyField(field, true);
}

void SettingWindowController::controlTextDidEndEditing(const std::string& field) {
    applyField(field, false);
}

void SettingWindowController::applyField(const std::string& field, bool typing) {
    if (!window_) {
        return;
    }
    // An empty or non-numeric text reads 0, then takes the bound.
    const std::int32_t typed = intValue(window_->stringValue(field));
    if (field == "txtMemoryLevel") {
        const std::int32_t value = boundMemoryLevel(typed);
        window_->setStringValue(field, std::to_string(value));
        appDel_.setMemoryLevel(value);
    } else if (field == "txtSignificantLevel") {
        // No bound at the end of editing: typing has already applied it.
        const std::int32_t value = typing ? boundSignificantThreshold(typed) : typed;
        window_->setStringValue(field, std::to_string(value));
        appDel_.setSignificantThreshold(value);
    } else if (field == "txtPressureLevel") {
        const std::int32_t value = boundPressureLevel(typed);
        window_->setStringValue(field, std::to_string(value));
        appDel_.setPressureLevel(value);
    }
}

}  // namespace headroom
