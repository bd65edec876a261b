#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/SettingWindowFactory.h"
#include "preferences/SettingWindowController.h"

namespace headroom::test {

/// One loaded preferences window of plain values, whose notices go to `controller` as the
/// interface file sends them. It opens at 500 × 400 with its bottom-left corner at (100, 100),
/// on the General pane.
class FakeSettingWindow final : public SettingWindow {
  public:
    explicit FakeSettingWindow(SettingWindowController& owner) : controller(owner) {}

    std::int32_t intValue(const std::string& outlet) const override {
        const auto at = ints.find(outlet);
        return at == ints.end() ? 0 : static_cast<std::int32_t>(at->second);
    }
    void setIntValue(const std::string& outlet, std::int64_t value) override {
        ints[outlet] = value;
    }
    std::string stringValue(const std::string& outlet) const override {
        const auto at = texts.find(outlet);
        return at == texts.end() ? std::string() : at->second;
    }
    void setStringValue(const std::string& outlet, const std::string& text) override {
        texts[outlet] = text;
    }
    void setHidden(const std::string& outlet, bool hidden) override {
        hiddenViews[outlet] = hidden;
    }
    void setSelectedItemIdentifier(const std::string& identifier) override {
        selectedItem = identifier;
    }
    WindowFrame frame() const override { return placed; }
    void setFrame(const WindowFrame& frame) override { placed = frame; }
    void endEditing() override {
        if (!editing.empty()) {
            controller.controlTextDidEndEditing(std::exchange(editing, std::string()));
        }
    }
    void setCollectionBehavior(unsigned behavior) override { collectionBehavior = behavior; }
    void makeKeyAndOrderFront() override { ++fronted; }

    /// The user's gesture leaves `value` in a control (a check box's state, a segment, the
    /// slider's whole position), which sends its action.
    void change(const std::string& outlet, std::int64_t value) {
        using C = SettingWindowController;
        static const std::map<std::string, void (C::*)()> actions = {
            {"btnPercentage", &C::btnUsePercentagePressed},
            {"btnShowIcon", &C::btnShowIconPressed},
            {"btnShowText", &C::btnShowTextPressed},
            {"btnAutomaticFree", &C::btnAutoFreeMemoryPressed},
            {"btnRunOnStartup", &C::btnRunOnstartupPressed},
            {"segmentSize", &C::btnTextSizeSegmentChange},
            {"sliderFrequency", &C::frequencySliderChange}};
        ints[outlet] = value;
        (controller.*actions.at(outlet))();
    }
    /// The user clicks a check box: it turns off when it was on, else on.
    void click(const std::string& box) { change(box, intValue(box) == 1 ? 0 : 1); }
    /// The user's edit leaves `text` in `field`, which is being edited until editing ends.
    void type(const std::string& field, const std::string& text) {
        texts[field] = text;
        editing = field;
        controller.controlTextDidChange(field);
    }

    SettingWindowController& controller;
    std::map<std::string, std::int64_t> ints;
    std::map<std::string, std::string> texts;
    std::map<std::string, bool> hiddenViews{
        {"generalView", false}, {"advancedView", true}, {"aboutUsView", true}};
    std::string selectedItem;
    WindowFrame placed{100.0, 100.0, 500.0, 400.0};
    unsigned collectionBehavior = 0;
    std::size_t fronted = 0;
    std::string editing;
};

/// Loads windows of fakes; fails while `failLoads` is set, as with a missing interface file.
class FakeSettingWindowFactory final : public SettingWindowFactory {
  public:
    std::unique_ptr<SettingWindow> loadWindow(SettingWindowController& owner) override {
        ++loadCount;
        if (failLoads) {
            return nullptr;
        }
        auto loaded = std::make_unique<FakeSettingWindow>(owner);
        last_ = loaded.get();
        return loaded;
    }
    /// The last window loaded, valid while its controller holds it.
    FakeSettingWindow& window() const {
        if (last_ == nullptr) {
            throw std::logic_error("FakeSettingWindowFactory: no window has been loaded");
        }
        return *last_;
    }

    std::size_t loadCount = 0;
    bool failLoads = false;

  private:
    FakeSettingWindow* last_ = nullptr;
};

}  // namespace headroom::test
