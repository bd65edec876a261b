#pragma once

#include <functional>
#include <vector>

#include "app/AppDelegate.h"
#include "ui/terminal/TerminalStatusBar.h"

namespace headroom {

/// The live terminal view: the status title and the menu, redrawn after every refresh, with
/// keys for the commands that make sense without a desktop.
class TerminalView {
  public:
    /// `runLoop` turns the loop until `quit` is called.
    TerminalView(AppDelegate& delegate, TerminalStatusItem& item, RunLoop& runLoop,
                 std::function<void()> quit);
    ~TerminalView();
    TerminalView(const TerminalView&) = delete;
    TerminalView& operator=(const TerminalView&) = delete;

    /// Takes the keyboard (when standard input is a terminal) and draws the first frame.
    void start();
    /// Gives the keyboard back; safe to call more than once.
    void stop();

    /// Reads what standard input holds and handles each key; false once input has ended.
    bool readKeys(int fd, bool readable);

    /// Handles one key press; returns false for keys that do nothing.
    bool handleKey(char key);

  private:
    void scheduleDraw();
    void draw();

    AppDelegate& delegate_;
    TerminalStatusItem& item_;
    RunLoop& runLoop_;
    std::function<void()> quit_;
    unsigned stdinWatch_ = 0;
    std::vector<unsigned> signalWatches_;
    bool drawPending_ = false;
    bool rawMode_ = false;
    bool colour_ = false;
};

}  // namespace headroom
