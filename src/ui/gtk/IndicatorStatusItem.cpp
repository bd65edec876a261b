#include "ui/gtk/IndicatorStatusItem.h"

#include <libdbusmenu-glib/server.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>

#include "ui/gtk/IconFolder.h"
#include "ui/gtk/SignalConnect.h"

namespace headroom {

namespace {

/// A themed icon of the freedesktop icon naming specification, for when no icon file can be
/// written: the item stays visible and reachable.
constexpr const char* kThemedIcon = "utilities-system-monitor";

/// How long after start a missing panel is reported: the library needs a moment to find the
/// watcher, and a tray that starts with the session a moment to come up.
constexpr guint kPanelCheckSeconds = 3;

/// The library's object path for an item: its id with every character but letters, digits
/// and underscores made an underscore.
std::string itemPath(const std::string& id) {
    std::string clean = id;
    for (char& c : clean) {
        if (!g_ascii_isalnum(c) && c != '_') {
            c = '_';
        }
    }
    return "/org/ayatana/NotificationItem/" + clean;
}

/// What the bus filter looks for: the item's object path, and its indicator (GDBus runs
/// filters on a thread of its own: a weak reference is safe to read there).
struct ActivateFilter {
    std::string path;
    GWeakRef indicator;
};

/// Where the indicator keeps its item, for the old-style tray icon's callbacks.
constexpr const char* kItemKey = "headroom-status-item";

// GtkStatusIcon is deprecated in GTK 3, and it is the only way GTK 3 offers to an XEmbed tray.
G_GNUC_BEGIN_IGNORE_DEPRECATIONS

/// AppIndicator with its own old-style tray icon (see IndicatorStatusItem).
struct TrayIndicator {
    AppIndicator parent;
};
struct TrayIndicatorClass {
    AppIndicatorClass parent;
};

}  // namespace

G_GNUC_END_IGNORE_DEPRECATIONS

/// What the ToolTip filter answers with (GDBus runs filters on a thread of its own): the item's
/// object path and id, and the tooltip's title, set on the main thread.
struct ToolTipFilter {
    std::string path;
    std::string id;
    std::mutex lock;
    std::string title;

