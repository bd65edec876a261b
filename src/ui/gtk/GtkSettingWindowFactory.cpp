#include "ui/gtk/GtkSettingWindowFactory.h"

#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <forward_list>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "preferences/SettingWindowController.h"
#include "ui/gtk/GObjectPtr.h"
#include "ui/gtk/Resources.h"
#include "ui/gtk/SignalConnect.h"

namespace headroom {

namespace {

constexpr const char* kInterfaceFile = "SettingWindowController.ui";
/// The pixel size of the application's image on the About tab.
constexpr int kAboutImageSize = 64;

using Owner = SettingWindowController;
using Action = void (Owner::*)();

/// The actions that a control's <signal> may name: the controller's methods of those names.
constexpr std::pair<std::string_view, Action> kActions[] = {
    {"btnGeneralSelected", &Owner::btnGeneralSelected},
    {"btnAdvancedSelected", &Owner::btnAdvancedSelected},
    {"btnAboutUsSelected", &Owner::btnAboutUsSelected},
    {"btnTwitterPressed", &Owner::btnTwitterPressed},
    {"btnOrvaneDotComPressed", &Owner::btnOrvaneDotComPressed},
    {"btnFaqPressed", &Owner::btnFaqPressed},
    {"btnFanPagePressed", &Owner::btnFanPagePressed},
    {"btnUsePercentagePressed", &Owner::btnUsePercentagePressed},
    {"btnShowIconPressed", &Owner::btnShowIconPressed},
    {"btnShowTextPressed", &Owner::btnShowTextPressed},
    {"btnTextSizeSegmentChange", &Owner::btnTextSizeSegmentChange},
    {"btnAutoFreeMemoryPressed", &Owner::btnAutoFreeMemoryPressed},
    {"btnRunOnstartupPressed", &Owner::btnRunOnstartupPressed},
    {"frequencySliderChange", &Owner::frequencySliderChange},
};

/// The numeric fields, whose editing the controller hears of.
constexpr std::array<const char*, 3> kFields = {"txtMemoryLevel", "txtSignificantLevel",
                                                "txtPressureLevel"};

int pixels(double points) {
    return static_cast<int>(std::lround(points));
}

bool isActive(gpointer toggle) {
    gboolean active = FALSE;
    g_object_get(toggle, "active", &active, nullptr);
    return active != FALSE;
}

/// The segments of a segmented control, a box of radio buttons: segment i is the i-th.
std::vector<GtkToggleButton*> segments(GObject* box) {
    std::vector<GtkToggleButton*> found;
    GList* children = gtk_container_get_children(GTK_CONTAINER(box));
    for (GList* child = children; child != nullptr; child = child->next) {
        if (GTK_IS_RADIO_BUTTON(child->data)) {
            found.push_back(GTK_TOGGLE_BUTTON(child->data));
        }
    }
    g_list_free(children);
    return found;
}

/// One loaded window: the widgets of the file, their signals connected to the owner, and the
/// window itself. A value the program sets is never taken for the user's: the signals of the
/// widgets it sets itself are ignored, as the controls of the design send their actions only
/// for the user's gestures.
///
/// Frames are in the root window's pixels with the vertical axis turned upward, as the
/// controller counts them; a frame is the whole window, the decorations a window manager adds
/// (title bar, borders) included. The window's own area, the frame less those, is given to
/// `content`, which fills the window: the window is not resizable, so it takes its content's
/// size. A window manager decorates a window only once it is mapped, so the last frame asked
/// for is applied again whenever the decorations change. On X11 the window is also moved, so
/// that its top edge stays where the controller puts it; where the window system does not let a
/// window place itself (Wayland) it is only resized.
class GtkSettingWindow final : public SettingWindow {
  public:
    /// A file whose signals all name actions also gets the application's image on the About tab
    /// and is centred on the screen; the controller sizes it from there.
    GtkSettingWindow(GObjectPtr<GtkBuilder> builder, Owner& owner, const std::string& resources,
                     SystemLog& log)
        : builder_(std::move(builder)),
          window_(GTK_WINDOW(object("window"))),
          content_(GTK_WIDGET(object("content"))),
          owner_(owner) {
        gtk_builder_connect_signals_full(builder_.get(), &GtkSettingWindow::connect, this);
        for (std::size_t i = 0; i < kFields.size(); ++i) {
            Field& field = fields_[i];
            field = Field{this, kFields[i], GTK_ENTRY(object(kFields[i]))};
            connectSignal(field.entry, "changed", &GtkSettingWindow::changed, &field);
            connectSignal(field.entry, "activate", &GtkSettingWindow::activated, &field);
        }
        connectSignal(window_, "configure-event", &GtkSettingWindow::configured, this);
        connectSignal(window_, "set-focus", &GtkSettingWindow::focusMoved, this);
        connectSignal(window_, "delete-event", &gtk_widget_hide_on_delete, nullptr);
        connectSignal(window_, "hide", &GtkSettingWindow::hidden, this);
        connectSignal(window_, "key-press-event", &GtkSettingWindow::keyPressed, this);
        gtk_widget_add_events(GTK_WIDGET(window_), GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
        connectSignal(window_, "button-release-event", &GtkSettingWindow::buttonReleased, this);
        if (unknownAction_.empty()) {
            showApplicationImage(resources, log);
            GdkWindow* root = gdk_screen_get_root_window(gtk_window_get_screen(window_));
            const TabSize general = tabSize(SettingTab::General);
            gtk_window_move(window_,
                            (gdk_window_get_width(root) - static_cast<int>(general.width)) / 2,
                            (gdk_window_get_height(root) - static_cast<int>(general.height)) / 3);
        }
    }

    ~GtkSettingWindow() override {
        // The handlers reach this object, which is going: none may tell the owner anything more.
        quiet_ = true;
        g_signal_handlers_disconnect_by_data(window_, this);
        for (Field& field : fields_) {
            if (field.pending != 0) {
                g_source_remove(field.pending);
            }
        }
        gtk_widget_destroy(GTK_WIDGET(window_));
    }

    /// The first <signal> handler of the file that names no action; empty when there is none.
    const std::string& unknownAction() const { return unknownAction_; }

    std::int32_t intValue(const std::string& outlet) const override {
        GObject* control = object(outlet.c_str());
        if (GTK_IS_RANGE(control)) {
            return static_cast<std::int32_t>(std::trunc(gtk_range_get_value(GTK_RANGE(control))));
        }
        if (GTK_IS_TOGGLE_BUTTON(control)) {
            return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(control)) ? 1 : 0;
        }
        const auto all = segments(control);
        const auto chosen = std::find_if(all.begin(), all.end(), isActive);
        return chosen == all.end() ? -1 : static_cast<std::int32_t>(chosen - all.begin());
    }

