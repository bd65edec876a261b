#pragma once

#include <glib.h>

#include <string>
#include <vector>

#include "platform/SystemLog.h"
#include "platform/WelcomeWindows.h"

namespace headroom {

/// The welcome window as a program of its own (`headroom-welcome`, installed beside
/// `headroom`), so that the web engine it holds is never loaded into the tray: each show
/// starts the program, after ending the one shown before (SIGTERM), and the program ends when
/// its window closes. The window still open when this object goes is closed too. Processes
/// are reaped from the default main context.
class WelcomeWindowProcess final : public WelcomeWindows {
  public:
    static constexpr const char* kProgramName = "headroom-welcome";

    /// `program` is the executable; `arguments` go to it before the pages (the preference
    /// file, so that the window's check box writes where the tray reads).
    WelcomeWindowProcess(std::string program, std::vector<std::string> arguments, SystemLog& log);
    ~WelcomeWindowProcess() override;
    WelcomeWindowProcess(const WelcomeWindowProcess&) = delete;
    WelcomeWindowProcess& operator=(const WelcomeWindowProcess&) = delete;

    /// `headroom-welcome` in the running program's own folder.
    static std::string besideExecutable();

    /// Starts `program --promo URL --page PAGE` after the arguments; a program that cannot be
    /// started is said in the log.
    void showWelcomeWindow(const std::string& promoPageURL,
                           const std::string& subscriptionPage) override;

    /// The process of the window shown last, while it runs; 0 otherwise.
    GPid runningProcess() const { return shown_; }

  private:
    static void reaped(GPid pid, gint status, gpointer self);
    void closeShown();

    std::string program_;
    std::vector<std::string> arguments_;
    SystemLog& log_;
    GPid shown_ = 0;
    /// Child watches of the processes not reaped yet, by process.
    std::vector<std::pair<GPid, guint>> watches_;
};

}  // namespace headroom
