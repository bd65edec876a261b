#include "ui/gtk/GtkSettingWindowFactory.h"

#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "preferences/SettingWindowController.h"
#include "ui/gtk/Resources.h"
#include "ui/gtk/SignalConnect.h"

namespace headroom {

namespace {

constexpr const char* kInterfaceFile = "SettingWindowController.ui";
/// The pixel size of the application's image on the About tab.
constexpr int kAboutImageSize = 64;

using Owner = SettingWindowController;

int pixels(double points) {
    return static_cast<int>(std::lround(points));
}

struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};

/// A signal's C handler that calls `Method` on the object given as the handler's data, with
/// the signal's own arguments (the emitting instance left out).
template <auto Method>
struct Slot;
template <typename Self, typename R, typename... Args, R (Self::*Method)(Args...)>
struct Slot<Method> {
    static R call(gpointer /*instance*/, Args... args, gpointer self) {
        return (static_cast<Self*>(self)->*Method)(args...);
    }
};

template <auto Method, typename Self>
void on(gpointer instance, const char* signal, Self* self) {
    connectSignal(instance, signal, &Slot<Method>::call, self);
}

// The outlets over GTK widgets. A value the program sets is never taken for the user's: each
// outlet ignores its widget's signals while it sets the widget itself, as the controls of the
// design send their actions only for the user's gestures.

/// Runs the program's own change to a widget; meanwhile `on()` tells the widget's handlers so.
class Quiet {
  public:
    template <typename Set>
    void operator()(Set&& set) {
        on_ = true;
        std::forward<Set>(set)();
        on_ = false;
    }
    bool on() const { return on_; }

  private:
    bool on_ = false;
};

class CheckBoxOutlet final : public CheckBox {
  public:
    CheckBoxOutlet(GObject* button, Owner& owner, void (Owner::*action)(CheckBox&))
        : button_(GTK_TOGGLE_BUTTON(button)), owner_(owner), action_(action) {
        on<&CheckBoxOutlet::toggled>(button_, "toggled", this);
    }
    int state() const override {
        return gtk_toggle_button_get_active(button_) ? kControlStateOn : kControlStateOff;
    }
    void setState(int state) override {
        quiet_([&] { gtk_toggle_button_set_active(button_, state == kControlStateOn); });
    }

  private:
    void toggled() {
        if (!quiet_.on()) {
            (owner_.*action_)(*this);
        }
    }