    GVariant* value() {
        const std::scoped_lock hold(lock);
        // (icon name, icon pixmaps, title, description) of the StatusNotifierItem protocol.
        return g_variant_new("(sa(iiay)ss)", "", nullptr, title.c_str(), "");
    }
};

IndicatorStatusItem::IndicatorStatusItem(IndicatorStatusBar& bar, const std::string& id)
    : bar_(bar), mirror_(bar.runLoop()), host_(IndicatorStatusBar::watcherHost()) {
    // A theme's change shows at once: the icon is drawn again in the panel's new colours.
    bar_.setOnLookChange([this] { changed(); });
    indicator_.reset(static_cast<AppIndicator*>(g_object_new(indicatorType(), "id", id.c_str(),
                                                             "category", "SystemServices",
                                                             "icon-name", kThemedIcon, nullptr)));
    AppIndicator* indicator = indicator_.get();
    g_object_set_data(G_OBJECT(indicator), kItemKey, this);
    app_indicator_set_title(indicator, bar_.title().c_str());
    // Until the first image arrives: the module alone.
    showIcon();
    app_indicator_set_status(indicator, APP_INDICATOR_STATUS_ACTIVE);
    connectSignal(indicator, "connection-changed", &onConnectionChanged, this);
    panelCheck_ = g_timeout_add_seconds(kPanelCheckSeconds, &onPanelCheck, this);

    // The library exports the item only with a menu.
    app_indicator_set_menu(indicator, mirror_.gtkMenu());
    // With a panel the menu is shown remotely: the dbusmenu root row hears it open and close.
    DbusmenuServer* server = nullptr;
    g_object_get(indicator, "dbus-menu-server", &server, nullptr);
    if (server != nullptr) {
        DbusmenuMenuitem* root = nullptr;
        g_object_get(server, DBUSMENU_SERVER_PROP_ROOT_NODE, &root, nullptr);
        g_object_unref(server);
        root_.reset(root);
        if (root != nullptr) {
            connectSignal(root, DBUSMENU_MENUITEM_SIGNAL_ABOUT_TO_SHOW, &onAboutToShow, this);
            connectSignal(root, DBUSMENU_MENUITEM_SIGNAL_EVENT, &onRootEvent, this);
        }
    }
    // Without a panel (GtkStatusIcon fallback) the GTK menu itself pops up.
    connectSignal(
        mirror_.gtkMenu(), "map",
        +[](GtkWidget* /*menu*/, gpointer self) {
            static_cast<IndicatorStatusItem*>(self)->setMenuOpen(true);
        },
        this);
    connectSignal(
        mirror_.gtkMenu(), "unmap",
        +[](GtkWidget* /*menu*/, gpointer self) {
            static_cast<IndicatorStatusItem*>(self)->setMenuOpen(false);
        },
        this);

    // The same connection the library exports the item on (GIO shares one per bus).
    bus_.reset(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
    if (bus_) {
        auto* filter = new ActivateFilter{itemPath(id), {}};
        g_weak_ref_init(&filter->indicator, indicator);
        activateFilter_ =
            g_dbus_connection_add_filter(bus_.get(), &filterActivate, filter, [](gpointer data) {
                auto* done = static_cast<ActivateFilter*>(data);
                g_weak_ref_clear(&done->indicator);
                delete done;
            });
        exportToolTip(id);
    }
}

IndicatorStatusItem::~IndicatorStatusItem() {
    bar_.setOnLookChange(nullptr);
    for (const guint source : {panelCheck_, publishSource_}) {
        if (source != 0) {
            g_source_remove(source);
        }
    }
    if (bus_) {
        g_dbus_connection_remove_filter(bus_.get(), activateFilter_);
        g_dbus_connection_remove_filter(bus_.get(), toolTipFilter_);
    }
    g_signal_handlers_disconnect_by_data(mirror_.gtkMenu(), this);
    if (root_) {
        g_signal_handlers_disconnect_by_data(root_.get(), this);
        root_.reset();
    }
    g_signal_handlers_disconnect_by_data(indicator_.get(), this);
    events_ = {};
    setMenuOpen(false);
    // The library lets go of the old-style icon as the indicator goes: it must not call back.
    if (trayIcon_ != nullptr) {
        g_signal_handlers_disconnect_by_data(trayIcon_, this);
    }
    g_object_set_data(G_OBJECT(indicator_.get()), kItemKey, nullptr);
    indicator_.reset();
}

void IndicatorStatusItem::setAttributedTitle(const AttributedTitle& title) {
    title_ = title;
    changed();
}

void IndicatorStatusItem::setImage(const StatusImage& image) {
    image_ = image;
    changed();
}

void IndicatorStatusItem::changed() {
    // A refresh sets the title and then the image: both go out once, when the loop turn that set
    // them is over (at the priority of the run loop's own work, ahead of redraws), so that no
    // panel is sent half a refresh.
    if (publishSource_ == 0) {
        publishSource_ = g_idle_add_full(
            G_PRIORITY_DEFAULT,
            [](gpointer self) {
                auto* item = static_cast<IndicatorStatusItem*>(self);
                item->publishSource_ = 0;
                item->publish();
                return G_SOURCE_REMOVE;
            },
            this, nullptr);
    }
}

void IndicatorStatusItem::publish() {
    if (title_.text != shownLabel_) {
        shownLabel_ = title_.text;
        app_indicator_set_label(indicator_.get(), shownLabel_.c_str(), labelGuide(image_).c_str());
    }
    // Panels that show no label show the title as the item's tooltip: it keeps the figure
    // with the text turned off, and says when a clean runs.
    const std::string figure = image_.cleanProgress
                                   ? "cleaning " + std::to_string(*image_.cleanProgress) + "%"
                               : title_.text.empty() ? titleFigure(image_)
                                                     : title_.text;
    const std::string itemTitle = figure.empty() ? bar_.title() : bar_.title() + ": " + figure;
    if (itemTitle != itemTitle_) {
        itemTitle_ = itemTitle;
        app_indicator_set_title(indicator_.get(), itemTitle_.c_str());
        setToolTip(itemTitle_);
    }
    // The icon first: the attention icon is in place before the status asks for it.
    showIcon();
    const AppIndicatorStatus status =
        image_.isLow ? APP_INDICATOR_STATUS_ATTENTION : APP_INDICATOR_STATUS_ACTIVE;
    if (status != shownStatus_) {
        shownStatus_ = status;
        app_indicator_set_status(indicator_.get(), status);
    }
}

void IndicatorStatusItem::showIcon() {
    IconFolder* folder = bar_.iconFolder();
    if (folder == nullptr) {
        if (shownIcon_.empty()) {
            shownIcon_ = kThemedIcon;
            app_indicator_set_icon_full(indicator_.get(), kThemedIcon, bar_.title().c_str());
            app_indicator_set_attention_icon_full(indicator_.get(), kThemedIcon,
                                                  bar_.title().c_str());
        }
        return;
    }
    PanelLook look = bar_.panelLook(host_);
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GdkRectangle area{};
    if (trayIcon_ != nullptr && image_.isLow &&
        gtk_status_icon_get_geometry(trayIcon_, nullptr, &area, nullptr) != FALSE && area.x > 0) {
        // An XEmbed tray tells nothing of its colours: the pixel just left of the icon does.
        g_autoptr(GdkPixbuf) pixel = gdk_pixbuf_get_from_window(
            gdk_get_default_root_window(), area.x - 1, area.y + area.height / 2, 1, 1);
        if (pixel != nullptr) {
            const guchar* rgb = gdk_pixbuf_get_pixels(pixel);
            g_autofree gchar* colour = g_strdup_printf("#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
            look.dark = !isLightColour(colour);
        }
    }
    G_GNUC_END_IGNORE_DEPRECATIONS
    const TrayIcon icon = trayIconFor({host_, image_, look});
    const std::string name = trayIconName(icon);
    std::string error;
    // Plasma reads a name's file once for each icon folder it is told: a new picture under a
    // name it has read goes to the other folder, and the item names that folder.
    if (!folder->put(name, trayIconSvg(icon), host_ == TrayHost::ColorScheme, error)) {
        if (!writeFailureLogged_) {
            writeFailureLogged_ = true;
            bar_.log().log("Cannot write the tray icon (" + error + "); keeping the last one");
        }
        return;
    }
    // A name serves every figure: where the icon shows one, its description is the title, so
    // that the library sends NewIcon as the figure changes and the panel loads the file again.
    const std::string& description = host_ == TrayHost::Label ? bar_.title() : itemTitle_;
    if (name == shownIcon_ && description == shownDescription_ && folder->path() == shownFolder_) {
        return;
    }
    if (folder->path() != shownFolder_) {
        shownFolder_ = folder->path();
        app_indicator_set_icon_theme_path(indicator_.get(), shownFolder_.c_str());
    }
    shownIcon_ = name;
    shownDescription_ = description;
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    if (trayIcon_ != nullptr) {
        gtk_status_icon_set_from_file(trayIcon_, folder->fileOf(name).c_str());
        gtk_status_icon_set_tooltip_text(trayIcon_, itemTitle_.c_str());
    }
    G_GNUC_END_IGNORE_DEPRECATIONS
    // The same picture either way: some panels show only IconName, others the attention icon
    // while the item asks for attention.
    app_indicator_set_attention_icon_full(indicator_.get(), name.c_str(), description.c_str());
    app_indicator_set_icon_full(indicator_.get(), name.c_str(), description.c_str());
}

void IndicatorStatusItem::checkForPanel() {
    gboolean connected = FALSE;
    g_object_get(indicator_.get(), "connected", &connected, nullptr);
    if (connected != FALSE || IndicatorStatusBar::hasXEmbedTray()) {
        return;
    }
    const std::string line =
        "No panel shows the tray item: nothing owns org.kde.StatusNotifierWatcher on the "
        "session bus and no XEmbed system tray runs. Headroom goes on running; 'headroom "
        "--terminal' shows the same figures in a terminal. On GNOME, install and enable the "
        "AppIndicator extension (package gnome-shell-extension-appindicator); on other "
        "desktops, add the panel's status notifier or system tray plugin.";
    bar_.log().log(line);
    std::fprintf(stderr, "headroom: %s\n", line.c_str());
}

gboolean IndicatorStatusItem::onPanelCheck(gpointer self) {
    auto* item = static_cast<IndicatorStatusItem*>(self);
    item->panelCheck_ = 0;
    item->checkForPanel();
    return G_SOURCE_REMOVE;
}

void IndicatorStatusItem::setMenu(const std::vector<MenuRow>& rows) {
    mirror_.show(rows);
}

void IndicatorStatusItem::setMenuEvents(StatusMenuEvents events) {
    mirror_.setOnChosen(events.rowChosen);
    events_ = std::move(events);
}

void IndicatorStatusItem::setMenuOpen(bool open) {
    if (open != menuOpen_) {
        menuOpen_ = open;
        bar_.runLoop().setTracking(open);
        if (events_.menuEvent) {
            events_.menuEvent(open ? MenuEvent::Opened : MenuEvent::Closed);
        }
    }
}

gboolean IndicatorStatusItem::onAboutToShow(DbusmenuMenuitem* /*root*/, gpointer self) {
    // The rows are brought up to date before the panel asks for them.
    static_cast<IndicatorStatusItem*>(self)->menuAboutToShow();
    return FALSE;  // the layout did not need to be sent again: its changes are signalled
}

gboolean IndicatorStatusItem::onRootEvent(DbusmenuMenuitem* /*item*/, const gchar* name,
                                          GVariant* /*data*/, guint /*timestamp*/, gpointer self) {
    auto* item = static_cast<IndicatorStatusItem*>(self);
    if (std::strcmp(name, DBUSMENU_MENUITEM_EVENT_OPENED) == 0 ||
        std::strcmp(name, DBUSMENU_MENUITEM_EVENT_CLOSED) == 0) {
        item->setMenuOpen(std::strcmp(name, DBUSMENU_MENUITEM_EVENT_OPENED) == 0);
    }
    return FALSE;  // others may handle it too
}

void IndicatorStatusItem::onConnectionChanged(AppIndicator* /*indicator*/, gboolean connected,
                                              gpointer self) {
    auto* item = static_cast<IndicatorStatusItem*>(self);
    if (connected == FALSE) {
        item->setMenuOpen(false);  // the panel that showed the menu has gone
    }
    // Another panel may have taken over, or the old-style tray icon: draw for it.
    item->host_ = connected != FALSE ? IndicatorStatusBar::watcherHost() : TrayHost::XEmbed;
    item->showIcon();
}

G_GNUC_BEGIN_IGNORE_DEPRECATIONS

GtkStatusIcon* IndicatorStatusItem::makeTrayIcon(AppIndicator* indicator) {
    auto* item =
        static_cast<IndicatorStatusItem*>(g_object_get_data(G_OBJECT(indicator), kItemKey));
    if (item == nullptr) {
        return nullptr;
    }
    GtkStatusIcon* icon = gtk_status_icon_new();
    gtk_status_icon_set_title(icon, item->bar_.title().c_str());
    connectSignal(icon, "activate", &onTrayIconClicked, item);
    connectSignal(icon, "popup-menu", &onTrayIconMenu, item);
    item->trayIcon_ = icon;
    item->host_ = TrayHost::XEmbed;
    item->shownIcon_.clear();
    item->showIcon();
    gtk_status_icon_set_visible(icon, TRUE);
    return icon;
}

void IndicatorStatusItem::dropTrayIcon(AppIndicator* indicator, GtkStatusIcon* icon) {
    if (auto* item =
            static_cast<IndicatorStatusItem*>(g_object_get_data(G_OBJECT(indicator), kItemKey))) {
        g_signal_handlers_disconnect_by_data(icon, item);
        item->trayIcon_ = nullptr;
    }
    gtk_status_icon_set_visible(icon, FALSE);
    g_object_unref(icon);
}

void IndicatorStatusItem::onTrayIconClicked(GtkStatusIcon* /*icon*/, gpointer self) {
    auto* item = static_cast<IndicatorStatusItem*>(self);
    item->menuAboutToShow();
    // The click that asked for it is the current event: the menu opens at the pointer.
    gtk_menu_popup_at_pointer(item->mirror_.gtkMenu(), nullptr);
}

void IndicatorStatusItem::menuAboutToShow() {
    // Rows added once the menu is mapped would not fit the size GTK gave it (it would scroll):
    // they are brought up to date before it pops up.
    if (events_.menuEvent) {
        events_.menuEvent(MenuEvent::AboutToShow);
    }
}

void IndicatorStatusItem::onTrayIconMenu(GtkStatusIcon* icon, guint /*button*/, guint /*time*/,
                                         gpointer self) {
    onTrayIconClicked(icon, self);
}

GDBusMessage* IndicatorStatusItem::filterActivate(GDBusConnection* bus, GDBusMessage* message,
                                                  gboolean incoming, gpointer filterData) {
    auto* filter = static_cast<ActivateFilter*>(filterData);
    if (incoming == FALSE ||
        g_dbus_message_get_message_type(message) != G_DBUS_MESSAGE_TYPE_METHOD_CALL ||
        g_strcmp0(g_dbus_message_get_member(message), "Activate") != 0 ||
        g_strcmp0(g_dbus_message_get_interface(message), "org.kde.StatusNotifierItem") != 0 ||
        g_strcmp0(g_dbus_message_get_path(message), filter->path.c_str()) != 0) {
        return message;
    }
    // Answered here and kept from the library, which does not know the method.
    GDBusMessage* reply = g_dbus_message_new_method_reply(message);
    g_dbus_connection_send_message(bus, reply, G_DBUS_SEND_MESSAGE_FLAGS_NONE, nullptr, nullptr);
    g_object_unref(reply);
    struct Request {
        GObjectPtr<GObject> indicator;
        gint x = 0;
        gint y = 0;
    };
    auto* request = new Request{GObjectPtr<GObject>(G_OBJECT(g_weak_ref_get(&filter->indicator)))};
    GVariant* body = g_dbus_message_get_body(message);
    if (body != nullptr && g_variant_is_of_type(body, G_VARIANT_TYPE("(ii)"))) {
        g_variant_get(body, "(ii)", &request->x, &request->y);
    }
    g_object_unref(message);

    // The menu opens on the main thread, if the item is still there then.
    g_main_context_invoke_full(
        nullptr, G_PRIORITY_DEFAULT,
        [](gpointer data) {
            const auto* asked = static_cast<Request*>(data);
            if (asked->indicator) {
                if (auto* item = static_cast<IndicatorStatusItem*>(
                        g_object_get_data(asked->indicator.get(), kItemKey))) {
                    item->popUpMenuAt(asked->x, asked->y);
                }
            }
            return G_SOURCE_REMOVE;
        },
        request, [](gpointer data) { delete static_cast<Request*>(data); });
    return nullptr;
}

void IndicatorStatusItem::exportToolTip(const std::string& id) {
    // The library exports no ToolTip, and Plasma 6 shows an item's tooltip from it alone (not
    // from Title): answered here, on the library's own object, so that the item stays one.
    toolTip_ = new ToolTipFilter{itemPath(id), id, {}, bar_.title()};
    toolTipFilter_ = g_dbus_connection_add_filter(
        bus_.get(), &filterToolTip, toolTip_,
        [](gpointer data) { delete static_cast<ToolTipFilter*>(data); });
}

void IndicatorStatusItem::setToolTip(const std::string& title) {
    if (toolTip_ == nullptr) {
        return;
    }
    {
        const std::scoped_lock hold(toolTip_->lock);
        if (toolTip_->title == title) {
            return;
        }
        toolTip_->title = title;
    }
    // Only a panel that holds the item listens. On Debian 13 the signal sent while the item is
    // an old-style tray icon (no watcher) left the icon drawn scaled in tint2.
    if (trayIcon_ != nullptr) {
        return;
    }
    g_dbus_connection_emit_signal(bus_.get(), nullptr, toolTip_->path.c_str(),
                                  "org.kde.StatusNotifierItem", "NewToolTip", nullptr, nullptr);
}

GDBusMessage* IndicatorStatusItem::filterToolTip(GDBusConnection* bus, GDBusMessage* message,
                                                 gboolean incoming, gpointer filterData) {
    auto* filter = static_cast<ToolTipFilter*>(filterData);
    GVariant* body = g_dbus_message_get_body(message);
    const GDBusMessageType type = g_dbus_message_get_message_type(message);
    if (incoming != FALSE && type == G_DBUS_MESSAGE_TYPE_METHOD_CALL &&
        g_strcmp0(g_dbus_message_get_member(message), "Get") == 0 &&
        g_strcmp0(g_dbus_message_get_interface(message), "org.freedesktop.DBus.Properties") == 0 &&
        g_strcmp0(g_dbus_message_get_path(message), filter->path.c_str()) == 0 && body != nullptr &&
        g_variant_is_of_type(body, G_VARIANT_TYPE("(ss)"))) {
        const gchar* property = nullptr;
        g_variant_get(body, "(&s&s)", nullptr, &property);
        if (g_strcmp0(property, "ToolTip") == 0) {
            g_autoptr(GDBusMessage) reply = g_dbus_message_new_method_reply(message);
            g_dbus_message_set_body(reply, g_variant_new("(v)", filter->value()));
            g_dbus_connection_send_message(bus, reply, G_DBUS_SEND_MESSAGE_FLAGS_NONE, nullptr,
                                           nullptr);
            g_object_unref(message);
            return nullptr;
        }
        return message;
    }
    // The library's answer to GetAll of the item's properties (its Id and Category tell it
    // from any other) gains the ToolTip.
    if (incoming != FALSE || type != G_DBUS_MESSAGE_TYPE_METHOD_RETURN || body == nullptr ||
        !g_variant_is_of_type(body, G_VARIANT_TYPE("(a{sv})"))) {
        return message;
    }
    g_autoptr(GVariant) all = g_variant_get_child_value(body, 0);
    const gchar* id = nullptr;
    if (!g_variant_lookup(all, "Id", "&s", &id) || filter->id != id ||
        !g_variant_lookup(all, "Category", "&s", nullptr)) {
        return message;
    }
    GVariantBuilder properties;
    g_variant_builder_init(&properties, G_VARIANT_TYPE("a{sv}"));
    GVariantIter each;
    g_variant_iter_init(&each, all);
    const gchar* name = nullptr;
    GVariant* value = nullptr;
    while (g_variant_iter_next(&each, "{&sv}", &name, &value)) {
        g_variant_builder_add(&properties, "{sv}", name, value);
        g_variant_unref(value);
    }
    g_variant_builder_add(&properties, "{sv}", "ToolTip", filter->value());
    GDBusMessage* copy = g_dbus_message_copy(message, nullptr);
    g_object_unref(message);
    if (copy != nullptr) {
        g_dbus_message_set_body(copy, g_variant_new("(a{sv})", &properties));
    } else {
        g_variant_builder_clear(&properties);
    }
    return copy;
}

void IndicatorStatusItem::popUpMenuAt(int x, int y) {
    GdkDisplay* display = gdk_display_get_default();
    GdkWindow* root = gdk_get_default_root_window();
    if (display == nullptr || root == nullptr) {
        return;
    }
    // Where the pointer is, when the display says (X11); else where the panel says it clicked.
    GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(display));
    if (pointer != nullptr) {
        gdk_window_get_device_position(root, pointer, &x, &y, nullptr);
    }
    const GdkRectangle at{x, y, 1, 1};
    menuAboutToShow();
    // GTK grabs the pointer for a menu on behalf of the event that opened it: a click on the
    // screen where the panel was clicked stands for that event.
    GdkEvent* click = gdk_event_new(GDK_BUTTON_PRESS);
    click->button.window = GDK_WINDOW(g_object_ref(root));
    click->button.time = GDK_CURRENT_TIME;
    click->button.button = 1;
    click->button.x_root = x;
    click->button.y_root = y;
    gdk_event_set_device(click, pointer);
    gtk_menu_popup_at_rect(mirror_.gtkMenu(), root, &at, GDK_GRAVITY_NORTH_WEST,
                           GDK_GRAVITY_NORTH_WEST, click);
    gdk_event_free(click);
}

GType IndicatorStatusItem::indicatorType() {
    // Registered once per process, as every GObject type is.
    static const GType type = g_type_register_static_simple(
        APP_INDICATOR_TYPE, "HeadroomTrayIndicator", sizeof(TrayIndicatorClass),
        [](gpointer typeClass, gpointer /*data*/) {
            auto* indicator = static_cast<AppIndicatorClass*>(typeClass);
            indicator->fallback = &makeTrayIcon;
            indicator->unfallback = &dropTrayIcon;
        },
        sizeof(TrayIndicator), nullptr, GTypeFlags{});
    return type;
}

G_GNUC_END_IGNORE_DEPRECATIONS

}  // namespace headroom