    void setIntValue(const std::string& outlet, std::int64_t value) override {
        GObject* control = object(outlet.c_str());
        quietly([&] {
            if (GTK_IS_RANGE(control)) {
                gtk_range_set_value(GTK_RANGE(control), static_cast<double>(value));
            } else if (GTK_IS_TOGGLE_BUTTON(control)) {
                gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(control), value == 1);
            } else if (const auto all = segments(control);
                       value >= 0 && static_cast<std::size_t>(value) < all.size()) {
                gtk_toggle_button_set_active(all[static_cast<std::size_t>(value)], TRUE);
            }
        });
    }

    std::string stringValue(const std::string& outlet) const override {
        GObject* control = object(outlet.c_str());
        return GTK_IS_ENTRY(control) ? gtk_entry_get_text(GTK_ENTRY(control))
                                     : gtk_label_get_text(GTK_LABEL(control));
    }

    /// A field's text is rewritten unless it is already the same. The caret goes to its end;
    /// when the text replaces an emptied field it is selected, so that what the user types next
    /// replaces it.
    void setStringValue(const std::string& outlet, const std::string& text) override {
        GObject* control = object(outlet.c_str());
        if (GTK_IS_LABEL(control)) {
            gtk_label_set_text(GTK_LABEL(control), text.c_str());
            return;
        }
        const std::string old = gtk_entry_get_text(GTK_ENTRY(control));
        if (old == text) {
            return;
        }
        quietly([&] {
            gtk_entry_set_text(GTK_ENTRY(control), text.c_str());
            if (old.empty() && gtk_widget_has_focus(GTK_WIDGET(control))) {
                gtk_editable_select_region(GTK_EDITABLE(control), 0, -1);
            } else {
                gtk_editable_set_position(GTK_EDITABLE(control), -1);
            }
        });
    }

