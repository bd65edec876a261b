#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Window.h"

namespace headroom {

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

/// The preferences window's tabs, in toolbar order.
enum class SettingTab { General, Advanced, AboutUs };
enum class SettingCheck { ShowIcon, ShowText, Percentage, RunOnStartUp, AutomaticFree };
enum class SettingField { MemoryLevel, SignificantThreshold, PressureLevel };
enum class SettingLink { Twitter, Website, Faq, FanPage };

/// The lowest and highest number a field keeps.
struct FieldBounds {
    std::int32_t lowest = 0;
    std::int32_t highest = 0;
};

/// What the user does in the preferences window, each change once with its value. Values the
/// program sets through `SettingWindow` never come back here.
class SettingWindowOwner {
  public:
    virtual void tabSelected(SettingTab tab) = 0;
    virtual void linkPressed(SettingLink link) = 0;
    virtual void checkChanged(SettingCheck box, bool on) = 0;
    /// The text size's segment: 0 is "Normal".
    virtual void textSizeChanged(int segment) = 0;
    /// The refresh slider's whole value, in seconds.
    virtual void refreshIntervalChanged(std::int32_t seconds) = 0;
    /// The end of an edit of a number field: it lost the focus, Enter was pressed or the window
    /// closed. The number is within the field's bounds; an empty field reads its lowest bound.
    virtual void fieldEdited(SettingField field, std::int32_t value) = 0;
    /// A click on the window's background, on no control.
    virtual void backgroundClicked() = 0;
    /// The user closed the window (an edit under way has ended first). The window may be
    /// destroyed from within this call.
    virtual void windowClosed() = 0;

  protected:
    ~SettingWindowOwner() = default;
};

/// The preferences window. While the user types in a number field it keeps the text a number
/// (a character that would make it anything else is refused) within the field's bounds (a
/// number past one becomes the bound, selected, so the next key replaces it).
class SettingWindow : public Window {
  public:
    virtual void setCheck(SettingCheck box, bool on) = 0;
    virtual void setTextSize(int segment) = 0;
    /// The slider and the label beside it.
    virtual void setRefreshInterval(std::int64_t seconds) = 0;
    /// A value outside the bounds is shown as it is until the user edits the field.
    virtual void setField(SettingField field, std::int32_t value, FieldBounds bounds) = 0;
    virtual void setAbout(const std::string& name, const std::string& version,
                          const std::string& copyright) = 0;
    /// Shows the tab's pane, hides the others and marks its toolbar item.
    virtual void showTab(SettingTab tab) = 0;

    virtual WindowFrame frame() const = 0;
    /// Moves and resizes the window, which is drawn again at its new size.
    virtual void setFrame(const WindowFrame& frame) = 0;
    /// The window gives up the keyboard focus, which ends an edit under way.
    virtual void endEditing() = 0;
};

/// Loads the preferences window from its interface file, "SettingWindowController".
class SettingWindowFactory {
  public:
    virtual ~SettingWindowFactory() = default;

    /// The window starts hidden; what the user does in it goes to `owner`. Nothing, after a
    /// line in the log that says why, when the file cannot be loaded.
    virtual std::unique_ptr<SettingWindow> loadWindow(SettingWindowOwner& owner) = 0;
};

}  // namespace headroom
