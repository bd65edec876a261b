#include "statusmenu/CustomMenuItemView.h"

namespace headroom {

std::vector<MenuRowElement> CustomMenuItemView::drawRect() const {
    std::vector<MenuRowElement> elements;
    if (title) {
        elements.emplace_back(MenuRowText{*title, kTitleX, kTitleY, kTitleFont, kTitlePointSize});
    }
    if (image) {
        elements.emplace_back(MenuRowImage{*image, kIconX, kIconY, kIconSide, kIconSide});
    }
    return elements;
}

}  // namespace headroom
