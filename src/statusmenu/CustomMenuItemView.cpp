#include "statusmenu/CustomMenuItemView.h"

namespace headroom {

std::vector<MenuRowElement> CustomMenuItemView::drawRect(
    const std::function<bool(const std::string&)>& fontInstalled) const {
    std::vector<MenuRowElement> elements;
    if (title_) {
        const bool installed = fontInstalled && fontInstalled(kTitleFont);
        elements.emplace_back(MenuRowText{*title_, kTitleX, kTitleY,
                                          installed ? kTitleFont : kFallbackFont, kTitlePointSize});
    }
    if (image_) {
        elements.emplace_back(MenuRowImage{*image_, kIconX, kIconY, kIconSide, kIconSide});
    }
    return elements;
}

}  // namespace headroom
