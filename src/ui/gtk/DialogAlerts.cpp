#include "ui/gtk/DialogAlerts.h"

#include <glibmm/main.h>

#include <utility>

namespace headroom {

namespace {

/// The window the user is working in, for the alert to stand over.
Gtk::Window* activeWindow() {
    for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
        if (window->is_active() && window->get_visible()) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace

DialogAlerts::~DialogAlerts() {
    open_.clear();
}

void DialogAlerts::runModal(const std::string& messageText, const std::string& informativeText,
                            std::function<void()> dismissed) {
    auto dialog = std::make_unique<Gtk::MessageDialog>(messageText, false, Gtk::MESSAGE_INFO,
                                                       Gtk::BUTTONS_OK, true);
    dialog->set_title(messageText);
    if (!informativeText.empty()) {
        dialog->set_secondary_text(informativeText);
    }
    if (Gtk::Window* parent = activeWindow()) {
        dialog->set_transient_for(*parent);
    }
    Gtk::MessageDialog* shown = dialog.get();
    open_.push_back(std::move(dialog));
    std::weak_ptr<char> alive = lifetime_;
    shown->signal_response().connect([this, alive, shown, dismissed = std::move(dismissed)](int) {
        shown->hide();
        // The dialog cannot go inside its own signal: it goes on the next turn of the loop.
        Glib::signal_idle().connect_once([this, alive, shown] {
            if (!alive.expired()) {
                open_.remove_if([shown](const auto& held) { return held.get() == shown; });
            }
        });
        if (dismissed) {
            dismissed();
        }
    });
    shown->show();
}

std::vector<Gtk::MessageDialog*> DialogAlerts::openAlerts() const {
    std::vector<Gtk::MessageDialog*> alerts;
    for (const auto& dialog : open_) {
        if (dialog->get_visible()) {
            alerts.push_back(dialog.get());
        }
    }
    return alerts;
}

}  // namespace headroom