    void setHidden(const std::string& outlet, bool hidden) override {
        gtk_widget_set_visible(GTK_WIDGET(object(outlet.c_str())), hidden ? FALSE : TRUE);
    }

    void setSelectedItemIdentifier(const std::string& identifier) override {
        quietly([&] { g_object_set(object(identifier.c_str()), "active", TRUE, nullptr); });
    }

    WindowFrame frame() const override {
        // The position is the frame's top-left corner (the window's gravity is north-west).
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        gtk_window_get_position(window_, &left, &top);
        gtk_window_get_size(window_, &width, &height);
        const Decorations around = decorations();
        width += around.width;
        height += around.height;
        return WindowFrame{static_cast<double>(left),
                           static_cast<double>(rootHeight() - (top + height)),
                           static_cast<double>(width), static_cast<double>(height)};
    }

    void setFrame(const WindowFrame& frame) override {
        asked_ = frame;
        appliedWith_ = decorations();
        const int width = std::max(1, pixels(frame.width) - appliedWith_.width);
        const int height = std::max(1, pixels(frame.height) - appliedWith_.height);
        gtk_window_move(window_, pixels(frame.x), rootHeight() - pixels(frame.y + frame.height));
        gtk_widget_set_size_request(content_, width, height);
        // The window follows its content's size; a visible one is told at once.
        gtk_window_resize(window_, width, height);
    }

    void setCollectionBehavior(unsigned behavior) override {
        if ((behavior & kWindowCollectionBehaviorCanJoinAllSpaces) != 0) {
            gtk_window_stick(window_);
        } else {
            gtk_window_unstick(window_);
        }
    }

    void makeKeyAndOrderFront() override { gtk_window_present(window_); }

    void endEditing() override {
        gtk_window_set_focus(window_, nullptr);
        // Whether or not the window told of the change, no field is being edited any more.
        endEditingAll();
    }

  private:
    /// An action that a control's signal sends.
    struct Connection {
        GtkSettingWindow* window;
        Action action;
    };

    /// A numeric field. Each edit the user makes goes to the owner's `controlTextDidChange`
    /// once, with the text the edit left: GTK tells of typing over a selection, and of a paste
    /// over one, as two changes (the selection deleted, then the text inserted), so the changes
    /// of one edit are gathered and told when the edit is over. The editing session that the
    /// first edit opens ends when the field loses the window's focus, when Enter is pressed, or
    /// when the window closes, and then goes to `controlTextDidEndEditing` once.
    struct Field {
        GtkSettingWindow* window = nullptr;
        const char* name = nullptr;
        GtkEntry* entry = nullptr;
        guint pending = 0;
        bool edited = false;
    };

    /// The width and height the window manager's decorations add to the window's own area.
    struct Decorations {
        int width = 0;
        int height = 0;
        friend bool operator==(const Decorations&, const Decorations&) = default;
    };

    GObject* object(const char* id) const { return gtk_builder_get_object(builder_.get(), id); }

    void showApplicationImage(const std::string& resources, SystemLog& log) {
        GObject* image = object("appImage");
        if (image == nullptr || !GTK_IS_IMAGE(image)) {
            return;
        }
        const std::string path = resources + "/h2_n.svg";
        GError* error = nullptr;
        GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file_at_scale(path.c_str(), kAboutImageSize,
                                                              kAboutImageSize, TRUE, &error);
        if (pixbuf == nullptr) {
            log.log("Cannot draw " + path + " on the About tab: " + error->message);
            g_error_free(error);
            return;
        }
        gtk_image_set_from_pixbuf(GTK_IMAGE(image), pixbuf);
        g_object_unref(pixbuf);
    }

    template <typename Set>
    void quietly(Set&& set) {
        quiet_ = true;
        std::forward<Set>(set)();
        quiet_ = false;
    }

