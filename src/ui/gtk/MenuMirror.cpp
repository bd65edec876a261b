#include "ui/gtk/MenuMirror.h"

#include <glib/gstdio.h>

#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "ui/gtk/CustomMenuItemWidget.h"
#include "ui/gtk/SignalConnect.h"

namespace headroom {

namespace {

/// The kind of GTK row a row needs: a different kind is a new widget.
int kindOf(const MenuRow& row) {
    return row.separator ? 0 : row.drawsCustomView ? 1 : row.image.empty() ? 2 : 3;
}

/// What a GTK row's activation tells: its key, if the mirror is still there.
struct Choice {
    RunLoop& runLoop;
    std::weak_ptr<std::function<void(const std::string&)>> chosen;
    std::string key;
};

void onActivate(GtkMenuItem* item, gpointer data) {
    if (!gtk_widget_is_sensitive(GTK_WIDGET(item))) {
        return;
    }
    const auto* choice = static_cast<Choice*>(data);
    choice->runLoop.dispatchToMainQueue([chosen = choice->chosen, key = choice->key] {
        if (const auto alive = chosen.lock(); alive && *alive) {
            (*alive)(key);
        }
    });
}

}  // namespace

MenuMirror::MenuMirror(RunLoop& runLoop)
    : runLoop_(runLoop), menu_(GTK_WIDGET(g_object_ref_sink(gtk_menu_new()))) {
    // The dbusmenu exporter sends row icons only while menus show images.
    g_object_set(gtk_settings_get_default(), "gtk-menu-images", TRUE, nullptr);
    themeChanged_ = connectSignal(
        gtk_icon_theme_get_default(), "changed",
        +[](GtkIconTheme* /*theme*/, gpointer self) {
            // Icons are looked up again in the new theme.
            auto* mirror = static_cast<MenuMirror*>(self);
            for (Row& row : mirror->rows_) {
                if (row.image != nullptr) {
                    mirror->showImage(row.image, row.shown.image);
                }
            }
        },
        this);
}

MenuMirror::~MenuMirror() {
    g_signal_handler_disconnect(gtk_icon_theme_get_default(), themeChanged_);
    gtk_widget_destroy(menu_.get());
    rows_.clear();
}

void MenuMirror::show(const std::vector<MenuRow>& wanted) {
    std::unordered_set<std::string_view> keys;
    for (const MenuRow& row : wanted) {
        keys.insert(row.key);
    }
    // Rows that left the menu go first, so that the rows that stay need no moving.
    std::erase_if(rows_, [&](const Row& row) {
        const bool gone = !keys.contains(row.shown.key);
        if (gone) {
            gtk_widget_destroy(row.widget);
        }
        return gone;
    });
    GtkMenuShell* shell = GTK_MENU_SHELL(menu_.get());
    for (std::size_t position = 0; position < wanted.size(); ++position) {
        const auto at = rows_.begin() + static_cast<std::ptrdiff_t>(position);
        const auto found = std::find_if(
            at, rows_.end(), [&](const Row& row) { return row.shown.key == wanted[position].key; });
        if (found == rows_.end()) {
            Row row = makeRow(wanted[position]);
            gtk_menu_shell_insert(shell, row.widget, static_cast<int>(position));
            rows_.insert(at, std::move(row));
            continue;
        }
        if (found != at) {
            // A row that moved: taken out and put back, which the exporter follows.
            GtkWidget* widget = GTK_WIDGET(g_object_ref(found->widget));
            gtk_container_remove(GTK_CONTAINER(shell), widget);
            gtk_menu_shell_insert(shell, widget, static_cast<int>(position));
            g_object_unref(widget);
            std::rotate(at, found, found + 1);
        }
        update(*at, wanted[position], static_cast<int>(position));
    }
    // Whatever is left over (a key the menu holds fewer times than before) goes.
    for (std::size_t extra = wanted.size(); extra < rows_.size(); ++extra) {
        gtk_widget_destroy(rows_[extra].widget);
    }
    rows_.resize(wanted.size());
}

MenuMirror::Row MenuMirror::makeRow(const MenuRow& wanted) {
    Row row;
    row.shown = wanted;
    if (wanted.separator) {
        row.widget = gtk_separator_menu_item_new();
        gtk_widget_show(row.widget);
        return row;
    }
    row.widget = gtk_menu_item_new();
    row.label = GTK_LABEL(gtk_label_new(wanted.title.c_str()));
    gtk_label_set_xalign(row.label, 0.0f);
    GtkWidget* content = GTK_WIDGET(row.label);
    if (wanted.drawsCustomView) {
        // Drawn by hand where the menu shows locally; the label stays in the row, unshown, so
        // that the row keeps its text where the menu is exported over dbusmenu.
        row.custom = std::make_unique<CustomMenuItemWidget>();
        row.custom->view().title = wanted.title;
        row.custom->view().image = wanted.image;
        content = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
        gtk_box_pack_start(GTK_BOX(content), row.custom->widget(), TRUE, TRUE, 0);
        gtk_box_pack_start(GTK_BOX(content), GTK_WIDGET(row.label), FALSE, FALSE, 0);
        gtk_widget_set_no_show_all(GTK_WIDGET(row.label), TRUE);
    } else if (!wanted.image.empty()) {
        row.image = GTK_IMAGE(gtk_image_new());
        showImage(row.image, wanted.image);
        content = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
        gtk_box_pack_start(GTK_BOX(content), GTK_WIDGET(row.image), FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(content), GTK_WIDGET(row.label), TRUE, TRUE, 0);
    }
    gtk_container_add(GTK_CONTAINER(row.widget), content);
    gtk_widget_set_sensitive(row.widget, wanted.enabled);
    g_signal_connect_data(
        row.widget, "activate", G_CALLBACK(&onActivate), new Choice{runLoop_, chosen_, wanted.key},
        [](gpointer choice, GClosure*) { delete static_cast<Choice*>(choice); }, GConnectFlags{});
    // Shown before it joins the menu, so that the exporter sees it visible from the start.
    gtk_widget_show_all(row.widget);
    return row;
}

void MenuMirror::update(Row& row, const MenuRow& wanted, int position) {
    if (row.shown == wanted) {
        return;
    }
    if (kindOf(wanted) != kindOf(row.shown)) {
        // A different kind of row: a new widget in the old one's place.
        gtk_widget_destroy(row.widget);
        row = makeRow(wanted);
        gtk_menu_shell_insert(GTK_MENU_SHELL(menu_.get()), row.widget, position);
        return;
    }
    if (wanted.title != row.shown.title && row.label != nullptr) {
        gtk_label_set_text(row.label, wanted.title.c_str());
        if (row.custom) {
            row.custom->view().title = wanted.title;
        }
    }
    if (wanted.enabled != row.shown.enabled) {
        gtk_widget_set_sensitive(row.widget, wanted.enabled);
    }
    if (wanted.image != row.shown.image) {
        if (row.image != nullptr) {
            showImage(row.image, wanted.image);
        } else if (row.custom) {
            row.custom->view().image = wanted.image;
        }
    }
    if (row.custom) {
        gtk_widget_queue_draw(row.custom->widget());
    }
    row.shown = wanted;
}

void MenuMirror::showImage(GtkImage* image, const std::string& name) {
    // The application's own icon where one is installed: a file its desktop entry names, or
    // its name alone in the icon theme (given several names, GTK tries each in the current
    // theme before hicolor, where most applications install theirs, and the generic icon
    // would win). Names stay names: GTK draws them at the screen's scale, and the dbusmenu
    // exporter sends the name, which the panel draws at its own. Only regular files are opened:
    // the image loader would wait for good on a FIFO.
    const auto regular = [](const char* path) {
        GStatBuf info;
        return path == nullptr || (g_stat(path, &info) == 0 && S_ISREG(info.st_mode));
    };
    gtk_image_set_pixel_size(image, kIconSize);
    if (name.starts_with('/')) {
        if (regular(name.c_str()) && gdk_pixbuf_get_file_info(name.c_str(), nullptr, nullptr)) {
            g_autoptr(GFile) file = g_file_new_for_path(name.c_str());
            g_autoptr(GIcon) icon = g_file_icon_new(file);
            gtk_image_set_from_gicon(image, icon, GTK_ICON_SIZE_MENU);
            return;
        }
    } else if (const GObjectPtr<GtkIconInfo> icon{gtk_icon_theme_lookup_icon(
                   gtk_icon_theme_get_default(), name.c_str(), kIconSize, GtkIconLookupFlags{})};
               icon && regular(gtk_icon_info_get_filename(icon.get()))) {
        gtk_image_set_from_icon_name(image, name.c_str(), GTK_ICON_SIZE_MENU);
        return;
    }
    gtk_image_set_from_icon_name(image, kFallbackIcon, GTK_ICON_SIZE_MENU);
}

}  // namespace headroom
