#include "ui/gtk/GtkSettingWindowFactory.h"

#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <forward_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/gtk/GObjectPtr.h"
#include "ui/gtk/Resources.h"
#include "ui/gtk/SignalConnect.h"

namespace headroom {

namespace {

constexpr const char* kInterfaceFile = "SettingWindowController.ui";
/// The pixel size of the application's image on the About tab.
constexpr int kAboutImageSize = 64;
/// The General tab's frame, where the window first opens, centred.
constexpr int kGeneralWidth = 390;
constexpr int kGeneralHeight = 315;

// The controls by their ids in the interface file, each with what it stands for.
constexpr std::pair<const char*, SettingTab> kTabs[] = {{"General", SettingTab::General},
                                                        {"Advanced", SettingTab::Advanced},
                                                        {"AboutUs", SettingTab::AboutUs}};
constexpr const char* kPanes[] = {"generalView", "advancedView", "aboutUsView"};  // by tab
constexpr std::pair<const char*, SettingCheck> kChecks[] = {
    {"btnShowIcon", SettingCheck::ShowIcon},
    {"btnShowText", SettingCheck::ShowText},
    {"btnPercentage", SettingCheck::Percentage},
    {"btnRunOnStartup", SettingCheck::RunOnStartUp},
    {"btnAutomaticFree", SettingCheck::AutomaticFree}};
constexpr std::pair<const char*, SettingField> kFields[] = {
    {"txtMemoryLevel", SettingField::MemoryLevel},
    {"txtSignificantLevel", SettingField::SignificantThreshold},
    {"txtPressureLevel", SettingField::PressureLevel}};
constexpr std::pair<const char*, SettingLink> kLinks[] = {{"btnTwitter", SettingLink::Twitter},
                                                          {"btnOrvaneDotCom", SettingLink::Website},
                                                          {"btnFaq", SettingLink::Faq},
                                                          {"btnFanPage", SettingLink::FanPage}};

template <typename Value, std::size_t N>
const char* idOf(const std::pair<const char*, Value> (&table)[N], Value value) {
    return std::find_if(std::begin(table), std::end(table),
                        [value](const auto& entry) { return entry.second == value; })
        ->first;
}

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

/// A number field's text while it is typed: an optional sign, then decimal digits.
bool isNumberText(std::string_view text) {
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        text.remove_prefix(1);
    }
    return std::all_of(text.begin(), text.end(), [](char c) { return g_ascii_isdigit(c); });
}

/// The number a field's text holds, within `bounds`; nothing while it holds no digit yet.
std::optional<std::int32_t> boundedNumber(const char* text, FieldBounds bounds) {
    if (std::none_of(text, text + std::char_traits<char>::length(text),
                     [](char c) { return g_ascii_isdigit(c); })) {
        return std::nullopt;
    }
    // The nearest 64-bit limit for a number beyond it, which the bounds then take in.
    const gint64 read = g_ascii_strtoll(text, nullptr, 10);
    return static_cast<std::int32_t>(std::clamp<gint64>(read, bounds.lowest, bounds.highest));
}

/// Hands the heap's free pages back to the system once a closed window's last resources are
/// gone: GTK frees many small blocks, which malloc keeps otherwise.
gboolean trimHeap(gpointer /*unused*/) {
    malloc_trim(0);
    return G_SOURCE_REMOVE;
}

/// One loaded window: the widgets of the file, their signals connected to the owner, and the
/// window itself. A value the program sets is never taken for the user's: the signals of the
/// widgets it sets itself are ignored.
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
    GtkSettingWindow(GObjectPtr<GtkBuilder> builder, SettingWindowOwner& owner,
                     const std::string& resources, SystemLog& log)
        : builder_(std::move(builder)),
          window_(GTK_WINDOW(object("window"))),
          content_(GTK_WIDGET(object("content"))),
          owner_(owner) {
        for (const auto& [id, tab] : kTabs) {
            connect(id, "toggled", &GtkSettingWindow::tabToggled, static_cast<int>(tab));
        }
        for (const auto& [id, box] : kChecks) {
            connect(id, "toggled", &GtkSettingWindow::checkToggled, static_cast<int>(box));
        }
        int segment = 0;
        for (GtkToggleButton* button : segments(object("segmentSize"))) {
            connections_.push_front({this, segment++});
            connectSignal(button, "toggled", &GtkSettingWindow::segmentToggled,
                          &connections_.front());
        }
        connect("sliderFrequency", "value-changed", &GtkSettingWindow::slid, 0);
        for (const auto& [id, link] : kLinks) {
            connect(id, "activate-link", &GtkSettingWindow::linkActivated, static_cast<int>(link));
        }
        for (std::size_t i = 0; i < std::size(kFields); ++i) {
            Field& field = fields_[i];
            field.window = this;
            field.field = kFields[i].second;
            field.entry = GTK_ENTRY(object(kFields[i].first));
            connectSignal(field.entry, "insert-text", &GtkSettingWindow::inserting, &field);
            connectSignal(field.entry, "changed", &GtkSettingWindow::changed, &field);
            connectSignal(field.entry, "activate", &GtkSettingWindow::activated, &field);
        }
        connectSignal(window_, "configure-event", &GtkSettingWindow::configured, this);
        connectSignal(window_, "set-focus", &GtkSettingWindow::focusMoved, this);
        connectSignal(window_, "delete-event", &GtkSettingWindow::closeAsked, this);
        connectSignal(window_, "key-press-event", &GtkSettingWindow::keyPressed, this);
        gtk_widget_add_events(GTK_WIDGET(window_), GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
        connectSignal(window_, "button-release-event", &GtkSettingWindow::buttonReleased, this);
        showApplicationImage(resources, log);
        GdkWindow* root = gdk_screen_get_root_window(gtk_window_get_screen(window_));
        gtk_window_move(window_, (gdk_window_get_width(root) - kGeneralWidth) / 2,
                        (gdk_window_get_height(root) - kGeneralHeight) / 3);
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
        g_idle_add_full(G_PRIORITY_LOW, &trimHeap, nullptr, nullptr);
    }
    GtkSettingWindow(const GtkSettingWindow&) = delete;
    GtkSettingWindow& operator=(const GtkSettingWindow&) = delete;

    void setCheck(SettingCheck box, bool on) override {
        quietly([&] {
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(object(idOf(kChecks, box))), on);
        });
    }

