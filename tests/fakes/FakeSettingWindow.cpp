#include "FakeSettingWindow.h"

#include <stdexcept>

#include "preferences/SettingWindowController.h"

namespace headroom::test {

void FakeWindow::makeFirstResponder(TextField* responder) {
    for (FakeTextField* field : fields) {
        if (field->editing && field != responder) {
            field->editing = false;
            if (field->onEndEditing) {
                field->onEndEditing();
            }
        }
    }
}

FakeSettingWindow::FakeSettingWindow(SettingWindowController& owner) {
    window.place(WindowFrame{100.0, 100.0, 500.0, 400.0});
    window.fields = {&txtMemoryLevel, &txtSignificantLevel};

    // The actions, as the interface file connects them.
    btnPercentage.action = [this, &owner] { owner.btnUsePercentagePressed(btnPercentage); };
    btnShowIcon.action = [this, &owner] { owner.btnShowIconPressed(btnShowIcon); };
    btnShowText.action = [this, &owner] { owner.btnShowTextPressed(btnShowText); };
    btnRunOnStartup.action = [this, &owner] { owner.btnRunOnstartupPressed(btnRunOnStartup); };
    btnAutomaticFree.action = [this, &owner] { owner.btnAutoFreeMemoryPressed(btnAutomaticFree); };
    segmentSize.action = [this, &owner] { owner.btnTextSizeSegmentChange(segmentSize); };
    sliderFrequency.action = [this, &owner] { owner.frequencySliderChange(sliderFrequency); };
    for (FakeTextField* field : window.fields) {
        field->onChange = [field, &owner] { owner.controlTextDidChange(*field); };
        field->onEndEditing = [field, &owner] { owner.controlTextDidEndEditing(*field); };
    }
}

SettingOutlets FakeSettingWindow::outlets() {
    return {window,           settingsToolbar,  generalView,        advancedView,   aboutUsView,
            segmentSize,      btnPercentage,    btnRunOnStartup,    btnShowIcon,    btnShowText,
            btnAutomaticFree, txtMemoryLevel,   sliderFrequency,    txtSliderValue, txtAppName,
            txtCopyrightText, txtVersionString, txtSignificantLevel};
}

std::unique_ptr<SettingWindow> FakeSettingWindowFactory::loadWindow(
    SettingWindowController& owner) {
    ++loadCount_;
    if (failLoads) {
        return nullptr;
    }
    auto loaded = std::make_unique<FakeSettingWindow>(owner);
    last_ = loaded.get();
    return loaded;
}

FakeSettingWindow& FakeSettingWindowFactory::window() const {
    if (last_ == nullptr) {
        throw std::logic_error("FakeSettingWindowFactory: no window has been loaded");
    }
    return *last_;
}

}  // namespace headroom::test
