#include "ui/gtk/GtkSettingWindowFactory.h"

#include <gdk/gdkkeysyms.h>

#include <gdkmm/pixbuf.h>
#include <gdkmm/window.h>
#include <glibmm/error.h>
#include <gtkmm/builder.h>
#include <gtkmm/image.h>
#include <gtkmm/linkbutton.h>

#include <functional>
#include <utility>

#include "preferences/SettingWindowController.h"
#include "ui/gtk/GtkSettingOutlets.h"
#include "ui/gtk/Resources.h"

namespace headroom {

namespace {

/// The pixel size of the application's image on the About tab.
constexpr int kAboutImageSize = 64;

/// The objects of the file, found by id and kind; the first one missing is remembered.
struct Widgets {
    Glib::RefPtr<Gtk::Builder> builder;
    std::string missing;

    template <typename T>
    T* find(const char* id) {
        T* widget = dynamic_cast<T*>(builder->get_object(id).get());
        if (widget == nullptr && missing.empty()) {
            missing = id;
        }
        return widget;
    }
};

/// One loaded window: the widgets of the file and their outlets, connected to the owner.
class GtkSettingWindow final : public InterfaceObjects {
  public:
    GtkSettingWindow(Widgets& w, Gtk::Window& window, SettingWindowController& owner)
        : builder_(w.builder),
          window_(&window),
          memoryLevel_(*w.find<Gtk::Entry>("txtMemoryLevel"),
                       SettingWindowController::kMemoryLevelTag, changed(owner), ended(owner)),
          significantLevel_(*w.find<Gtk::Entry>("txtSignificantLevel"),
                            SettingWindowController::kSignificantLevelTag, changed(owner),
                            ended(owner)),
          windowOutlet_(window, *w.find<Gtk::Widget>("content"),
                        {&memoryLevel_, &significantLevel_}),
          toolbar_(
              {{SettingWindowController::kGeneralItem, w.find<Gtk::RadioToolButton>("General")},
               {SettingWindowController::kAdvancedItem, w.find<Gtk::RadioToolButton>("Advanced")},
               {SettingWindowController::kAboutUsItem, w.find<Gtk::RadioToolButton>("AboutUs")}},
              [&owner](const std::string& item) { selectTab(owner, item); }),
          generalView_(*w.find<Gtk::Widget>("generalView")),
          advancedView_(*w.find<Gtk::Widget>("advancedView")),
          aboutUsView_(*w.find<Gtk::Widget>("aboutUsView")),
          segmentSize_(
              {w.find<Gtk::RadioButton>("segmentNormal"), w.find<Gtk::RadioButton>("segmentSmall")},
              [&owner](SegmentedControl& s) { owner.btnTextSizeSegmentChange(s); }),
          btnPercentage_(*w.find<Gtk::CheckButton>("btnPercentage"),
                         [&owner](CheckBox& b) { owner.btnUsePercentagePressed(b); }),
          btnRunOnStartup_(*w.find<Gtk::CheckButton>("btnRunOnStartup"),
                           [&owner](CheckBox& b) { owner.btnRunOnstartupPressed(b); }),
          btnShowIcon_(*w.find<Gtk::CheckButton>("btnShowIcon"),
                       [&owner](CheckBox& b) { owner.btnShowIconPressed(b); }),
          btnShowText_(*w.find<Gtk::CheckButton>("btnShowText"),
                       [&owner](CheckBox& b) { owner.btnShowTextPressed(b); }),
          btnAutomaticFree_(*w.find<Gtk::CheckButton>("btnAutomaticFree"),
                            [&owner](CheckBox& b) { owner.btnAutoFreeMemoryPressed(b); }),
          sliderFrequency_(*w.find<Gtk::Scale>("sliderFrequency"),
                           [&owner](Slider& s) { owner.frequencySliderChange(s); }),
          txtSliderValue_(*w.find<Gtk::Label>("txtSliderValue")),
          txtAppName_(*w.find<Gtk::Label>("txtAppName")),
          txtCopyrightText_(*w.find<Gtk::Label>("txtCopyrightText")),
          txtVersionString_(*w.find<Gtk::Label>("txtVersionString")) {
        link(w.find<Gtk::LinkButton>("btnTwitter"), [&owner] { owner.btnTwitterPressed(); });
        link(w.find<Gtk::LinkButton>("btnOrvaneDotCom"),
             [&owner] { owner.btnOrvaneDotComPressed(); });
        link(w.find<Gtk::LinkButton>("btnFaq"), [&owner] { owner.btnFaqPressed(); });
        link(w.find<Gtk::LinkButton>("btnFanPage"), [&owner] { owner.btnFanPagePressed(); });
        connectWindow(owner);
        connectOutlets(owner);
    }

