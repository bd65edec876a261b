#include "ui/gtk/GtkSettingOutlets.h"

#include <gdkmm/window.h>
#include <glibmm/main.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace headroom {

namespace {

int pixels(double points) {
    return static_cast<int>(std::lround(points));
}

}  // namespace

GtkCheckBoxOutlet::GtkCheckBoxOutlet(Gtk::CheckButton& button,
                                     std::function<void(CheckBox&)> action)
    : button_(button) {
    button_.signal_toggled().connect([this, action = std::move(action)] {
        if (!guard_.quiet()) {
            action(*this);
        }
    });
}

int GtkCheckBoxOutlet::state() const {
    if (button_.get_inconsistent()) {
        return 2;
    }
    return button_.get_active() ? kControlStateOn : kControlStateOff;
}

void GtkCheckBoxOutlet::setState(int state) {
    guard_.quietly([&] {
        button_.set_inconsistent(state != kControlStateOn && state != kControlStateOff);
        button_.set_active(state == kControlStateOn);
    });
}

GtkSegmentedOutlet::GtkSegmentedOutlet(std::vector<Gtk::RadioButton*> segments,
                                       std::function<void(SegmentedControl&)> action)
    : segments_(std::move(segments)) {
    for (Gtk::RadioButton* segment : segments_) {
        // A choice toggles two buttons; the one that became active speaks for it.
        segment->signal_toggled().connect([this, segment, action] {
            if (!guard_.quiet() && segment->get_active()) {
                action(*this);
            }
        });
    }
}

