#pragma once

#include <gtkmm/checkbutton.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/radiobutton.h>
#include <gtkmm/radiotoolbutton.h>
#include <gtkmm/scale.h>
#include <gtkmm/window.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "preferences/Outlets.h"

namespace headroom {

// The preferences window's outlets over GTK widgets. A value the program sets is never taken
// for the user's: each adapter ignores its widget's signals while it sets the widget itself,
// as the controls of the design send their actions only for the user's gestures.

/// Calls `action` unless the adapter is setting its own widget.
class SignalGuard {
  public:
    template <typename Set>
    void quietly(Set&& set) {
        quiet_ = true;
        std::forward<Set>(set)();
        quiet_ = false;
    }
    bool quiet() const { return quiet_; }

  private:
    bool quiet_ = false;
};

class GtkCheckBoxOutlet final : public CheckBox {
  public:
    GtkCheckBoxOutlet(Gtk::CheckButton& button, std::function<void(CheckBox&)> action);
    /// 1 when active, 0 when not, 2 when inconsistent.
    int state() const override;
    void setState(int state) override;

  private:
    Gtk::CheckButton& button_;
    SignalGuard guard_;
};

/// Radio buttons drawn as one row of joined buttons; segment i is the i-th button.
class GtkSegmentedOutlet final : public SegmentedControl {
  public:
    GtkSegmentedOutlet(std::vector<Gtk::RadioButton*> segments,
                       std::function<void(SegmentedControl&)> action);
    int selectedSegment() const override;
    void setSelectedSegment(int segment) override;

  private:
    std::vector<Gtk::RadioButton*> segments_;
    SignalGuard guard_;
};

class GtkSliderOutlet final : public Slider {
  public:
    GtkSliderOutlet(Gtk::Scale& scale, std::function<void(Slider&)> action);
    /// The position truncated to a whole number.
    std::int32_t intValue() const override;
    void setIntegerValue(std::int64_t value) override;

  private:
    Gtk::Scale& scale_;
    SignalGuard guard_;
};

/// A text that the user does not edit.
class GtkLabelOutlet final : public TextField {
  public:
    explicit GtkLabelOutlet(Gtk::Label& label) : label_(label) {}
    std::string stringValue() const override { return label_.get_text(); }
    void setStringValue(const std::string& text) override { label_.set_text(text); }
    int tag() const override { return 0; }

  private:
    Gtk::Label& label_;
};

/// An editable field. Each edit the user makes goes to `changed` once, with the text the edit
/// left: GTK tells of typing over a selection, and of a paste over one, as two changes (the
/// selection deleted, then the text inserted), so the changes of one edit are gathered and
/// told when the edit is over. The editing session that the first edit opens ends when the
/// field loses the window's focus, when Enter is pressed, or when the window closes, and then
/// goes to `ended` once.
class GtkEntryOutlet final : public TextField {
  public:
    GtkEntryOutlet(Gtk::Entry& entry, int tag, std::function<void(TextField&)> changed,
                   std::function<void(TextField&)> ended);
    ~GtkEntryOutlet() override;
    GtkEntryOutlet(const GtkEntryOutlet&) = delete;
    GtkEntryOutlet& operator=(const GtkEntryOutlet&) = delete;

    std::string stringValue() const override { return entry_.get_text(); }
    /// Rewrites the text unless it is already the same. The caret goes to its end; when the
    /// text replaces an emptied field it is selected, so that what the user types next
    /// replaces it.
    void setStringValue(const std::string& text) override;
    int tag() const override { return tag_; }

    void endEditing();
    Gtk::Entry& widget() { return entry_; }

  private:
    void tellChange();

    Gtk::Entry& entry_;
    int tag_;
    std::function<void(TextField&)> changed_;
    std::function<void(TextField&)> ended_;
    bool edited_ = false;
    sigc::connection pendingChange_;
    SignalGuard guard_;
};

class GtkPaneOutlet final : public View {
  public:
    explicit GtkPaneOutlet(Gtk::Widget& pane) : pane_(pane) {}
    bool isHidden() const override { return !pane_.get_visible(); }
    void setHidden(bool hidden) override { pane_.set_visible(!hidden); }

  private:
    Gtk::Widget& pane_;
};

/// A toolbar of radio items, one per tab, known by their identifiers.
class GtkToolbarOutlet final : public Toolbar {
  public:
    using Item = std::pair<std::string, Gtk::RadioToolButton*>;
    GtkToolbarOutlet(std::vector<Item> items, std::function<void(const std::string&)> action);
    void setSelectedItemIdentifier(const std::string& identifier) override;
    std::string selectedItemIdentifier() const override;

  private:
    std::vector<Item> items_;
    SignalGuard guard_;
};

/// The window. Frames are in the root window's pixels with the vertical axis turned upward, as
/// the controller counts them; a frame is the whole window, the decorations a window manager
/// adds (title bar, borders) included. The window's own area, the frame less those, is given to
/// `content`, which fills the window: the window is not resizable, so it takes its content's
/// size. A window manager decorates a window only once it is mapped, so the last frame asked
/// for is applied again whenever the decorations change. On X11 the window is also moved, so
/// that its top edge stays where the controller puts it; where the window system does not let
/// a window place itself (Wayland) it is only resized.
class GtkWindowOutlet final : public PreferencesWindow {
  public:
    GtkWindowOutlet(Gtk::Window& window, Gtk::Widget& content, std::vector<GtkEntryOutlet*> fields);
    WindowFrame frame() const override;
    void setFrame(const WindowFrame& frame, bool display, bool animate) override;
    void setCollectionBehavior(unsigned behavior) override;
    void makeKeyAndOrderFront() override;
    void makeFirstResponder(TextField* responder) override;

  private:
    /// The width and height the window manager's decorations add to the window's own area.
    struct Decorations {
        int width = 0;
        int height = 0;
        friend bool operator==(const Decorations&, const Decorations&) = default;
    };
    Decorations decorations() const;
    bool canMove() const;
    int rootHeight() const;

    Gtk::Window& window_;
    Gtk::Widget& content_;
    std::vector<GtkEntryOutlet*> fields_;
    std::optional<WindowFrame> asked_;
    Decorations appliedWith_;
};

}  // namespace headroom
