#pragma once

#include <string>

#include "monitor/MemoryMonitor.h"
#include "platform/Application.h"
#include "platform/RunLoop.h"
#include "ui/terminal/TerminalStatusBar.h"

namespace headroom {

/// The feed of `--watch` for status bars: after a refresh that changed it, one line on standard
/// output, the status title's text (i3blocks, polybar) or, with `json`, one object as waybar's
/// custom modules read it: {"text":title,"tooltip":the breakdown rows, one a line,
/// "class":"low"|"normal","percentage":used share 0–100}; "low" is the title's red. The
/// application ends when the output is closed (the bar went away).
class WatchView {
  public:
    WatchView(TerminalStatusItem& item, RunLoop& runLoop, const MemoryMonitor& monitor,
              Application& application, bool json);
    ~WatchView();
    WatchView(const WatchView&) = delete;
    WatchView& operator=(const WatchView&) = delete;

  private:
    std::string line() const;
    void write();

    TerminalStatusItem& item_;
    RunLoop& runLoop_;
    const MemoryMonitor& monitor_;
    Application& application_;
    bool json_;
    bool writePending_ = false;
    unsigned closedWatch_ = 0;
    std::string lastLine_;
};

}  // namespace headroom
