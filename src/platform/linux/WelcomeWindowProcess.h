#pragma once

#include <gio/gio.h>

#include <string>
#include <utility>

#include "platform/SystemLog.h"
#include "platform/WelcomeWindows.h"

namespace headroom {

/// The welcome window as a program of its own (`headroom-welcome`, installed beside
/// `headroom`), so that the web engine it holds is never loaded into the tray: each show
/// starts the program, after ending the one shown before (SIGTERM), and the program ends when
/// its window closes. The window still open when this object goes is closed too. GIO reaps the
/// programs that end.
class WelcomeWindowProcess final : public WelcomeWindows {
  public:
    /// `preferenceFile` goes to the program, so that the window's check box writes where the
    /// tray reads.
    WelcomeWindowProcess(std::string preferenceFile, SystemLog& log)
        : preferenceFile_(std::move(preferenceFile)), log_(log) {}
    ~WelcomeWindowProcess() override { closeShown(); }
    WelcomeWindowProcess(const WelcomeWindowProcess&) = delete;
    WelcomeWindowProcess& operator=(const WelcomeWindowProcess&) = delete;

    /// Starts `headroom-welcome --config FILE --promo URL --page PAGE` from this program's own
    /// folder; a program that cannot be started is said in the log.
    void showWelcomeWindow(const std::string& promoPageURL,
                           const std::string& subscriptionPage) override;

  private:
    void closeShown();

    std::string preferenceFile_;
    SystemLog& log_;
    /// The program of the window shown last (it may have ended since).
    GSubprocess* shown_ = nullptr;
};

}  // namespace headroom
