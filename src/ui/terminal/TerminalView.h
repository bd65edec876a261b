#pragma once

#include <string>

#include "cleaner/Cleaner.h"
#include "monitor/MemoryMonitor.h"
#include "platform/Application.h"
#include "preferences/PreferenceModel.h"
#include "ui/terminal/TerminalStatusBar.h"

namespace headroom {

/// The live terminal view: the status title and the menu, redrawn after a refresh that changed
/// what it shows, with keys for the commands that make sense without a desktop. While it lives
/// it holds the keyboard, when standard input is a terminal.
class TerminalView {
  public:
    TerminalView(TerminalStatusItem& item, RunLoop& runLoop, PreferenceModel& settings,
                 Cleaner& cleaner, const MemoryMonitor& monitor, Application& application);
    ~TerminalView();
    TerminalView(const TerminalView&) = delete;
    TerminalView& operator=(const TerminalView&) = delete;

  private:
    bool readKeys(int fd, bool readable);
    void draw();

    TerminalStatusItem& item_;
    RunLoop& runLoop_;
    PreferenceModel& settings_;
    Cleaner& cleaner_;
    const MemoryMonitor& monitor_;
    Application& application_;
    unsigned stdinWatch_ = 0;
    bool drawPending_ = false;
    bool rawMode_ = false;
    bool colour_ = false;
    std::string lastFrame_;
};

}  // namespace headroom