    static void connect(GtkBuilder* /*builder*/, GObject* control, const gchar* signal,
                        const gchar* handler, GObject* /*connectObject*/, GConnectFlags /*flags*/,
                        gpointer data) {
        auto* self = static_cast<GtkSettingWindow*>(data);
        const auto* known =
            std::find_if(std::begin(kActions), std::end(kActions),
                         [&](const auto& action) { return action.first == handler; });
        if (known == std::end(kActions)) {
            if (self->unknownAction_.empty()) {
                self->unknownAction_ = handler;
            }
            return;
        }
        self->connections_.push_front({self, known->second});
        connectSignal(control, signal, &GtkSettingWindow::act, &self->connections_.front());
    }

    /// A control's toggled, value-changed or (a link button's) activate-link signal.
    static gboolean act(GObject* control, Connection* connection) {
        // A choice in a radio group toggles two items: only the one chosen sends its action.
        const bool left = (GTK_IS_RADIO_BUTTON(control) || GTK_IS_RADIO_TOOL_BUTTON(control)) &&
                          !isActive(control);
        GtkSettingWindow& window = *connection->window;
        if (!window.quiet_ && !left) {
            (window.owner_.*connection->action)();
        }
        // The controller opens a link button's page; the button's own handler must not.
        return TRUE;
    }

    static void changed(GtkEditable* /*entry*/, Field* field) {
        if (field->window->quiet_ || field->pending != 0) {
            return;
        }
        // Told once the signal handler that made the change (a key press, a paste) is done,
        // before the field is redrawn.
        field->pending =
            g_idle_add_full(G_PRIORITY_HIGH_IDLE, &GtkSettingWindow::pendingChange, field, nullptr);
    }
    static gboolean pendingChange(gpointer data) {
        auto* field = static_cast<Field*>(data);
        field->window->tellChange(*field);
        return G_SOURCE_REMOVE;
    }
    void tellChange(Field& field) {
        field.pending = 0;
        field.edited = true;
        owner_.controlTextDidChange(field.name);
    }
    static void activated(GtkEntry* /*entry*/, Field* field) { field->window->endEditing(*field); }
    void endEditingAll() {
        for (Field& field : fields_) {
            endEditing(field);
        }
    }
    void endEditing(Field& field) {
        if (field.pending != 0) {
            g_source_remove(field.pending);
            tellChange(field);
        }
        if (field.edited) {
            field.edited = false;
            owner_.controlTextDidEndEditing(field.name);
        }
    }

    Decorations decorations() const {
        GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(window_));
        if (window == nullptr || !gtk_widget_get_mapped(GTK_WIDGET(window_))) {
            return {};
        }
        GdkRectangle outer{};
        gdk_window_get_frame_extents(window, &outer);
        return {std::max(0, outer.width - gdk_window_get_width(window)),
                std::max(0, outer.height - gdk_window_get_height(window))};
    }

    int rootHeight() const {
        return gdk_window_get_height(
            gdk_screen_get_root_window(gtk_widget_get_screen(GTK_WIDGET(window_))));
    }

    /// The window manager frames the window after it is mapped: the frame asked for then has a
    /// title bar more than the window's own area.
    static gboolean configured(GtkWidget* /*window*/, GdkEvent* /*event*/, GtkSettingWindow* self) {
        if (self->asked_ && self->decorations() != self->appliedWith_) {
            self->setFrame(*self->asked_);
        }
        return FALSE;
    }

    /// The focus leaving a field, to another widget or to none, ends its editing.
    static void focusMoved(GtkWindow* /*window*/, GtkWidget* focus, GtkSettingWindow* self) {
        for (Field& field : self->fields_) {
            if (GTK_WIDGET(field.entry) != focus) {
                self->endEditing(field);
            }
        }
    }

    /// Closing only hides the window; an edit in progress is kept, as leaving the field would
    /// keep it.
    static void hidden(GtkWidget* /*window*/, GtkSettingWindow* self) { self->endEditingAll(); }

    static gboolean keyPressed(GtkWidget* /*window*/, GdkEventKey* key, GtkSettingWindow* self) {
        if (key->keyval != GDK_KEY_Escape) {
            return FALSE;
        }
        gtk_widget_hide(GTK_WIDGET(self->window_));
        return TRUE;
    }

