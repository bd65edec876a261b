#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/StatusBar.h"

namespace headroom {

/// A status item that only remembers what it was given, for the terminal front end to show.
/// Its menu is always in view, so it is open from the start.
class TerminalStatusItem : public StatusItem {
  public:
    void setAttributedTitle(const AttributedTitle& title) override {
        title_ = title;
        changed();
    }
    void setImage(const StatusImage& image) override {
        image_ = image;
        changed();
    }
    void setMenu(const std::vector<MenuRow>& rows) override {
        rows_ = rows;
        changed();
    }
    void setMenuEvents(StatusMenuEvents events) override {
        events_ = std::move(events);
        events_.menuEvent(MenuEvent::Opened);
    }

    const AttributedTitle& title() const { return title_; }
    const StatusImage& image() const { return image_; }
    const std::vector<MenuRow>& rows() const { return rows_; }

    /// Called after every change, so a live view can schedule a redraw.
    std::function<void()> onChange;

  private:
    void changed() {
        if (onChange) {
            onChange();
        }
    }

    AttributedTitle title_;
    StatusImage image_;
    std::vector<MenuRow> rows_;
    StatusMenuEvents events_;
};

/// Hands out one terminal status item and keeps a pointer to it for the front end.
class TerminalStatusBar : public StatusBar {
  public:
    std::unique_ptr<StatusItem> makeStatusItem() override {
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
