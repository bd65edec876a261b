#pragma once

#include <gio/gio.h>

#include <string>

#include "platform/SystemLog.h"
#include "platform/ThanaksWindows.h"

namespace headroom {

/// The welcome window as a program of its own (`headroom-welcome`, installed beside
/// `headroom`), so that the web engine it holds is never loaded into the tray: each show
/// starts the program, after ending the one shown before (SIGTERM), and the program ends when
/// its window closes. The lines it writes on its standard output are what it hands back; they
/// are read to its end, also after a newer window was shown. The window still open when this
/// object goes is closed too, and nothing more is read. GIO reaps the programs that end.
class ThanaksWindowProcess final : public ThanaksWindows {
  public:
    explicit ThanaksWindowProcess(SystemLog& log) : log_(log) {}
    ~ThanaksWindowProcess() override;
    ThanaksWindowProcess(const ThanaksWindowProcess&) = delete;
    ThanaksWindowProcess& operator=(const ThanaksWindowProcess&) = delete;

    /// Starts `headroom-welcome --promo URL --page PAGE` from this program's own folder; a
    /// program that cannot be started is said in the log.
    void showThanksWindow(const std::string& promoPageURL, const std::string& subscriptionPage,
                          HandedBack handedBack) override;

  private:
    void closeShown();

    SystemLog& log_;
    /// The program of the window shown last (it may have ended since).
    GSubprocess* shown_ = nullptr;
    /// Stops every reading when this object goes.
    GCancellable* cancellable_ = g_cancellable_new();
};

}  // namespace headroom