int GtkSegmentedOutlet::selectedSegment() const {
    for (std::size_t i = 0; i < segments_.size(); ++i) {
        if (segments_[i]->get_active()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void GtkSegmentedOutlet::setSelectedSegment(int segment) {
    if (segment < 0 || static_cast<std::size_t>(segment) >= segments_.size()) {
        return;
    }
    guard_.quietly([&] { segments_[static_cast<std::size_t>(segment)]->set_active(true); });
}

GtkSliderOutlet::GtkSliderOutlet(Gtk::Scale& scale, std::function<void(Slider&)> action)
    : scale_(scale) {
    scale_.signal_value_changed().connect([this, action = std::move(action)] {
        if (!guard_.quiet()) {
            action(*this);
        }
    });
}

std::int32_t GtkSliderOutlet::intValue() const {
    return static_cast<std::int32_t>(std::trunc(scale_.get_value()));
}

void GtkSliderOutlet::setIntegerValue(std::int64_t value) {
    guard_.quietly([&] { scale_.set_value(static_cast<double>(value)); });
}

GtkEntryOutlet::GtkEntryOutlet(Gtk::Entry& entry, int tag, std::function<void(TextField&)> changed,
                               std::function<void(TextField&)> ended)
    : entry_(entry), tag_(tag), changed_(std::move(changed)), ended_(std::move(ended)) {
    entry_.signal_changed().connect([this] {
        if (guard_.quiet() || pendingChange_.connected()) {
            return;
        }
        // Told once the signal handler that made the change (a key press, a paste) is done,
        // before the field is redrawn.
        pendingChange_ = Glib::signal_idle().connect(
            [this] {
                tellChange();
                return false;
            },
            Glib::PRIORITY_HIGH_IDLE);
    });
    entry_.signal_activate().connect([this] { endEditing(); });
}

GtkEntryOutlet::~GtkEntryOutlet() {
    pendingChange_.disconnect();
}

void GtkEntryOutlet::tellChange() {
    pendingChange_.disconnect();
    edited_ = true;
    changed_(*this);
}

void GtkEntryOutlet::setStringValue(const std::string& text) {
    const Glib::ustring old = entry_.get_text();
    if (old == text) {
        return;
    }
    guard_.quietly([&] {
        entry_.set_text(text);
        if (old.empty() && entry_.has_focus()) {
            entry_.select_region(0, -1);
        } else {
            entry_.set_position(-1);
        }
    });
}

void GtkEntryOutlet::endEditing() {
    if (pendingChange_.connected()) {
        tellChange();
    }
    if (edited_) {
        edited_ = false;
        ended_(*this);
    }
}

GtkToolbarOutlet::GtkToolbarOutlet(std::vector<Item> items,
                                   std::function<void(const std::string&)> action)
    : items_(std::move(items)) {
    for (const auto& [identifier, button] : items_) {
        button->signal_toggled().connect([this, id = identifier, item = button, action] {
            if (!guard_.quiet() && item->get_active()) {
                action(id);
            }
        });
    }
}

void GtkToolbarOutlet::setSelectedItemIdentifier(const std::string& identifier) {
    for (const auto& [id, button] : items_) {
        if (id == identifier) {
            guard_.quietly([item = button] { item->set_active(true); });
        }
    }
}

std::string GtkToolbarOutlet::selectedItemIdentifier() const {
    for (const auto& [id, button] : items_) {
        if (button->get_active()) {
            return id;
        }
    }
    return {};
}

GtkWindowOutlet::GtkWindowOutlet(Gtk::Window& window, Gtk::Widget& content,
                                 std::vector<GtkEntryOutlet*> fields)
    : window_(window), content_(content), fields_(std::move(fields)) {
    // The window manager frames the window after it is mapped: the frame asked for then has
    // a title bar more than the window's own area.
    window_.signal_configure_event().connect(
        [this](GdkEventConfigure*) {
            if (asked_ && decorations() != appliedWith_) {
                setFrame(*asked_, true, false);
            }
            return false;
        },
        false);
    // The focus leaving a field, to another widget or to none, ends its editing.
    window_.signal_set_focus().connect([this](Gtk::Widget* focus) {
        for (GtkEntryOutlet* field : fields_) {
            if (&field->widget() != focus) {
                field->endEditing();
            }
        }
    });
}

bool GtkWindowOutlet::canMove() const {
    // X11 lets a window place itself; Wayland leaves that to the compositor.
    return std::strcmp(G_OBJECT_TYPE_NAME(window_.get_display()->gobj()), "GdkX11Display") == 0;
}

int GtkWindowOutlet::rootHeight() const {
    return window_.get_screen()->get_root_window()->get_height();
}

GtkWindowOutlet::Decorations GtkWindowOutlet::decorations() const {
    const Glib::RefPtr<const Gdk::Window> window = window_.get_window();
    if (!window || !window_.get_mapped()) {
        return {};
    }
    Gdk::Rectangle outer;
    window->get_frame_extents(outer);
    return {std::max(0, outer.get_width() - window->get_width()),
            std::max(0, outer.get_height() - window->get_height())};
}

WindowFrame GtkWindowOutlet::frame() const {
    // The position is the frame's top-left corner (the window's gravity is north-west).
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    window_.get_position(left, top);
    window_.get_size(width, height);
    const Decorations around = decorations();
    width += around.width;
    height += around.height;
    const double bottom = static_cast<double>(rootHeight() - (top + height));
    return WindowFrame{static_cast<double>(left), bottom, static_cast<double>(width),
                       static_cast<double>(height)};
}

void GtkWindowOutlet::setFrame(const WindowFrame& frame, bool display, bool /*animate*/) {
    asked_ = frame;
    appliedWith_ = decorations();
    const int width = std::max(1, pixels(frame.width) - appliedWith_.width);
    const int height = std::max(1, pixels(frame.height) - appliedWith_.height);
    if (canMove()) {
        window_.move(pixels(frame.x), rootHeight() - pixels(frame.y + frame.height));
    }
    content_.set_size_request(width, height);
    // The window follows its content's size; a visible one is told at once.
    window_.resize(width, height);
    if (display) {
        window_.queue_draw();
    }
}

void GtkWindowOutlet::setCollectionBehavior(unsigned behavior) {
    if ((behavior & kWindowCollectionBehaviorCanJoinAllSpaces) != 0) {
        window_.stick();
    } else {
        window_.unstick();
    }
}

void GtkWindowOutlet::makeKeyAndOrderFront() {
    window_.present();
}

void GtkWindowOutlet::makeFirstResponder(TextField* responder) {
    for (GtkEntryOutlet* field : fields_) {
        if (field == responder) {
            field->widget().grab_focus();
            return;
        }
    }
    window_.unset_focus();
    // Whether or not the window told of the change, no field is being edited any more.
    for (GtkEntryOutlet* field : fields_) {
        field->endEditing();
    }
}

}  // namespace headroom
