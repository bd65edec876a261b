#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CallJournal.h"
#include "platform/SettingWindowFactory.h"
#include "preferences/Outlets.h"

namespace headroom {
class SettingWindowController;
}

namespace headroom::test {

/// Base of the fake controls: a name for the journal ("btnShowIcon.setState") and the action
/// the interface file connected, which the user's gestures send.
class FakeControl {
  public:
    FakeControl(std::string name, CallJournal* journal)
        : name_(std::move(name)), journal_(journal) {}
    const std::string& name() const { return name_; }
    std::function<void()> action;

  protected:
    void note(const char* call) const {
        if (journal_ != nullptr) {
            journal_->record(name_ + "." + call);
        }
    }
    void send() const {
        if (action) {
            action();
        }
    }

  private:
    std::string name_;
    CallJournal* journal_;
};

class FakeCheckBox final : public CheckBox, public FakeControl {
  public:
    using FakeControl::FakeControl;
    int state() const override { return state_; }
    void setState(int state) override {
        note("setState");
        state_ = state;
    }
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
    using FakeControl::FakeControl;
    int selectedSegment() const override { return selected_; }
    void setSelectedSegment(int segment) override {
        note("setSelectedSegment");
        selected_ = segment;
    }
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
    using FakeControl::FakeControl;
    std::int32_t intValue() const override { return static_cast<std::int32_t>(value_); }
    void setIntegerValue(std::int64_t value) override {
        note("setIntegerValue");
        value_ = static_cast<double>(value);
    }
    /// The user drags the knob to `value`; the action is sent.
    void drag(double value) {
        value_ = value;
        send();
    }
    double value() const { return value_; }

  private:
    double value_ = 0.0;
};

/// A text field. An editable one reports the user's typing to its owner, and remembers that it
/// is being edited until the window's first responder changes.
class FakeTextField final : public TextField, public FakeControl {
  public:
    FakeTextField(std::string name, CallJournal* journal, int tag)
        : FakeControl(std::move(name), journal), tag_(tag) {}
    std::string stringValue() const override { return text_; }
    void setStringValue(const std::string& text) override {
        note("setStringValue");
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

class FakeView final : public View, public FakeControl {
  public:
    FakeView(std::string name, CallJournal* journal, bool hidden)
        : FakeControl(std::move(name), journal), hidden_(hidden) {}
    bool isHidden() const override { return hidden_; }
    void setHidden(bool hidden) override {
        note("setHidden");
        hidden_ = hidden;
    }

  private:
    bool hidden_;
};

class FakeToolbar final : public Toolbar, public FakeControl {
  public:
    using FakeControl::FakeControl;
    void setSelectedItemIdentifier(const std::string& identifier) override {
        note("setSelectedItemIdentifier");
        selected_ = identifier;
    }
    std::string selectedItemIdentifier() const override { return selected_; }

  private:
    std::string selected_;
};

class FakeWindow final : public PreferencesWindow, public FakeControl {
  public:
    struct FrameChange {
        WindowFrame frame;
        bool display;
        bool animate;
    };

    using FakeControl::FakeControl;
    WindowFrame frame() const override { return frame_; }
    void setFrame(const WindowFrame& frame, bool display, bool animate) override {
        note("setFrame");
        frame_ = frame;
        frameChanges_.push_back(FrameChange{frame, display, animate});
    }
    void setCollectionBehavior(unsigned behavior) override {
        note("setCollectionBehavior");
        collectionBehavior_ = behavior;
    }
    void makeKeyAndOrderFront() override {
        note("makeKeyAndOrderFront");
        ++fronted_;
    }
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
class FakeSettingWindow final : public InterfaceObjects {
  public:
    FakeSettingWindow(SettingWindowController& owner, CallJournal* journal);

    SettingWindowController& owner;
    FakeWindow window;
    FakeToolbar settingsToolbar;
    FakeView generalView;
    FakeView advancedView;
    FakeView aboutUsView;
    FakeSegmentedControl segmentSize;
    FakeCheckBox btnPercentage;
    FakeCheckBox btnRunOnStartup;
    FakeCheckBox btnShowIcon;
    FakeCheckBox btnShowText;
    FakeCheckBox btnAutomaticFree;
    FakeTextField txtMemoryLevel;
    FakeSlider sliderFrequency;
    FakeTextField txtSliderValue;
    FakeTextField txtAppName;
    FakeTextField txtCopyrightText;
    FakeTextField txtVersionString;
    FakeTextField txtSignificantLevel;

    /// Connects every outlet to the owner, but for the one named `skip`.
    void connectOutlets(const std::string& skip);
};

/// Loads windows of fakes. `window()` is the last one loaded, valid while its controller
/// holds it.
class FakeSettingWindowFactory final : public SettingWindowFactory, public Journaled {
  public:
    std::unique_ptr<InterfaceObjects> loadWindowNib(const std::string& nibName,
                                                    SettingWindowController& owner) override;

    FakeSettingWindow& window() const;
    std::size_t loadCount() const { return nibNames_.size(); }
    const std::vector<std::string>& nibNames() const { return nibNames_; }

    /// Loads fail while set, as with a missing interface file.
    bool failLoads = false;
    /// An outlet the interface file leaves unconnected.
    std::string unconnectedOutlet;

  private:
    std::vector<std::string> nibNames_;
    FakeSettingWindow* last_ = nullptr;
};

}  // namespace headroom::test