    void setTextSize(int segment) override {
        const auto all = segments(object("segmentSize"));
        if (segment >= 0 && static_cast<std::size_t>(segment) < all.size()) {
            quietly([&] { gtk_toggle_button_set_active(all[std::size_t(segment)], TRUE); });
        }
    }

    void setRefreshInterval(std::int64_t seconds) override {
        quietly([&] {
            gtk_range_set_value(GTK_RANGE(object("sliderFrequency")), static_cast<double>(seconds));
        });
        gtk_label_set_text(GTK_LABEL(object("txtSliderValue")), std::to_string(seconds).c_str());
    }

    void setField(SettingField which, std::int32_t value, FieldBounds bounds) override {
        for (Field& field : fields_) {
            if (field.field == which) {
                field.bounds = bounds;
                field.edited = false;
                show(field, value, false);
            }
        }
    }

    void setAbout(const std::string& name, const std::string& version,
                  const std::string& copyright) override {
        gtk_label_set_text(GTK_LABEL(object("txtAppName")), name.c_str());
        gtk_label_set_text(GTK_LABEL(object("txtVersionString")), version.c_str());
        gtk_label_set_text(GTK_LABEL(object("txtCopyrightText")), copyright.c_str());
    }

    void showTab(SettingTab tab) override {
        for (const auto& [id, each] : kTabs) {
            gtk_widget_set_visible(GTK_WIDGET(object(kPanes[static_cast<int>(each)])), each == tab);
        }
        quietly([&] { g_object_set(object(idOf(kTabs, tab)), "active", TRUE, nullptr); });
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
    /// A control's signal, with the tab, check box, segment or link it stands for.
    struct Connection {
        GtkSettingWindow* window;
        int which;
    };

    /// A number field. Its edit ends when it loses the window's focus, when Enter is pressed or
    /// when the window closes, and then goes to the owner once.
    struct Field {
        GtkSettingWindow* window = nullptr;
        SettingField field = SettingField::MemoryLevel;
        GtkEntry* entry = nullptr;
        FieldBounds bounds;
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

    template <typename Handler>
    void connect(const char* id, const char* signal, Handler handler, int which) {
        connections_.push_front({this, which});
        connectSignal(object(id), signal, handler, &connections_.front());
    }

    void showApplicationImage(const std::string& resources, SystemLog& log) {
        GObject* image = object("appImage");
        if (image == nullptr || !GTK_IS_IMAGE(image)) {
            return;
        }
        const std::string path = resources + "/h2_n.svg";
        g_autoptr(GError) error = nullptr;
        g_autoptr(GdkPixbuf) pixbuf = gdk_pixbuf_new_from_file_at_scale(
            path.c_str(), kAboutImageSize, kAboutImageSize, TRUE, &error);
        if (pixbuf == nullptr) {
            log.log("Cannot draw " + path + " on the About tab: " + error->message);
            return;
        }
        gtk_image_set_from_pixbuf(GTK_IMAGE(image), pixbuf);
    }

    template <typename Set>
    void quietly(Set&& set) {
        quiet_ = true;
        std::forward<Set>(set)();
        quiet_ = false;
    }

    static void tabToggled(GObject* item, Connection* c) {
        if (!c->window->quiet_ && isActive(item)) {
            c->window->owner_.tabSelected(static_cast<SettingTab>(c->which));
        }
    }
    static void checkToggled(GtkToggleButton* box, Connection* c) {
        if (!c->window->quiet_) {
            c->window->owner_.checkChanged(static_cast<SettingCheck>(c->which),
                                           gtk_toggle_button_get_active(box) != FALSE);
        }
    }
    /// A choice in a radio group toggles two buttons: only the one chosen tells.
    static void segmentToggled(GtkToggleButton* button, Connection* c) {
        if (!c->window->quiet_ && gtk_toggle_button_get_active(button)) {
            c->window->owner_.textSizeChanged(c->which);
        }
    }
    static void slid(GtkRange* slider, Connection* c) {
        if (!c->window->quiet_) {
            c->window->owner_.refreshIntervalChanged(
                static_cast<std::int32_t>(std::trunc(gtk_range_get_value(slider))));
        }
    }
    /// The owner opens the page; the button's own handler must not.
    static gboolean linkActivated(GtkLinkButton* /*button*/, Connection* c) {
        c->window->owner_.linkPressed(static_cast<SettingLink>(c->which));
        return TRUE;
    }

    /// Shows `value` in the field, quietly; `select` selects it, so that the next key typed
    /// replaces it.
    void show(Field& field, std::int32_t value, bool select) {
        quietly([&] {
            gtk_entry_set_text(field.entry, std::to_string(value).c_str());
            if (select) {
                gtk_editable_select_region(GTK_EDITABLE(field.entry), 0, -1);
            } else {
                gtk_editable_set_position(GTK_EDITABLE(field.entry), -1);
            }
        });
    }

    /// Typing, a paste or a drop that would leave anything but a number in the field is
    /// refused whole, rather than cut to its leading digits.
    static void inserting(GtkEditable* editable, const gchar* text, gint length, gint* position,
                          Field* field) {
        if (field->window->quiet_) {
            return;
        }
        std::string after = gtk_entry_get_text(field->entry);
        const auto at = static_cast<std::size_t>(
            g_utf8_offset_to_pointer(after.c_str(), *position) - after.c_str());
        after.insert(
            at, text,
            length < 0 ? std::char_traits<char>::length(text) : static_cast<std::size_t>(length));
        if (!isNumberText(after)) {
            g_signal_stop_emission_by_name(editable, "insert-text");
            gtk_widget_error_bell(GTK_WIDGET(editable));
        }
    }

    static void changed(GtkEditable* /*entry*/, Field* field) {
        if (field->window->quiet_) {
            return;
        }
        field->edited = true;
        // A number past a bound becomes the bound once the edit that made it is done (GTK tells
        // typing over a selection as a deletion, then an insertion).
        if (field->pending == 0) {
            field->pending = g_idle_add_full(G_PRIORITY_HIGH_IDLE, &GtkSettingWindow::keepBounds,
                                             field, nullptr);
        }
    }
    static gboolean keepBounds(gpointer data) {
        auto* field = static_cast<Field*>(data);
        field->pending = 0;
        field->window->keepInBounds(*field);
        return G_SOURCE_REMOVE;
    }
    void keepInBounds(Field& field) {
        const char* text = gtk_entry_get_text(field.entry);
        const auto value = boundedNumber(text, field.bounds);
        if (value && g_ascii_strtoll(text, nullptr, 10) != *value) {
            show(field, *value, true);
        }
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
            field.pending = 0;
        }
        if (!field.edited || quiet_) {
            return;
        }
        field.edited = false;
        const std::int32_t value = boundedNumber(gtk_entry_get_text(field.entry), field.bounds)
                                       .value_or(field.bounds.lowest);
        show(field, value, false);
        owner_.fieldEdited(field.field, value);
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

    /// Closing (the window manager's close, or Escape) ends an edit under way, as leaving the
    /// field would, and then the owner lets the window go: nothing of this object is touched
    /// after.
    static gboolean closeAsked(GtkWidget* /*window*/, GdkEvent* /*event*/, GtkSettingWindow* self) {
        self->endEditingAll();
        self->owner_.windowClosed();
        return TRUE;
    }

    static gboolean keyPressed(GtkWidget* window, GdkEventKey* key, GtkSettingWindow* self) {
        return key->keyval == GDK_KEY_Escape && closeAsked(window, nullptr, self);
    }

    /// A button released on the window's background, on no control, which would have taken it
    /// (GTK hands a control's release on to the window all the same), is the owner's.
    static gboolean buttonReleased(GtkWidget* /*window*/, GdkEvent* event, GtkSettingWindow* self) {
        GtkWidget* target = gtk_get_event_widget(event);
        if (target == GTK_WIDGET(self->window_) ||
            (target != nullptr && !GTK_IS_BUTTON(target) && !gtk_widget_get_can_focus(target))) {
            self->owner_.backgroundClicked();
        }
        return FALSE;
    }

    GObjectPtr<GtkBuilder> builder_;
    GtkWindow* window_;
    GtkWidget* content_;
    SettingWindowOwner& owner_;
    Field fields_[std::size(kFields)];
    std::forward_list<Connection> connections_;
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
        {GTK_TYPE_LINK_BUTTON, {"btnTwitter", "btnOrvaneDotCom", "btnFaq", "btnFanPage"}},
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

std::unique_ptr<SettingWindow> GtkSettingWindowFactory::loadWindow(SettingWindowOwner& owner) {
    const auto text = readResource(resourcesDirectory_, kInterfaceFile, log_);
    if (!text) {
        return nullptr;
    }
    GObjectPtr<GtkBuilder> builder(gtk_builder_new());
    g_autoptr(GError) error = nullptr;
    std::string problem;
    if (!gtk_builder_add_from_string(builder.get(), text->c_str(), text->size(), &error)) {
        problem = std::string("is not valid (") + error->message + ")";
    } else if (const char* missing = missingObject(builder.get())) {
        problem = std::string("has no usable \"") + missing + "\"";
    } else {
        return std::make_unique<GtkSettingWindow>(std::move(builder), owner, resourcesDirectory_,
                                                  log_);
    }
    log_.log(std::string("The interface file ") + kInterfaceFile + " " + problem +
             "; the preferences window cannot open");
    // A toplevel window belongs to GTK until it is destroyed.
    if (GObject* window = gtk_builder_get_object(builder.get(), "window");
        window != nullptr && GTK_IS_WINDOW(window)) {
        gtk_widget_destroy(GTK_WIDGET(window));
    }
    return nullptr;
}

}  // namespace headroom