    ~GtkSettingWindow() override {
        // A toplevel window from a builder file belongs to whoever took it.
        delete window_;
    }
    GtkSettingWindow(const GtkSettingWindow&) = delete;
    GtkSettingWindow& operator=(const GtkSettingWindow&) = delete;

  private:
    static std::function<void(TextField&)> changed(SettingWindowController& owner) {
        return [&owner](TextField& field) { owner.controlTextDidChange(field); };
    }
    static std::function<void(TextField&)> ended(SettingWindowController& owner) {
        return [&owner](TextField& field) { owner.controlTextDidEndEditing(field); };
    }
    static void selectTab(SettingWindowController& owner, const std::string& item) {
        if (item == SettingWindowController::kGeneralItem) {
            owner.btnGeneralSelected();
        } else if (item == SettingWindowController::kAdvancedItem) {
            owner.btnAdvancedSelected();
        } else {
            owner.btnAboutUsSelected();
        }
    }
    static void link(Gtk::LinkButton* button, std::function<void()> pressed) {
        // The controller opens the page; the button's own handler must not.
        button->signal_activate_link().connect(
            [pressed = std::move(pressed)] {
                pressed();
                return true;
            },
            false);
    }

    /// Whether a button event fell on the window's background: on no control, which would have
    /// taken it (GTK hands a control's release on to the window all the same).
    bool tookNoControl(GdkEvent* event) const {
        GtkWidget* target = gtk_get_event_widget(event);
        return target == GTK_WIDGET(window_->gobj()) ||
               (target != nullptr && !GTK_IS_BUTTON(target) && !gtk_widget_get_can_focus(target));
    }

    void endEditing() {
        memoryLevel_.endEditing();
        significantLevel_.endEditing();
    }

    void connectWindow(SettingWindowController& owner) {
        // Closing only hides the window; an edit in progress is kept, as leaving the field
        // would keep it.
        window_->signal_delete_event().connect([this](GdkEventAny*) {
            endEditing();
            window_->hide();
            return true;
        });
        window_->signal_key_press_event().connect(
            [this](GdkEventKey* key) {
                if (key->keyval != GDK_KEY_Escape) {
                    return false;
                }
                endEditing();
                window_->hide();
                return true;
            },
            false);
        window_->add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK);
        window_->signal_button_release_event().connect([this, &owner](GdkEventButton* event) {
            if (tookNoControl(reinterpret_cast<GdkEvent*>(event))) {
                owner.mouseUp();
            }
            return false;
        });
    }

    void connectOutlets(SettingWindowController& owner) {
        owner.setWindow(&windowOutlet_);
        owner.setSettingsToolbar(&toolbar_);
        owner.setGeneralView(&generalView_);
        owner.setAdvancedView(&advancedView_);
        owner.setAboutUsView(&aboutUsView_);
        owner.setSegmentSize(&segmentSize_);
        owner.setBtnPercentage(&btnPercentage_);
        owner.setBtnRunOnStartup(&btnRunOnStartup_);
        owner.setBtnShowIcon(&btnShowIcon_);
        owner.setBtnShowText(&btnShowText_);
        owner.setBtnAutomaticFree(&btnAutomaticFree_);
        owner.setTxtMemoryLevel(&memoryLevel_);
        owner.setSliderFrequency(&sliderFrequency_);
        owner.setTxtSliderValue(&txtSliderValue_);
        owner.setTxtAppName(&txtAppName_);
        owner.setTxtCopyrightText(&txtCopyrightText_);
        owner.setTxtVersionString(&txtVersionString_);
        owner.setTxtSignificantLevel(&significantLevel_);
    }

