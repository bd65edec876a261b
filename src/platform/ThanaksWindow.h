#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/WebView.h"
#include "platform/Window.h"

namespace headroom {

/// A colour with components from 0 to 1.
struct RgbaColor {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 1.0;
    friend bool operator==(const RgbaColor&, const RgbaColor&) = default;
};

/// A line of text that the window shows (not editable).
class StyledLabel {
  public:
    virtual ~StyledLabel() = default;
    /// `fontName` is a font's full name; the desktop's own font stands in when it is missing.
    virtual void setFont(const std::string& fontName, double pointSize) = 0;
    virtual void setTextColor(const RgbaColor& color) = 0;
    virtual void setStringValue(const std::string& text) = 0;
};

/// A plain panel that other elements sit on.
class PanelView {
  public:
    virtual ~PanelView() = default;
    virtual void setBackgroundColor(const RgbaColor& color) = 0;
    virtual void setBorder(const RgbaColor& color, double width) = 0;
};

/// A spinning activity indicator.
class ProgressIndicator {
  public:
    virtual ~ProgressIndicator() = default;
    virtual void startAnimation() = 0;
    virtual void stopAnimation() = 0;
};

/// The welcome window as its interface file makes it, with the elements its controller
/// drives. Everything here lives as long as this object.
class ThanaksWindow : public Window {
  public:
    virtual StyledLabel& ThanksDownloadingtext() = 0;
    virtual StyledLabel& appName() = 0;
    virtual PanelView& AppView() = 0;
    /// The promotional page.
    virtual WebView& MultipleAppView() = 0;
    /// The subscription form.
    virtual WebView& SubscribeWebview() = 0;
    /// Where a page that the form opens in a new window loads; never shown.
    virtual WebView& tempweb() = 0;
    virtual ProgressIndicator& indicatoraminate() = 0;
    /// The "do not show" check box's action; it gets the box's new state (on: true).
    virtual void setDoNotShowAction(std::function<void(bool)> action) = 0;

    virtual void showWindow() = 0;
};

/// A page among the application's resources.
struct ResourcePage {
    std::string fileURL;  ///< its `file:` address
    std::string text;     ///< its content, valid UTF-8
};

/// Loads the welcome window and the page it shows.
class ThanaksWindowFactory {
  public:
    virtual ~ThanaksWindowFactory() = default;
    /// The window of the interface file `nibName`, hidden; nothing, after a line in the log
    /// that says why, when the file cannot be loaded.
    virtual std::unique_ptr<ThanaksWindow> loadWindowNib(const std::string& nibName) = 0;
    /// The page `page`: a file of the application's resources by name, or an absolute path.
    /// Nothing, after a line in the log that says why, when it cannot be read as UTF-8 text.
    virtual std::optional<ResourcePage> pageForResource(const std::string& page) = 0;
};

}  // namespace headroom
