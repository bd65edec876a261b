#pragma once

#include <functional>
#include <string>

#include "platform/Application.h"

typedef struct _GtkApplication GtkApplication;

namespace headroom {

/// The program as a desktop application: one GtkApplication per session bus, held alive
/// without windows until asked to terminate.
class TrayApplication final : public Application {
  public:
    /// Initialises GTK (gtk_init_check) on the default display, with the program known by
    /// `applicationId` (its prgname, X11 WM_CLASS and Wayland app_id, which the desktop entry's
    /// StartupWMClass repeats, so that the desktop links its windows to the entry). False when
    /// there is no display to open; GTK must not be used then.
    static bool openDisplay(const std::string& applicationId);

    /// Needs openDisplay() to have succeeded.
    explicit TrayApplication(const std::string& applicationId);
    ~TrayApplication() override;
    TrayApplication(const TrayApplication&) = delete;
    TrayApplication& operator=(const TrayApplication&) = delete;

    /// Registers on the session bus. True when another process already holds the id: that one
    /// keeps the tray (it is told of this launch) and this one should end, quietly. A failure to
    /// register is reported in `problem` and counts as not running elsewhere.
    bool isAlreadyRunning(std::string& problem);

    /// `lost` is called with the display's name when the connection to the X server breaks (the
    /// server ended or was killed), and the process then ends with status 1: the connection
    /// cannot be made again. GDK alone would end it at once, saying nothing to the log and
    /// leaving what the program keeps on disk. Nothing is set up on other displays.
    void whenDisplayLost(std::function<void(const std::string& display)> lost);

    /// Runs the application's loop until terminate(); `launch` runs once, as it starts.
    /// Returns the exit status.
    int run(std::function<void()> launch);

    /// Quits once the current callback returns, after the session bus has sent what it holds
    /// (the reply to the menu click that asked for it among them).
    void terminate() override;
    bool isTerminating() const override { return terminating_; }
    void activateIgnoringOtherApps() override;

  private:
    GtkApplication* application_;
    std::function<void(const std::string&)> displayLost_;
    bool terminating_ = false;
};

}  // namespace headroom
