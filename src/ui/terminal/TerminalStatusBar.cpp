#include "ui/terminal/TerminalStatusBar.h"

#include <utility>

namespace headroom {

void TerminalStatusItem::changed() {
    if (onChange) {
        onChange();
    }
}

void TerminalStatusItem::setAttributedTitle(const AttributedTitle& title) {
    title_ = title;
    changed();
}

void TerminalStatusItem::setImage(const std::optional<StatusImage>& image) {
    image_ = image;
    changed();
}

void TerminalStatusItem::setMenu(std::shared_ptr<StatusItemMenu> menu) {
    menu_ = std::move(menu);
    changed();
}

std::unique_ptr<StatusItem> TerminalStatusBar::statusItemWithLength(double /*length*/) {
    auto item = std::make_unique<TerminalStatusItem>();
    item_ = item.get();
    return item;
}

}  // namespace headroom
