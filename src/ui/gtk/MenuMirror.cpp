#include "ui/gtk/MenuMirror.h"

#include "ui/gtk/CustomMenuItemWidget.h"

#include <gdkmm/pixbuf.h>
#include <gtkmm/box.h>
#include <gtkmm/icontheme.h>
#include <gtkmm/separatormenuitem.h>
#include <gtkmm/settings.h>

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace headroom {

namespace {

/// The image a row shows: rows are never in the "on" state, so the off-state image, with the
/// on-state one when only that is set.
const std::string& displayedImage(const MenuItem& item) {
    static const std::string none;
    if (item.drawsCustomView()) {
        return none;  // its icon is part of the drawing
    }
    return item.offStateImage().empty() ? item.onStateImage() : item.offStateImage();
}

}  // namespace

MenuMirror::MenuMirror(RunLoop& runLoop) : runLoop_(runLoop) {
    // The dbusmenu exporter sends row icons only while menus show images.
    if (auto settings = Gtk::Settings::get_default()) {
        settings->property_gtk_menu_images() = true;
    }
    themeChanged_ = Gtk::IconTheme::get_default()->signal_changed().connect([this] {
        // Icons are looked up again in the new theme on the next sync.
        pixbufs_.clear();
        for (Row& row : rows_) {
            if (row.image != nullptr) {
                row.imageName.clear();
                row.revision = row.item->revision() + 1;
            }
        }
        scheduleSync();
    });
}

MenuMirror::~MenuMirror() {
    themeChanged_.disconnect();
    // The rows' widgets go before the menu that holds them.
    rows_.clear();
}

void MenuMirror::setMenu(std::shared_ptr<Menu> menu) {
    model_ = std::move(menu);
    rows_.clear();
    structureSeen_ = model_ ? model_->structureRevision() + 1 : 0;
    sync();
}

void MenuMirror::scheduleSync() {
    if (*syncPending_) {
        return;
    }
    *syncPending_ = true;
    std::weak_ptr<bool> token = syncPending_;
    runLoop_.dispatchToMainQueue([this, token] {
        const auto pending = token.lock();
        if (!pending) {
            return;  // the mirror has gone
        }
        *pending = false;
        sync();
    });
}

void MenuMirror::sync() {
    touched_ = 0;
    if (!model_) {
        return;
    }
    if (model_->structureRevision() != structureSeen_ || rows_.size() != model_->numberOfItems()) {
        reconcile();
    }
    for (std::size_t position = 0; position < rows_.size(); ++position) {
        if (rows_[position].revision != rows_[position].item->revision()) {
            update(rows_[position], position);
        }
    }
}

void MenuMirror::reconcile() {
    const auto& items = model_->itemArray();
    std::unordered_set<const MenuItem*> present;
    for (const auto& item : items) {
        present.insert(item.get());
    }
    // Rows that left the model go first, so that the rows that stay need no moving.
    std::erase_if(rows_, [&](const Row& row) { return present.count(row.item.get()) == 0; });

    for (std::size_t position = 0; position < items.size(); ++position) {
        if (position < rows_.size() && rows_[position].item == items[position]) {
            continue;
        }
        const auto from = std::min(position, rows_.size());
        const auto found =
            std::find_if(rows_.begin() + static_cast<std::ptrdiff_t>(from), rows_.end(),
                         [&](const Row& row) { return row.item == items[position]; });
        const auto at = rows_.begin() + static_cast<std::ptrdiff_t>(from);
        if (found != rows_.end()) {
            // A row that moved: taken out and put back, which the exporter follows.
            Row moved = std::move(*found);
            rows_.erase(found);
            menu_.remove(*moved.widget);
            menu_.insert(*moved.widget, static_cast<int>(position));
            rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(position), std::move(moved));
        } else {
            Row row = makeRow(items[position]);
            menu_.insert(*row.widget, static_cast<int>(position));
            rows_.insert(at, std::move(row));
            ++touched_;
        }
    }
    // Whatever is left over (a row the model holds fewer times than before) goes.
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(items.size()), rows_.end());
    structureSeen_ = model_->structureRevision();
}

