#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Window.h"

namespace headroom {

class SettingWindowController;

// The controls of the preferences window as its controller sees them: each a small interface
// that the desktop front end implements over its widgets and the unit tests over plain values.
// Setting a value through these never sends the control's action: only the user's own changes
// reach the controller.

/// A check box's state: on is 1, anything else counts as off.
inline constexpr int kControlStateOff = 0;
inline constexpr int kControlStateOn = 1;

class CheckBox {
  public:
    virtual ~CheckBox() = default;
    virtual int state() const = 0;
    virtual void setState(int state) = 0;
};

class SegmentedControl {
  public:
    virtual ~SegmentedControl() = default;
    virtual int selectedSegment() const = 0;
    virtual void setSelectedSegment(int segment) = 0;
};

class Slider {
  public:
    virtual ~Slider() = default;
    /// The position as a 32-bit whole number.
    virtual std::int32_t intValue() const = 0;
    virtual void setIntegerValue(std::int64_t value) = 0;
};

/// A line of text, editable or not. The two numeric fields carry the tags 1 and 2; every other
/// field carries 0.
class TextField {
  public:
    virtual ~TextField() = default;
    virtual std::string stringValue() const = 0;
    virtual void setStringValue(const std::string& text) = 0;
    virtual int tag() const = 0;
};

/// A pane of the window.
class View {
  public:
    virtual ~View() = default;
    virtual void setHidden(bool hidden) = 0;
};

class Toolbar {
  public:
    virtual ~Toolbar() = default;
    /// Marks the item as the selected one without sending its action.
    virtual void setSelectedItemIdentifier(const std::string& identifier) = 0;
};

/// A window's frame on the screen, in points, with the vertical axis growing upward: `y` is the
/// bottom edge and `y + height` the top edge.
struct WindowFrame {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;

    double top() const { return y + height; }
    friend bool operator==(const WindowFrame&, const WindowFrame&) = default;
};

/// The preferences window: its controller also moves and sizes it, and ends text editing.
class PreferencesWindow : public Window {
  public:
    virtual WindowFrame frame() const = 0;
    /// Moves and resizes the window; `display` redraws at once, `animate` may animate.
    virtual void setFrame(const WindowFrame& frame, bool display, bool animate) = 0;
    /// Gives the keyboard focus to `responder`, or to nothing at all. A numeric field that was
    /// being edited loses the focus, and its end-of-editing notice goes to the window's owner.
    virtual void makeFirstResponder(TextField* responder) = 0;
};

/// The window and its controls, by the names the controller knows them by.
struct SettingOutlets {
    PreferencesWindow& window;
    Toolbar& settingsToolbar;
    View& generalView;
    View& advancedView;
    View& aboutUsView;
    SegmentedControl& segmentSize;
    CheckBox& btnPercentage;
    CheckBox& btnRunOnStartup;
    CheckBox& btnShowIcon;
    CheckBox& btnShowText;
    CheckBox& btnAutomaticFree;
    TextField& txtMemoryLevel;
    Slider& sliderFrequency;
    TextField& txtSliderValue;
    TextField& txtAppName;
    TextField& txtCopyrightText;
    TextField& txtVersionString;
    TextField& txtSignificantLevel;
};

/// A loaded preferences window: its controls live while this is held.
class SettingWindow {
  public:
    virtual ~SettingWindow() = default;
    virtual SettingOutlets outlets() = 0;
};

/// Loads the preferences window from its interface file, "SettingWindowController".
class SettingWindowFactory {
  public:
    virtual ~SettingWindowFactory() = default;

    /// Each control's action and the numeric fields' editing notices go to `owner`, and a
    /// click on the window's background comes to it as `mouseUp`. The window starts hidden, on
    /// the General pane. Nothing, after a line in the log that says why, when the file cannot
    /// be loaded.
    virtual std::unique_ptr<SettingWindow> loadWindow(SettingWindowController& owner) = 0;
};

}  // namespace headroom
