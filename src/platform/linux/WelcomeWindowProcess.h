#pragma once

#include <gio/gio.h>

#include <memory>
#include <string>
#include <vector>

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
    static constexpr const char* kProgramName = "headroom-welcome";

    /// `program` is the executable; `arguments` go to it before the pages (the preference
    /// file, so that the window's check box writes where the tray reads).
    WelcomeWindowProcess(std::string program, std::vector<std::string> arguments, SystemLog& log)
        : program_(std::move(program)), arguments_(std::move(arguments)), log_(log) {}
    ~WelcomeWindowProcess() override { closeShown(); }
    WelcomeWindowProcess(const WelcomeWindowProcess&) = delete;
    WelcomeWindowProcess& operator=(const WelcomeWindowProcess&) = delete;

    /// `headroom-welcome` in the running program's own folder.
    static std::string besideExecutable();

    /// Starts `program --promo URL --page PAGE` after the arguments; a program that cannot be
    /// started is said in the log.
    void showWelcomeWindow(const std::string& promoPageURL,
                           const std::string& subscriptionPage) override;

  private:
    void closeShown();

    std::string program_;
    std::vector<std::string> arguments_;
    SystemLog& log_;
    /// The program of the window shown last (it may have ended since).
    GSubprocess* shown_ = nullptr;
};

}  // namespace headroom
