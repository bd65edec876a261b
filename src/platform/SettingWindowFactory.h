#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Window.h"

namespace headroom {

class SettingWindowController;

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

/// The preferences window, its controls known by their outlet names (`btnShowIcon`,
/// `segmentSize`, `sliderFrequency`, `txtMemoryLevel`, `generalView`, …). Setting a value
/// through these never sends the control's action: only the user's own changes reach the
/// controller.
class SettingWindow : public Window {
  public:
    /// A check box's state (on is 1, off 0), the selected segment of a segmented control, or a
    /// slider's position as a 32-bit whole number.
    virtual std::int32_t intValue(const std::string& outlet) const = 0;
    virtual void setIntValue(const std::string& outlet, std::int64_t value) = 0;
    /// The text of a text field, editable or not.
    virtual std::string stringValue(const std::string& outlet) const = 0;
    virtual void setStringValue(const std::string& outlet, const std::string& text) = 0;
    /// Shows or hides a pane.
    virtual void setHidden(const std::string& outlet, bool hidden) = 0;
    /// Marks the toolbar item as the selected one without sending its action.
    virtual void setSelectedItemIdentifier(const std::string& identifier) = 0;

    virtual WindowFrame frame() const = 0;
    /// Moves and resizes the window, which is drawn again at its new size.
    virtual void setFrame(const WindowFrame& frame) = 0;
    /// The window gives up the keyboard focus: a numeric field that was being edited tells the
    /// controller `controlTextDidEndEditing`.
    virtual void endEditing() = 0;
};

/// Loads the preferences window from its interface file, "SettingWindowController".
class SettingWindowFactory {
  public:
    virtual ~SettingWindowFactory() = default;

    /// Each control's action (the controller's method that the file names), the numeric fields'
    /// editing notices and a click on the window's background (`mouseUp`) go to `owner`. The
    /// window starts hidden, on the General pane. Nothing, after a line in the log that says
    /// why, when the file cannot be loaded.
    virtual std::unique_ptr<SettingWindow> loadWindow(SettingWindowController& owner) = 0;
};

}  // namespace headroom
