#include "FakeSettingWindow.h"

#include <stdexcept>

#include "preferences/SettingWindowController.h"

namespace headroom::test {

void FakeWindow::makeFirstResponder(TextField* responder) {
    note("makeFirstResponder");
    for (FakeTextField* field : fields) {
        if (field->editing && field != responder) {
            field->editing = false;
            if (field->onEndEditing) {
                field->onEndEditing();
            }
        }
    }
}

FakeSettingWindow::FakeSettingWindow(SettingWindowController& controller, CallJournal* journal)
    : owner(controller),
      window("window", journal),
      settingsToolbar("settingsToolbar", journal),
      generalView("generalView", journal, false),
      advancedView("advancedView", journal, true),
      aboutUsView("aboutUsView", journal, true),
      segmentSize("segmentSize", journal),
      btnPercentage("btnPercentage", journal),
      btnRunOnStartup("btnRunOnStartup", journal),
      btnShowIcon("btnShowIcon", journal),
      btnShowText("btnShowText", journal),
      btnAutomaticFree("btnAutomaticFree", journal),
      txtMemoryLevel("txtMemoryLevel", journal, 1),
      sliderFrequency("sliderFrequency", journal),
      txtSliderValue("txtSliderValue", journal, 0),
      txtAppName("txtAppName", journal, 0),
      txtCopyrightText("txtCopyrightText", journal, 0),
      txtVersionString("txtVersionString", journal, 0),
      txtSignificantLevel("txtSignificantLevel", journal, 2) {
    window.place(WindowFrame{100.0, 100.0, 500.0, 400.0});
    window.fields = {&txtMemoryLevel, &txtSignificantLevel};

    // The actions, as the interface file connects them.
    btnPercentage.action = [this] { owner.btnUsePercentagePressed(btnPercentage); };
    btnShowIcon.action = [this] { owner.btnShowIconPressed(btnShowIcon); };
    btnShowText.action = [this] { owner.btnShowTextPressed(btnShowText); };
    btnRunOnStartup.action = [this] { owner.btnRunOnstartupPressed(btnRunOnStartup); };
    btnAutomaticFree.action = [this] { owner.btnAutoFreeMemoryPressed(btnAutomaticFree); };
    segmentSize.action = [this] { owner.btnTextSizeSegmentChange(segmentSize); };
    sliderFrequency.action = [this] { owner.frequencySliderChange(sliderFrequency); };
    for (FakeTextField* field : window.fields) {
        field->onChange = [this, field] { owner.controlTextDidChange(*field); };
        field->onEndEditing = [this, field] { owner.controlTextDidEndEditing(*field); };
    }
}

void FakeSettingWindow::connectOutlets(const std::string& skip) {
    auto connect = [&skip](const std::string& name, auto setter) {
        if (name != skip) {
            setter();
        }
    };
    SettingWindowController& o = owner;
    connect("window", [&] { o.setWindow(&window); });
    connect("settingsToolbar", [&] { o.setSettingsToolbar(&settingsToolbar); });
    connect("generalView", [&] { o.setGeneralView(&generalView); });
    connect("advancedView", [&] { o.setAdvancedView(&advancedView); });
    connect("aboutUsView", [&] { o.setAboutUsView(&aboutUsView); });
    connect("segmentSize", [&] { o.setSegmentSize(&segmentSize); });
    connect("btnPercentage", [&] { o.setBtnPercentage(&btnPercentage); });
    connect("btnRunOnStartup", [&] { o.setBtnRunOnStartup(&btnRunOnStartup); });
    connect("btnShowIcon", [&] { o.setBtnShowIcon(&btnShowIcon); });
    connect("btnShowText", [&] { o.setBtnShowText(&btnShowText); });
    connect("btnAutomaticFree", [&] { o.setBtnAutomaticFree(&btnAutomaticFree); });
    connect("txtMemoryLevel", [&] { o.setTxtMemoryLevel(&txtMemoryLevel); });
    connect("sliderFrequency", [&] { o.setSliderFrequency(&sliderFrequency); });
    connect("txtSliderValue", [&] { o.setTxtSliderValue(&txtSliderValue); });
    connect("txtAppName", [&] { o.setTxtAppName(&txtAppName); });
    connect("txtCopyrightText", [&] { o.setTxtCopyrightText(&txtCopyrightText); });
    connect("txtVersionString", [&] { o.setTxtVersionString(&txtVersionString); });
    connect("txtSignificantLevel", [&] { o.setTxtSignificantLevel(&txtSignificantLevel); });
}

std::unique_ptr<InterfaceObjects> FakeSettingWindowFactory::loadWindowNib(
    const std::string& nibName, SettingWindowController& owner) {
    note("settingWindows.loadWindowNib");
    nibNames_.push_back(nibName);
    if (failLoads) {
        return nullptr;
    }
    auto loaded = std::make_unique<FakeSettingWindow>(owner, journal());
    loaded->connectOutlets(unconnectedOutlet);
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