    Glib::RefPtr<Gtk::Builder> builder_;
    Gtk::Window* window_;
    GtkEntryOutlet memoryLevel_;
    GtkEntryOutlet significantLevel_;
    GtkWindowOutlet windowOutlet_;
    GtkToolbarOutlet toolbar_;
    GtkPaneOutlet generalView_;
    GtkPaneOutlet advancedView_;
    GtkPaneOutlet aboutUsView_;
    GtkSegmentedOutlet segmentSize_;
    GtkCheckBoxOutlet btnPercentage_;
    GtkCheckBoxOutlet btnRunOnStartup_;
    GtkCheckBoxOutlet btnShowIcon_;
    GtkCheckBoxOutlet btnShowText_;
    GtkCheckBoxOutlet btnAutomaticFree_;
    GtkSliderOutlet sliderFrequency_;
    GtkLabelOutlet txtSliderValue_;
    GtkLabelOutlet txtAppName_;
    GtkLabelOutlet txtCopyrightText_;
    GtkLabelOutlet txtVersionString_;
};

/// Every object the window needs, of the right kind; the first one missing, or nothing.
std::string missingObject(Widgets& w) {
    w.find<Gtk::Window>("window");
    w.find<Gtk::Widget>("content");
    for (const char* id : {"General", "Advanced", "AboutUs"}) {
        w.find<Gtk::RadioToolButton>(id);
    }
    for (const char* id : {"generalView", "advancedView", "aboutUsView"}) {
        w.find<Gtk::Widget>(id);
    }
    for (const char* id : {"segmentNormal", "segmentSmall"}) {
        w.find<Gtk::RadioButton>(id);
    }
    for (const char* id :
         {"btnPercentage", "btnRunOnStartup", "btnShowIcon", "btnShowText", "btnAutomaticFree"}) {
        w.find<Gtk::CheckButton>(id);
    }
    for (const char* id : {"txtMemoryLevel", "txtSignificantLevel"}) {
        w.find<Gtk::Entry>(id);
    }
    w.find<Gtk::Scale>("sliderFrequency");
    for (const char* id :
         {"txtSliderValue", "txtAppName", "txtCopyrightText", "txtVersionString"}) {
        w.find<Gtk::Label>(id);
    }
    for (const char* id : {"btnTwitter", "btnOrvaneDotCom", "btnFaq", "btnFanPage"}) {
        w.find<Gtk::LinkButton>(id);
    }
    return w.missing;
}

/// Centres the window's first frame on the screen; the controller sizes it from there.
void placeCentred(Gtk::Window& window, int width, int height) {
    const auto root = window.get_screen()->get_root_window();
    window.move((root->get_width() - width) / 2, (root->get_height() - height) / 3);
}

void showApplicationImage(Widgets& w, const std::string& resources, SystemLog& log) {
    auto* image = dynamic_cast<Gtk::Image*>(w.builder->get_object("appImage").get());
    if (image == nullptr) {
        return;
    }
    const std::string path = resources + "/h2_n.svg";
    try {
        image->set(Gdk::Pixbuf::create_from_file(path, kAboutImageSize, kAboutImageSize, true));
    } catch (const Glib::Error& error) {
        log.log("Cannot draw " + path + " on the About tab: " + error.what().raw());
    }
}

}  // namespace

GtkSettingWindowFactory::GtkSettingWindowFactory(std::string resourcesDirectory, SystemLog& log)
    : resourcesDirectory_(std::move(resourcesDirectory)), log_(log) {}

std::unique_ptr<InterfaceObjects> GtkSettingWindowFactory::loadWindowNib(
    const std::string& nibName, SettingWindowController& owner) {
    const std::string fileName = nibName + ".ui";
    const auto text = readResource(resourcesDirectory_, fileName, log_);
    if (!text) {
        return nullptr;
    }
    Widgets widgets{Gtk::Builder::create(), {}};
    try {
        widgets.builder->add_from_string(*text);
    } catch (const Glib::Error& error) {
        log_.log("The interface file " + fileName + " is not valid (" + error.what().raw() +
                 "); the preferences window cannot open");
        return nullptr;
    }
    if (const std::string missing = missingObject(widgets); !missing.empty()) {
        log_.log("The interface file " + fileName + " has no usable \"" + missing +
                 "\"; the preferences window cannot open");
        if (auto* window =
                dynamic_cast<Gtk::Window*>(widgets.builder->get_object("window").get())) {
            delete window;
        }
        return nullptr;
    }
    Gtk::Window* window = nullptr;
    widgets.builder->get_widget("window", window);
    showApplicationImage(widgets, resourcesDirectory_, log_);
    const TabSize general = tabSize(SettingTab::General);
    placeCentred(*window, static_cast<int>(general.width), static_cast<int>(general.height));
    return std::make_unique<GtkSettingWindow>(widgets, *window, owner);
}

}  // namespace headroom
