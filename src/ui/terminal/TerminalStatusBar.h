#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "platform/StatusBar.h"

namespace headroom {

/// A status item that only remembers what it was given, for the terminal front end to show.
class TerminalStatusItem : public StatusItem {
  public:
    void setAttributedTitle(const AttributedTitle& title) override {
        title_ = title;
        changed();
    }
    void setImage(const std::optional<StatusImage>& image) override {
        image_ = image;
        changed();
    }
    void setMenu(std::shared_ptr<StatusItemMenu> menu) override {
        menu_ = std::move(menu);
        changed();
    }

    const AttributedTitle& title() const { return title_; }
    const std::optional<StatusImage>& image() const { return image_; }
    const std::shared_ptr<StatusItemMenu>& menu() const { return menu_; }

    /// Called after every change, so a live view can schedule a redraw.
    std::function<void()> onChange;

  private:
    void changed() {
        if (onChange) {
            onChange();
        }
    }

    AttributedTitle title_;
    std::optional<StatusImage> image_;
    std::shared_ptr<StatusItemMenu> menu_;
};

/// Hands out one terminal status item and keeps a pointer to it for the front end.
class TerminalStatusBar : public StatusBar {
  public:
    std::unique_ptr<StatusItem> statusItemWithLength(double /*length*/) override {
        auto item = std::make_unique<TerminalStatusItem>();
        item_ = item.get();
        return item;
    }
    /// The item made last, or null before the launch made one. The delegate owns it.
    TerminalStatusItem* item() const { return item_; }

  private:
    TerminalStatusItem* item_ = nullptr;
};

}  // namespace headroom