MenuMirror::Row MenuMirror::makeRow(const std::shared_ptr<MenuItem>& item) {
    Row row;
    row.item = item;
    row.revision = item->revision();
    row.separator = item->isSeparatorItem();
    if (row.separator) {
        row.widget = std::make_unique<Gtk::SeparatorMenuItem>();
        row.widget->show();
        return row;
    }
    row.widget = std::make_unique<Gtk::MenuItem>();
    row.title = item->title();
    row.label = Gtk::make_managed<Gtk::Label>(row.title);
    row.label->set_xalign(0.0f);
    row.imageName = displayedImage(*item);
    if (item->drawsCustomView()) {
        // Drawn by hand where the menu shows locally; the label stays in the row, unshown, so
        // that the row keeps its text where the menu is exported over dbusmenu.
        auto* box = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_HORIZONTAL, 0);
        row.custom = Gtk::make_managed<CustomMenuItemWidget>();
        row.custom->view().setTitle(row.title);
        row.custom->view().setImage(item->onStateImage());
        box->pack_start(*row.custom, Gtk::PACK_EXPAND_WIDGET);
        box->pack_start(*row.label, Gtk::PACK_SHRINK);
        row.label->set_no_show_all(true);
        row.widget->add(*box);
    } else if (row.imageName.empty()) {
        row.widget->add(*row.label);
    } else {
        auto* box = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_HORIZONTAL, 6);
        row.image = Gtk::make_managed<Gtk::Image>();
        if (auto pixbuf = iconPixbuf(row.imageName)) {
            row.image->set(pixbuf);
        }
        box->pack_start(*row.image, Gtk::PACK_SHRINK);
        box->pack_start(*row.label, Gtk::PACK_EXPAND_WIDGET);
        row.widget->add(*box);
    }
    row.enabled = item->isEnabled();
    row.widget->set_sensitive(row.enabled);
    std::weak_ptr<MenuItem> weak = item;
    row.widget->signal_activate().connect([&runLoop = runLoop_, weak] {
        runLoop.dispatchToMainQueue([weak] {
            if (const auto chosen = weak.lock()) {
                chosen->activate();
            }
        });
    });
    // Shown before it joins the menu, so that the exporter sees it visible from the start.
    row.widget->show_all();
    return row;
}

void MenuMirror::update(Row& row, std::size_t position) {
    const MenuItem& item = *row.item;
    row.revision = item.revision();
    const std::string& imageName = displayedImage(item);
    if (item.isSeparatorItem() != row.separator || (row.image != nullptr) != !imageName.empty() ||
        item.drawsCustomView() != (row.custom != nullptr)) {
        // A different kind of row: a new widget in the old one's place.
        Row fresh = makeRow(row.item);
        row.widget.reset();
        menu_.insert(*fresh.widget, static_cast<int>(position));
        row = std::move(fresh);
        ++touched_;
        return;
    }
    if (row.separator) {
        return;
    }
    bool changed = false;
    if (item.title() != row.title) {
        row.title = item.title();
        row.label->set_text(row.title);
        if (row.custom != nullptr) {
            row.custom->view().setTitle(row.title);
            row.custom->queue_draw();
        }
        changed = true;
    }
    if (item.isEnabled() != row.enabled) {
        row.enabled = item.isEnabled();
        row.widget->set_sensitive(row.enabled);
        changed = true;
    }
    if (row.image != nullptr && imageName != row.imageName) {
        row.imageName = imageName;
        if (auto pixbuf = iconPixbuf(imageName)) {
            row.image->set(pixbuf);
        } else {
            row.image->clear();
        }
        changed = true;
    }
    touched_ += changed ? 1 : 0;
}

Glib::RefPtr<Gdk::Pixbuf> MenuMirror::iconPixbuf(const std::string& name) {
    if (const auto cached = pixbufs_.find(name); cached != pixbufs_.end()) {
        return cached->second;
    }
    Glib::RefPtr<Gdk::Pixbuf> pixbuf;
    try {
        if (name.starts_with('/')) {
            // Desktop entries may name an image file instead of a themed icon.
            pixbuf = Gdk::Pixbuf::create_from_file(name, kIconSize, kIconSize, true);
        } else {
            pixbuf = Gtk::IconTheme::get_default()->load_icon(name, kIconSize,
                                                              Gtk::ICON_LOOKUP_FORCE_SIZE);
        }
    } catch (const Glib::Error&) {
        pixbuf.reset();
    }
    if (!pixbuf && name != kFallbackIcon) {
        pixbuf = iconPixbuf(kFallbackIcon);
    }
    pixbufs_[name] = pixbuf;
    return pixbuf;
}

}  // namespace headroom
