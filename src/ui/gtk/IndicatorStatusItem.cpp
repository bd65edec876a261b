#include "ui/gtk/IndicatorStatusItem.h"

#include <libdbusmenu-glib/server.h>

#include <cstring>
#include <utility>

#include "ui/gtk/IconFolder.h"
#include "ui/gtk/SignalConnect.h"

namespace headroom {

namespace {

/// A themed icon of the freedesktop icon naming specification, for when no icon file can be
/// written: the item stays visible and reachable.
constexpr const char* kThemedIcon = "utilities-system-monitor";

}  // namespace

void IndicatorStatusItem::Unref::operator()(void* object) const {
    if (object != nullptr) {
        g_object_unref(object);
    }
}

IndicatorStatusItem::IndicatorStatusItem(IndicatorStatusBar& bar, const std::string& id)
    : bar_(bar), mirror_(bar.runLoop()) {
    indicator_.reset(
        app_indicator_new(id.c_str(), kThemedIcon, APP_INDICATOR_CATEGORY_SYSTEM_SERVICES));
    AppIndicator* indicator = indicator_.get();
    if (IconFolder* folder = bar_.iconFolder()) {
        app_indicator_set_icon_theme_path(indicator, folder->path().c_str());
    }
    app_indicator_set_title(indicator, bar_.title().c_str());
    // Until the first image arrives: nothing to see, but an icon the panel can load.
    showIcons(blankIconSvg(), blankIconSvg(), false);
    app_indicator_set_status(indicator, APP_INDICATOR_STATUS_ACTIVE);
    connectionHandler_ = connectSignal(indicator, "connection-changed", &onConnectionChanged, this);
}

IndicatorStatusItem::~IndicatorStatusItem() {
    mapped_.disconnect();
    unmapped_.disconnect();
    if (root_ && rootEventHandler_ != 0) {
        g_signal_handler_disconnect(root_.get(), rootEventHandler_);
    }
    root_.reset();
    if (connectionHandler_ != 0) {
        g_signal_handler_disconnect(indicator_.get(), connectionHandler_);
    }
    // The observer belongs to the item's owner, which is going: only the loop is told.
    if (menuOpen_) {
        bar_.runLoop().setTracking(false);
    }
    indicator_.reset();
    if (IconFolder* folder = bar_.iconFolder()) {
        folder->remove(iconName_);
        folder->remove(attentionName_);
    }
}

void IndicatorStatusItem::setAttributedTitle(const AttributedTitle& title) {
    const std::string guide = labelGuide(title.text);
    app_indicator_set_label(indicator_.get(), title.text.c_str(), guide.c_str());
    app_indicator_set_status(indicator_.get(), title.attributes.foregroundColor == TitleColor::Red
                                                   ? APP_INDICATOR_STATUS_ATTENTION
                                                   : APP_INDICATOR_STATUS_ACTIVE);
    // Every refresh sets the title after changing some rows and before changing others: one
    // sync on the next turn sees them all.
    mirror_.scheduleSync();
}

void IndicatorStatusItem::setImage(const std::optional<StatusImage>& image) {
    const SvgArtwork* artwork = image ? bar_.artwork(image->name) : nullptr;
    if (image && image->kind == StatusImage::Kind::BarIcon) {
        // A missing outline leaves the bar alone, which still tells the story.
        showIcons(barIconSvg(artwork, image->barWidth, kIconGrey),
                  barIconSvg(artwork, image->barWidth, kIconRed), image->isTemplate);
    } else if (image && artwork != nullptr) {
        showIcons(artworkSvg(*artwork, kIconGrey), artworkSvg(*artwork, kIconRed),
                  image->isTemplate);
    } else {
        showIcons(blankIconSvg(), blankIconSvg(), false);
    }
}

void IndicatorStatusItem::showIcons(const std::string& normal, const std::string& attention,
                                    bool symbolic) {
    if (normal == shownSvg_ && shownSymbolic_ == symbolic) {
        return;
    }
    IconFolder* folder = bar_.iconFolder();
    if (folder == nullptr) {
        if (iconName_.empty()) {
            iconName_ = attentionName_ = kThemedIcon;
            app_indicator_set_icon_full(indicator_.get(), kThemedIcon, bar_.title().c_str());
            app_indicator_set_attention_icon_full(indicator_.get(), kThemedIcon,
                                                  bar_.title().c_str());
        }
        return;
    }
    // A fresh name for every new picture: panels and the library cache icons by name.
    const std::string stem = "headroom-" + std::to_string(++serial_);
    const std::string name = stem + (symbolic ? "-symbolic" : "");
    const std::string attentionName = stem + "-attention";
    std::string error;
    if (!folder->write(name, normal, error) || !folder->write(attentionName, attention, error)) {
        folder->remove(name);
        folder->remove(attentionName);
        if (!writeFailureLogged_) {
            writeFailureLogged_ = true;
            bar_.log().log("Cannot write the tray icon (" + error + "); keeping the last one");
        }
        return;
    }
    app_indicator_set_attention_icon_full(indicator_.get(), attentionName.c_str(),
                                          bar_.title().c_str());
    app_indicator_set_icon_full(indicator_.get(), name.c_str(), bar_.title().c_str());
    folder->remove(iconName_);
    folder->remove(attentionName_);
    iconName_ = name;
    attentionName_ = attentionName;
    shownSvg_ = normal;
    shownSymbolic_ = symbolic;
}

void IndicatorStatusItem::setMenu(std::shared_ptr<Menu> menu) {
    mirror_.setMenu(std::move(menu));
    if (menuAttached_) {
        return;  // the Gtk menu is the same; only its rows changed
    }
    menuAttached_ = true;
    app_indicator_set_menu(indicator_.get(), mirror_.gtkMenu().gobj());

    // With a panel the menu is shown remotely: the dbusmenu root row hears it open and close.
    DbusmenuServer* server = nullptr;
    g_object_get(indicator_.get(), "dbus-menu-server", &server, nullptr);
    if (server != nullptr) {
        DbusmenuMenuitem* root = nullptr;
        g_object_get(server, DBUSMENU_SERVER_PROP_ROOT_NODE, &root, nullptr);
        g_object_unref(server);
        root_.reset(root);
        if (root != nullptr) {
            rootEventHandler_ =
                connectSignal(root, DBUSMENU_MENUITEM_SIGNAL_EVENT, &onRootEvent, this);
        }
    }
    // Without a panel (GtkStatusIcon fallback) the Gtk menu itself pops up.
    mapped_ = mirror_.gtkMenu().signal_map().connect([this] { menuOpened(); });
    unmapped_ = mirror_.gtkMenu().signal_unmap().connect([this] { menuClosed(); });
}

void IndicatorStatusItem::setHighlightMode(bool /*highlight*/) {
    // Panels highlight an item while its menu is open by themselves.
}

void IndicatorStatusItem::menuOpened() {
    if (menuOpen_) {
        return;
    }
    menuOpen_ = true;
    bar_.runLoop().setTracking(true);
    if (const auto& willOpen = bar_.menuObserver().menuWillOpen) {
        willOpen();
    }
}

void IndicatorStatusItem::menuClosed() {
    if (!menuOpen_) {
        return;
    }
    menuOpen_ = false;
    if (const auto& didClose = bar_.menuObserver().menuDidClose) {
        didClose();
    }
    bar_.runLoop().setTracking(false);
}

gboolean IndicatorStatusItem::onRootEvent(DbusmenuMenuitem* /*item*/, const gchar* name,
                                          GVariant* /*data*/, guint /*timestamp*/, gpointer self) {
    auto* item = static_cast<IndicatorStatusItem*>(self);
    if (std::strcmp(name, DBUSMENU_MENUITEM_EVENT_OPENED) == 0) {
        item->menuOpened();
    } else if (std::strcmp(name, DBUSMENU_MENUITEM_EVENT_CLOSED) == 0) {
        item->menuClosed();
    }
    return FALSE;  // others may handle it too
}

void IndicatorStatusItem::onConnectionChanged(AppIndicator* /*indicator*/, gboolean connected,
                                              gpointer self) {
    auto* item = static_cast<IndicatorStatusItem*>(self);
    if (connected == FALSE) {
        item->menuClosed();  // the panel that showed the menu has gone
    }
}

}  // namespace headroom
