#include "preferences/SettingWindowController.h"

#include <algorithm>
#include <utility>

namespace headroom {

namespace {

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
    // The first window opens on General keeping its top edge; a later one where the last was.
    w.showTab(tab_);
    w.setFrame(closedAt_ ? *closedAt_ : frameForTab(w.frame(), tab_));

    // The controls from the application's values.
    w.setCheck(SettingCheck::ShowText, appDel_.isShowText);
    w.setCheck(SettingCheck::ShowIcon, appDel_.isShowIcon);
    w.setCheck(SettingCheck::RunOnStartUp, appDel_.isRunOnStartUp);
    w.setCheck(SettingCheck::Percentage, appDel_.isPercentage);
    w.setTextSize(appDel_.strTextSize == kTextSizeNormal ? 0 : 1);
    w.setCheck(SettingCheck::AutomaticFree, appDel_.isAutoFreeMemory);
    w.setRefreshInterval(appDel_.refreshInterval);
    for (const auto& [field, value] :
         {std::pair{SettingField::MemoryLevel, appDel_.memoryLevel},
          {SettingField::SignificantThreshold, appDel_.significantThreshold},
          {SettingField::PressureLevel, appDel_.pressureLevel}}) {
        w.setField(field, value, fieldBounds(field));
    }
    w.setAbout(bundle_.name, versionString(bundle_.shortVersion, bundle_.buildVersion),
               bundle_.copyright);
}

void SettingWindowController::tabSelected(SettingTab tab) {
    tab_ = tab;
    if (window_) {
        window_->showTab(tab);
        window_->setFrame(frameForTab(window_->frame(), tab));
    }
}

void SettingWindowController::backgroundClicked() {
    if (window_) {
        window_->endEditing();
    }
}

void SettingWindowController::windowClosed() {
    if (window_) {
        closedAt_ = window_->frame();
        window_.reset();
    }
}

void SettingWindowController::linkPressed(SettingLink link) {
    switch (link) {
        case SettingLink::Twitter:
            urlOpener_.openURL("https://" + links_.twitter + "/orvane1");
            break;
        case SettingLink::Website:
            urlOpener_.openURL("http://" + links_.website);
            break;
        case SettingLink::Faq:
            urlOpener_.openURL("http://" + links_.faq + "/discussions/lumora");
            break;
        case SettingLink::FanPage:
            urlOpener_.openURL("http://" + links_.fanPage + "/orvanes");
            break;
    }
}

void SettingWindowController::checkChanged(SettingCheck box, bool on) {
    switch (box) {
        case SettingCheck::ShowIcon:
        case SettingCheck::ShowText: {
            // Icon and text are never both off: the other one comes back.
            const bool icon = box == SettingCheck::ShowIcon;
            if (!on && !(icon ? appDel_.isShowText : appDel_.isShowIcon)) {
                if (window_) {
                    window_->setCheck(icon ? SettingCheck::ShowText : SettingCheck::ShowIcon, true);
                }
                icon ? appDel_.setIsShowText(true) : appDel_.setIsShowIcon(true);
            }
            icon ? appDel_.setIsShowIcon(on) : appDel_.setIsShowText(on);
            break;
        }
        case SettingCheck::Percentage:
            appDel_.setIsPercentage(on);
            break;
        case SettingCheck::RunOnStartUp:
            appDel_.setIsRunOnStartUp(on);
            break;
        case SettingCheck::AutomaticFree:
            appDel_.setIsAutoFreeMemory(on);
            break;
    }
}

void SettingWindowController::textSizeChanged(int segment) {
    appDel_.setStrTextSize(segment == 0 ? kTextSizeNormal : kTextSizeSmall);
}

void SettingWindowController::refreshIntervalChanged(std::int32_t seconds) {
    // A drag within the same whole value changes nothing.
    if (seconds == appDel_.refreshInterval) {
        return;
    }
    appDel_.setRefreshInterval(seconds);
    if (window_) {
        window_->setRefreshInterval(seconds);
    }
}

void SettingWindowController::fieldEdited(SettingField field, std::int32_t typed) {
    const FieldBounds bounds = fieldBounds(field);
    const std::int32_t value = std::clamp(typed, bounds.lowest, bounds.highest);
    // Leaving a field without changing its number stores nothing.
    switch (field) {
        case SettingField::MemoryLevel:
            if (value != appDel_.memoryLevel) {
                appDel_.setMemoryLevel(value);
            }
            break;
        case SettingField::SignificantThreshold:
            if (value != appDel_.significantThreshold) {
                appDel_.setSignificantThreshold(value);
            }
            break;
        case SettingField::PressureLevel:
            if (value != appDel_.pressureLevel) {
                appDel_.setPressureLevel(value);
            }
            break;
    }
}

}  // namespace headroom
