#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/SettingWindowFactory.h"

namespace headroom {
class SettingWindowController;
}

namespace headroom::test {

/// The action the interface file connected to a control, which the user's gestures send.
struct FakeControl {
    std::function<void()> action;
    void send() const {
        if (action) {
            action();
        }
    }
};

class FakeCheckBox final : public CheckBox, public FakeControl {
  public:
    int state() const override { return state_; }
    void setState(int state) override { state_ = state; }
    /// The user clicks: the state flips between on and off and the action is sent.
    void click() {
        state_ = state_ == kControlStateOn ? kControlStateOff : kControlStateOn;
        send();
    }
    /// Puts the box in any state, as the user's gesture would leave it, without the action.
    void force(int state) { state_ = state; }

  private:
    int state_ = kControlStateOff;
};

class FakeSegmentedControl final : public SegmentedControl, public FakeControl {
  public:
    int selectedSegment() const override { return selected_; }
    void setSelectedSegment(int segment) override { selected_ = segment; }
    void select(int segment) {
        selected_ = segment;
        send();
    }

  private:
    int selected_ = -1;
};

/// A slider whose position may lie between whole numbers; its whole reading truncates.
class FakeSlider final : public Slider, public FakeControl {
  public:
    std::int32_t intValue() const override { return static_cast<std::int32_t>(value_); }
    void setIntegerValue(std::int64_t value) override { value_ = static_cast<double>(value); }
    /// The user drags the knob to `value`; the action is sent.
    void drag(double value) {
        value_ = value;
        send();
    }

  private:
    double value_ = 0.0;
};

/// A text field. An editable one reports the user's typing to its owner, and remembers that it
/// is being edited until the window's first responder changes.
class FakeTextField final : public TextField {
  public:
    explicit FakeTextField(int tag = 0) : tag_(tag) {}
    std::string stringValue() const override { return text_; }
    void setStringValue(const std::string& text) override {
        text_ = text;
        ++setCount_;
    }
    int tag() const override { return tag_; }

    /// The user's edit leaves `text` in the field; the change notice is sent.
    void type(const std::string& text) {
        text_ = text;
        editing = true;
        if (onChange) {
            onChange();
        }
    }
    std::size_t setCount() const { return setCount_; }

    bool editing = false;
    std::function<void()> onChange;
    std::function<void()> onEndEditing;

  private:
    std::string text_;
    int tag_;
    std::size_t setCount_ = 0;
};

class FakeView final : public View {
  public:
    explicit FakeView(bool hidden) : hidden_(hidden) {}
    void setHidden(bool hidden) override { hidden_ = hidden; }
    bool isHidden() const { return hidden_; }

  private:
    bool hidden_;
};

class FakeToolbar final : public Toolbar {
  public:
    void setSelectedItemIdentifier(const std::string& identifier) override {
        selected = identifier;
    }
    std::string selected;
};

class FakeWindow final : public PreferencesWindow {
  public:
    struct FrameChange {
        WindowFrame frame;
        bool display;
        bool animate;
    };

    WindowFrame frame() const override { return frame_; }
    void setFrame(const WindowFrame& frame, bool display, bool animate) override {
        frame_ = frame;
        frameChanges_.push_back(FrameChange{frame, display, animate});
    }
    void setCollectionBehavior(unsigned behavior) override { collectionBehavior_ = behavior; }
    void makeKeyAndOrderFront() override { ++fronted_; }
    void makeFirstResponder(TextField* responder) override;

    /// Where the window stands, as the user (or the desktop) left it.
    void place(const WindowFrame& frame) { frame_ = frame; }
    const std::vector<FrameChange>& frameChanges() const { return frameChanges_; }
    unsigned collectionBehavior() const { return collectionBehavior_; }
    std::size_t frontedCount() const { return fronted_; }

    /// The fields whose editing ends when the first responder changes.
    std::vector<FakeTextField*> fields;

  private:
    WindowFrame frame_;
    std::vector<FrameChange> frameChanges_;
    unsigned collectionBehavior_ = 0;
    std::size_t fronted_ = 0;
};

/// One loaded preferences window of fakes, its actions connected to the owner as the interface
/// file connects them. It opens at 500 × 400 with its bottom-left corner at (100, 100), General
/// pane shown.
class FakeSettingWindow final : public SettingWindow {
  public:
    explicit FakeSettingWindow(SettingWindowController& owner);
    SettingOutlets outlets() override;

    FakeWindow window;
    FakeToolbar settingsToolbar;
    FakeView generalView{false};
    FakeView advancedView{true};
    FakeView aboutUsView{true};
    FakeSegmentedControl segmentSize;
    FakeCheckBox btnPercentage;
    FakeCheckBox btnRunOnStartup;
    FakeCheckBox btnShowIcon;
    FakeCheckBox btnShowText;
    FakeCheckBox btnAutomaticFree;
    FakeTextField txtMemoryLevel{1};
    FakeSlider sliderFrequency;
    FakeTextField txtSliderValue;
    FakeTextField txtAppName;
    FakeTextField txtCopyrightText;
    FakeTextField txtVersionString;
    FakeTextField txtSignificantLevel{2};
};

/// Loads windows of fakes. `window()` is the last one loaded, valid while its controller
/// holds it.
class FakeSettingWindowFactory final : public SettingWindowFactory {
  public:
    std::unique_ptr<SettingWindow> loadWindow(SettingWindowController& owner) override;

    FakeSettingWindow& window() const;
    std::size_t loadCount() const { return loadCount_; }

    /// Loads fail while set, as with a missing interface file.
    bool failLoads = false;

  private:
    std::size_t loadCount_ = 0;
    FakeSettingWindow* last_ = nullptr;
};

}  // namespace headroom::test