    GtkToggleButton* button_;
    Owner& owner_;
    void (Owner::*action_)(CheckBox&);
    Quiet quiet_;
};

/// Radio items of which one is chosen: the text-size segments (segment i is item i) or the
/// toolbar's tabs (known by their identifiers). A choice toggles two items: `chosen` hears of
/// it once, when the chosen item is no longer the one it was.
class RadioOutlet final : public SegmentedControl, public Toolbar {
  public:
    RadioOutlet(std::vector<GObject*> items, std::vector<std::string> identifiers,
                std::function<void(RadioOutlet&, int)> chosen)
        : items_(std::move(items)),
          identifiers_(std::move(identifiers)),
          chosen_(std::move(chosen)),
          selected_(selectedSegment()) {
        for (GObject* item : items_) {
            on<&RadioOutlet::toggled>(item, "toggled", this);
        }
    }
    int selectedSegment() const override {
        for (std::size_t i = 0; i < items_.size(); ++i) {
            gboolean active = FALSE;
            g_object_get(items_[i], "active", &active, nullptr);
            if (active != FALSE) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    void setSelectedSegment(int segment) override {
        if (segment >= 0 && static_cast<std::size_t>(segment) < items_.size()) {
            quiet_([&] {
                g_object_set(items_[static_cast<std::size_t>(segment)], "active", TRUE, nullptr);
            });
            selected_ = segment;
        }
    }
    void setSelectedItemIdentifier(const std::string& identifier) override {
        const auto at = std::find(identifiers_.begin(), identifiers_.end(), identifier);
        setSelectedSegment(static_cast<int>(at - identifiers_.begin()));
    }

  private:
    void toggled() {
        const int now = selectedSegment();
        if (!quiet_.on() && now >= 0 && now != selected_) {
            selected_ = now;
            chosen_(*this, now);
        }
    }

    std::vector<GObject*> items_;
    std::vector<std::string> identifiers_;
    std::function<void(RadioOutlet&, int)> chosen_;
    int selected_;
    Quiet quiet_;
};

class SliderOutlet final : public Slider {
  public:
    SliderOutlet(GObject* scale, Owner& owner) : range_(GTK_RANGE(scale)), owner_(owner) {
        on<&SliderOutlet::changed>(range_, "value-changed", this);
    }
    /// The position truncated to a whole number.
    std::int32_t intValue() const override {
        return static_cast<std::int32_t>(std::trunc(gtk_range_get_value(range_)));
    }
    void setIntegerValue(std::int64_t value) override {
        quiet_([&] { gtk_range_set_value(range_, static_cast<double>(value)); });
    }

  private:
    void changed() {
        if (!quiet_.on()) {
            owner_.frequencySliderChange(*this);
        }
    }

    GtkRange* range_;
    Owner& owner_;
    Quiet quiet_;
};

/// A text that the user does not edit.
class LabelOutlet final : public TextField {
  public:
    explicit LabelOutlet(GObject* label) : label_(GTK_LABEL(label)) {}
    std::string stringValue() const override { return gtk_label_get_text(label_); }
    void setStringValue(const std::string& text) override {
        gtk_label_set_text(label_, text.c_str());
    }
    int tag() const override { return 0; }

  private:
    GtkLabel* label_;
};

class PaneOutlet final : public View {
  public:
    explicit PaneOutlet(GObject* pane) : pane_(GTK_WIDGET(pane)) {}
    void setHidden(bool hidden) override { gtk_widget_set_visible(pane_, hidden ? FALSE : TRUE); }

  private:
    GtkWidget* pane_;
};

/// An editable field. Each edit the user makes goes to the owner's `controlTextDidChange` once,
/// with the text the edit left: GTK tells of typing over a selection, and of a paste over one,
/// as two changes (the selection deleted, then the text inserted), so the changes of one edit
/// are gathered and told when the edit is over. The editing session that the first edit opens
/// ends when the field loses the window's focus, when Enter is pressed, or when the window
/// closes, and then goes to `controlTextDidEndEditing` once.
class EntryOutlet final : public TextField {
  public:
    EntryOutlet(GObject* entry, int tag, Owner& owner)
        : entry_(GTK_ENTRY(entry)), tag_(tag), owner_(owner) {
        on<&EntryOutlet::changed>(entry_, "changed", this);
        on<&EntryOutlet::endEditing>(entry_, "activate", this);
    }
    ~EntryOutlet() override {
        if (pending_ != 0) {
            g_source_remove(pending_);
        }
    }
    EntryOutlet(const EntryOutlet&) = delete;
    EntryOutlet& operator=(const EntryOutlet&) = delete;

    std::string stringValue() const override { return gtk_entry_get_text(entry_); }
    /// Rewrites the text unless it is already the same. The caret goes to its end; when the
    /// text replaces an emptied field it is selected, so that what the user types next
    /// replaces it.
    void setStringValue(const std::string& text) override {
        const std::string old = gtk_entry_get_text(entry_);
        if (old == text) {
            return;
        }
        quiet_([&] {
            gtk_entry_set_text(entry_, text.c_str());
            if (old.empty() && gtk_widget_has_focus(widget())) {
                gtk_editable_select_region(GTK_EDITABLE(entry_), 0, -1);
            } else {
                gtk_editable_set_position(GTK_EDITABLE(entry_), -1);
            }
        });
    }
    int tag() const override { return tag_; }

    void endEditing() {
        if (pending_ != 0) {
            g_source_remove(pending_);
            tellChange();
        }
        if (edited_) {
            edited_ = false;
            owner_.controlTextDidEndEditing(*this);
        }
    }
    GtkWidget* widget() const { return GTK_WIDGET(entry_); }

  private:
    void changed() {
        if (quiet_.on() || pending_ != 0) {
            return;
        }
        // Told once the signal handler that made the change (a key press, a paste) is done,
        // before the field is redrawn.
        pending_ =
            g_idle_add_full(G_PRIORITY_HIGH_IDLE, &EntryOutlet::pendingChange, this, nullptr);
    }
    static gboolean pendingChange(gpointer self) {
        static_cast<EntryOutlet*>(self)->tellChange();
        return G_SOURCE_REMOVE;
    }
    void tellChange() {
        pending_ = 0;
        edited_ = true;
        owner_.controlTextDidChange(*this);
    }

    GtkEntry* entry_;
    int tag_;
    Owner& owner_;
    bool edited_ = false;
    guint pending_ = 0;
    Quiet quiet_;
};

/// One loaded window: the widgets of the file, their outlets connected to the owner, and the
/// window itself. Frames are in the root window's pixels with the vertical axis turned upward,
/// as the controller counts them; a frame is the whole window, the decorations a window
/// manager adds (title bar, borders) included. The window's own area, the frame less those, is
/// given to `content`, which fills the window: the window is not resizable, so it takes its
/// content's size. A window manager decorates a window only once it is mapped, so the last
/// frame asked for is applied again whenever the decorations change. On X11 the window is also
/// moved, so that its top edge stays where the controller puts it; where the window system does
/// not let a window place itself (Wayland) it is only resized.
class GtkSettingWindow final : public SettingWindow, public PreferencesWindow {
  public:
    GtkSettingWindow(std::unique_ptr<GtkBuilder, Unref> builder, Owner& owner)
        : builder_(std::move(builder)),
          window_(GTK_WINDOW(object("window"))),
          content_(GTK_WIDGET(object("content"))),
          owner_(owner),
          memoryLevel_(object("txtMemoryLevel"), Owner::kMemoryLevelTag, owner),
          significantLevel_(object("txtSignificantLevel"), Owner::kSignificantLevelTag, owner),
          settingsToolbar_({object("General"), object("Advanced"), object("AboutUs")},
                           {Owner::kGeneralItem, Owner::kAdvancedItem, Owner::kAboutUsItem},
                           [&owner](RadioOutlet&, int tab) {
                               (owner.*kTabActions[static_cast<std::size_t>(tab)])();
                           }),
          generalView_(object("generalView")),
          advancedView_(object("advancedView")),
          aboutUsView_(object("aboutUsView")),
          segmentSize_({object("segmentNormal"), object("segmentSmall")}, {},
                       [&owner](RadioOutlet& s, int) { owner.btnTextSizeSegmentChange(s); }),
          btnPercentage_(object("btnPercentage"), owner, &Owner::btnUsePercentagePressed),
          btnRunOnStartup_(object("btnRunOnStartup"), owner, &Owner::btnRunOnstartupPressed),
          btnShowIcon_(object("btnShowIcon"), owner, &Owner::btnShowIconPressed),
          btnShowText_(object("btnShowText"), owner, &Owner::btnShowTextPressed),
          btnAutomaticFree_(object("btnAutomaticFree"), owner, &Owner::btnAutoFreeMemoryPressed),
          sliderFrequency_(object("sliderFrequency"), owner),
          txtSliderValue_(object("txtSliderValue")),
          txtAppName_(object("txtAppName")),
          txtCopyrightText_(object("txtCopyrightText")),
          txtVersionString_(object("txtVersionString")),
          links_{{{&owner, &Owner::btnTwitterPressed},
                  {&owner, &Owner::btnOrvaneDotComPressed},
                  {&owner, &Owner::btnFaqPressed},
                  {&owner, &Owner::btnFanPagePressed}}} {
        for (std::size_t i = 0; i < links_.size(); ++i) {
            // The controller opens the page; the button's own handler must not.
            on<&Link::activated>(object(kLinkIds[i]), "activate-link", &links_[i]);
        }
        connectWindow();
    }

    ~GtkSettingWindow() override {
        // The window's handlers reach this object, which is going: none may run any more.
        g_signal_handlers_disconnect_by_data(window_, this);
        gtk_widget_destroy(GTK_WIDGET(window_));
    }
    GtkSettingWindow(const GtkSettingWindow&) = delete;
    GtkSettingWindow& operator=(const GtkSettingWindow&) = delete;

    SettingOutlets outlets() override {
        return {*this,
                settingsToolbar_,
                generalView_,
                advancedView_,
                aboutUsView_,
                segmentSize_,
                btnPercentage_,
                btnRunOnStartup_,
                btnShowIcon_,
                btnShowText_,
                btnAutomaticFree_,
                memoryLevel_,
                sliderFrequency_,
                txtSliderValue_,
                txtAppName_,
                txtCopyrightText_,
                txtVersionString_,
                significantLevel_};
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

    void setFrame(const WindowFrame& frame, bool display, bool /*animate*/) override {
        asked_ = frame;
        appliedWith_ = decorations();
        const int width = std::max(1, pixels(frame.width) - appliedWith_.width);
        const int height = std::max(1, pixels(frame.height) - appliedWith_.height);
        if (canMove()) {
            gtk_window_move(window_, pixels(frame.x),
                            rootHeight() - pixels(frame.y + frame.height));
        }
        gtk_widget_set_size_request(content_, width, height);
        // The window follows its content's size; a visible one is told at once.
        gtk_window_resize(window_, width, height);
        if (display) {
            gtk_widget_queue_draw(GTK_WIDGET(window_));
        }
    }

    void setCollectionBehavior(unsigned behavior) override {
        if ((behavior & kWindowCollectionBehaviorCanJoinAllSpaces) != 0) {
            gtk_window_stick(window_);
        } else {
            gtk_window_unstick(window_);
        }
    }

    void makeKeyAndOrderFront() override { gtk_window_present(window_); }

    void makeFirstResponder(TextField* responder) override {
        for (EntryOutlet* field : {&memoryLevel_, &significantLevel_}) {
            if (field == responder) {
                gtk_widget_grab_focus(field->widget());
                return;
            }
        }
        gtk_window_set_focus(window_, nullptr);
        // Whether or not the window told of the change, no field is being edited any more.
        endEditing();
    }

  private:
    struct Link {
        Owner* owner;
        void (Owner::*pressed)();
        gboolean activated() {
            (owner->*pressed)();
            return TRUE;
        }
    };
    static constexpr std::array<const char*, 4> kLinkIds = {"btnTwitter", "btnOrvaneDotCom",
                                                            "btnFaq", "btnFanPage"};
    static constexpr std::array<void (Owner::*)(), 3> kTabActions = {
        &Owner::btnGeneralSelected, &Owner::btnAdvancedSelected, &Owner::btnAboutUsSelected};

    /// The width and height the window manager's decorations add to the window's own area.
    struct Decorations {
        int width = 0;
        int height = 0;
        friend bool operator==(const Decorations&, const Decorations&) = default;
    };

    GObject* object(const char* id) const { return gtk_builder_get_object(builder_.get(), id); }

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

    bool canMove() const {
        // X11 lets a window place itself; Wayland leaves that to the compositor.
        return std::strcmp(G_OBJECT_TYPE_NAME(gtk_widget_get_display(GTK_WIDGET(window_))),
                           "GdkX11Display") == 0;
    }

    int rootHeight() const {
        return gdk_window_get_height(
            gdk_screen_get_root_window(gtk_widget_get_screen(GTK_WIDGET(window_))));
    }

    void endEditing() {
        memoryLevel_.endEditing();
        significantLevel_.endEditing();
    }

    /// Closing only hides the window; an edit in progress is kept, as leaving the field would
    /// keep it.
    void hide() {
        endEditing();
        gtk_widget_hide(GTK_WIDGET(window_));
    }

    /// Whether a button event fell on the window's background: on no control, which would have
    /// taken it (GTK hands a control's release on to the window all the same).
    bool tookNoControl(GdkEvent* event) const {
        GtkWidget* target = gtk_get_event_widget(event);
        return target == GTK_WIDGET(window_) ||
               (target != nullptr && !GTK_IS_BUTTON(target) && !gtk_widget_get_can_focus(target));
    }

    void connectWindow() {
        on<&GtkSettingWindow::configured>(window_, "configure-event", this);
        on<&GtkSettingWindow::focusMoved>(window_, "set-focus", this);
        on<&GtkSettingWindow::closing>(window_, "delete-event", this);
        on<&GtkSettingWindow::keyPressed>(window_, "key-press-event", this);
        gtk_widget_add_events(GTK_WIDGET(window_), GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
        on<&GtkSettingWindow::buttonReleased>(window_, "button-release-event", this);
    }

    /// The window manager frames the window after it is mapped: the frame asked for then has a
    /// title bar more than the window's own area.
    gboolean configured(GdkEvent* /*event*/) {
        if (asked_ && decorations() != appliedWith_) {
            setFrame(*asked_, true, false);
        }
        return FALSE;
    }

    /// The focus leaving a field, to another widget or to none, ends its editing.
    void focusMoved(GtkWidget* focus) {
        for (EntryOutlet* field : {&memoryLevel_, &significantLevel_}) {
            if (field->widget() != focus) {
                field->endEditing();
            }
        }
    }

    gboolean closing(GdkEvent* /*event*/) {
        hide();
        return TRUE;
    }

    gboolean keyPressed(GdkEventKey* key) {
        if (key->keyval != GDK_KEY_Escape) {
            return FALSE;
        }
        hide();
        return TRUE;
    }

    gboolean buttonReleased(GdkEvent* event) {
        if (tookNoControl(event)) {
            owner_.mouseUp();
        }
        return FALSE;
    }

    std::unique_ptr<GtkBuilder, Unref> builder_;
    GtkWindow* window_;
    GtkWidget* content_;
    Owner& owner_;
    EntryOutlet memoryLevel_;
    EntryOutlet significantLevel_;
    RadioOutlet settingsToolbar_;
    PaneOutlet generalView_;
    PaneOutlet advancedView_;
    PaneOutlet aboutUsView_;
    RadioOutlet segmentSize_;
    CheckBoxOutlet btnPercentage_;
    CheckBoxOutlet btnRunOnStartup_;
    CheckBoxOutlet btnShowIcon_;
    CheckBoxOutlet btnShowText_;
    CheckBoxOutlet btnAutomaticFree_;
    SliderOutlet sliderFrequency_;
    LabelOutlet txtSliderValue_;
    LabelOutlet txtAppName_;
    LabelOutlet txtCopyrightText_;
    LabelOutlet txtVersionString_;
    std::array<Link, 4> links_;
    std::optional<WindowFrame> asked_;
    Decorations appliedWith_;
};

/// The first object the window needs that the file lacks or gives another kind, or nothing.
const char* missingObject(GtkBuilder* builder) {
    const std::pair<GType, std::vector<const char*>> needed[] = {
        {GTK_TYPE_WINDOW, {"window"}},
        {GTK_TYPE_WIDGET, {"content", "generalView", "advancedView", "aboutUsView"}},
        {GTK_TYPE_RADIO_TOOL_BUTTON, {"General", "Advanced", "AboutUs"}},
        {GTK_TYPE_RADIO_BUTTON, {"segmentNormal", "segmentSmall"}},
        {GTK_TYPE_CHECK_BUTTON,
         {"btnPercentage", "btnRunOnStartup", "btnShowIcon", "btnShowText", "btnAutomaticFree"}},
        {GTK_TYPE_ENTRY, {"txtMemoryLevel", "txtSignificantLevel"}},
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

void showApplicationImage(GtkBuilder* builder, const std::string& resources, SystemLog& log) {
    GObject* image = gtk_builder_get_object(builder, "appImage");
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

}  // namespace

GtkSettingWindowFactory::GtkSettingWindowFactory(std::string resourcesDirectory, SystemLog& log)
    : resourcesDirectory_(std::move(resourcesDirectory)), log_(log) {}

std::unique_ptr<SettingWindow> GtkSettingWindowFactory::loadWindow(SettingWindowController& owner) {
    const auto text = readResource(resourcesDirectory_, kInterfaceFile, log_);
    if (!text) {
        return nullptr;
    }
    std::unique_ptr<GtkBuilder, Unref> builder(gtk_builder_new());
    GError* error = nullptr;
    std::string problem;
    if (!gtk_builder_add_from_string(builder.get(), text->c_str(), text->size(), &error)) {
        problem = std::string("is not valid (") + error->message + ")";
        g_error_free(error);
    } else if (const char* missing = missingObject(builder.get())) {
        problem = std::string("has no usable \"") + missing + "\"";
    }
    if (!problem.empty()) {
        log_.log(std::string("The interface file ") + kInterfaceFile + " " + problem +
                 "; the preferences window cannot open");
        // A toplevel window belongs to GTK until it is destroyed.
        if (GObject* window = gtk_builder_get_object(builder.get(), "window");
            window != nullptr && GTK_IS_WINDOW(window)) {
            gtk_widget_destroy(GTK_WIDGET(window));
        }
        return nullptr;
    }
    showApplicationImage(builder.get(), resourcesDirectory_, log_);
    // Centred on the screen; the controller sizes it from there.
    GtkWindow* window = GTK_WINDOW(gtk_builder_get_object(builder.get(), "window"));
    GdkWindow* root = gdk_screen_get_root_window(gtk_window_get_screen(window));
    const TabSize general = tabSize(SettingTab::General);
    gtk_window_move(window, (gdk_window_get_width(root) - static_cast<int>(general.width)) / 2,
                    (gdk_window_get_height(root) - static_cast<int>(general.height)) / 3);
    return std::make_unique<GtkSettingWindow>(std::move(builder), owner);
}

}  // namespace headroom