    /// A button released on the window's background, on no control, which would have taken it
    /// (GTK hands a control's release on to the window all the same), is the owner's `mouseUp`.
    static gboolean buttonReleased(GtkWidget* /*window*/, GdkEvent* event, GtkSettingWindow* self) {
        GtkWidget* target = gtk_get_event_widget(event);
        if (target == GTK_WIDGET(self->window_) ||
            (target != nullptr && !GTK_IS_BUTTON(target) && !gtk_widget_get_can_focus(target))) {
            self->owner_.mouseUp();
        }
        return FALSE;
    }

    GObjectPtr<GtkBuilder> builder_;
    GtkWindow* window_;
    GtkWidget* content_;
    Owner& owner_;
    std::array<Field, kFields.size()> fields_;
    std::forward_list<Connection> connections_;
    std::string unknownAction_;
    bool quiet_ = false;
    std::optional<WindowFrame> asked_;
    Decorations appliedWith_;
};

/// The first object the window needs that the file lacks or gives another kind, or nothing.
const char* missingObject(GtkBuilder* builder) {
    const std::pair<GType, std::vector<const char*>> needed[] = {
        {GTK_TYPE_WINDOW, {"window"}},
        {GTK_TYPE_WIDGET, {"content", "generalView", "advancedView", "aboutUsView"}},
        {GTK_TYPE_RADIO_TOOL_BUTTON, {"General", "Advanced", "AboutUs"}},
        {GTK_TYPE_BOX, {"segmentSize"}},
        {GTK_TYPE_CHECK_BUTTON,
         {"btnPercentage", "btnRunOnStartup", "btnShowIcon", "btnShowText", "btnAutomaticFree"}},
        {GTK_TYPE_ENTRY, {"txtMemoryLevel", "txtSignificantLevel", "txtPressureLevel"}},
        {GTK_TYPE_SCALE, {"sliderFrequency"}},
        {GTK_TYPE_LABEL, {"txtSliderValue", "txtAppName", "txtCopyrightText", "txtVersionString"}},
    };
    for (const auto& [type, ids] : needed) {
        for (const char* id : ids) {
            GObject* object = gtk_builder_get_object(builder, id);
            if (object == nullptr || !G_TYPE_CHECK_INSTANCE_TYPE(object, type)) {
                return id;
            }
        }
    }
    return nullptr;
}

}  // namespace

GtkSettingWindowFactory::GtkSettingWindowFactory(std::string resourcesDirectory, SystemLog& log)
    : resourcesDirectory_(std::move(resourcesDirectory)), log_(log) {}

std::unique_ptr<SettingWindow> GtkSettingWindowFactory::loadWindow(SettingWindowController& owner) {
    const auto text = readResource(resourcesDirectory_, kInterfaceFile, log_);
    if (!text) {
        return nullptr;
    }
    GObjectPtr<GtkBuilder> builder(gtk_builder_new());
    GError* error = nullptr;
    std::string problem;
    if (!gtk_builder_add_from_string(builder.get(), text->c_str(), text->size(), &error)) {
        problem = std::string("is not valid (") + error->message + ")";
        g_error_free(error);
    } else if (const char* missing = missingObject(builder.get())) {
        problem = std::string("has no usable \"") + missing + "\"";
    } else {
        auto loaded = std::make_unique<GtkSettingWindow>(std::move(builder), owner,
                                                         resourcesDirectory_, log_);
        if (loaded->unknownAction().empty()) {
            return loaded;
        }
        // The window goes with `loaded`.
        problem = "names no action \"" + loaded->unknownAction() + "\"";
    }
    log_.log(std::string("The interface file ") + kInterfaceFile + " " + problem +
             "; the preferences window cannot open");
    // A toplevel window belongs to GTK until it is destroyed.
    if (GObject* window = builder ? gtk_builder_get_object(builder.get(), "window") : nullptr;
        window != nullptr && GTK_IS_WINDOW(window)) {
        gtk_widget_destroy(GTK_WIDGET(window));
    }
    return nullptr;
}

}  // namespace headroom
