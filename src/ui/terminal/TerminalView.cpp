#include "ui/terminal/TerminalView.h"

#include <glib-unix.h>
#include <glib.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <utility>

#include "ui/terminal/TerminalRender.h"
#include "ui/terminal/TerminalText.h"

namespace headroom {

namespace {

termios savedTerminal{};

}  // namespace

TerminalView::TerminalView(TerminalStatusItem& item, RunLoop& runLoop, PreferenceModel& settings,
                           Cleaner& cleaner, const MemoryMonitor& monitor, Application& application)
    : item_(item),
      runLoop_(runLoop),
      settings_(settings),
      cleaner_(cleaner),
      monitor_(monitor),
      application_(application) {
    colour_ = ::isatty(STDOUT_FILENO) == 1;
    if (::isatty(STDIN_FILENO) == 1 && ::tcgetattr(STDIN_FILENO, &savedTerminal) == 0) {
        // Keys without Enter and without echo; signals (Ctrl-C) still work.
        termios raw = savedTerminal;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        rawMode_ = ::tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    auto onStdin = +[](gint fd, GIOCondition condition, gpointer self) -> gboolean {
        return static_cast<TerminalView*>(self)->readKeys(fd, (condition & G_IO_IN) != 0)
                   ? G_SOURCE_CONTINUE
                   : G_SOURCE_REMOVE;
    };
    stdinWatch_ = g_unix_fd_add(
        STDIN_FILENO, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), onStdin, this);
    item_.onChange = [this] {
        // A refresh changes the title and several rows; draw once, after all of them.
        if (!std::exchange(drawPending_, true)) {
            runLoop_.dispatchToMainQueue([this] {
                drawPending_ = false;
                draw();
            });
        }
    };
    draw();
}

TerminalView::~TerminalView() {
    item_.onChange = nullptr;
    if (stdinWatch_ != 0) {
        g_source_remove(stdinWatch_);
    }
    if (rawMode_) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    }
}

bool TerminalView::readKeys(int fd, bool readable) {
    char buffer[64];
    const ssize_t count = readable ? ::read(fd, buffer, sizeof buffer) : 0;
    if (count <= 0) {
        // End of input: the view goes on, it just hears no more keys.
        stdinWatch_ = 0;
        return false;
    }
    for (ssize_t i = 0; i < count; ++i) {
        switch (std::tolower(static_cast<unsigned char>(buffer[i]))) {
            case 'q':
                application_.terminate();  // as the menu's Quit
                break;
            case 'c':
                // The same command as the menu's first row, queued as a menu click is, so that
                // the keys that follow are read while it runs; refused while a clean runs.
                runLoop_.dispatchToMainQueue([this] { cleaner_.performCleanOperation(); });
                break;
            case 'p':
                // As the preferences window's control: stored, and the view refreshed.
                settings_.setIsPercentage(!settings_.isPercentage);
                break;
            default:
                break;
        }
    }
    return true;
}

void TerminalView::draw() {
    std::string frame;
    if (colour_) {
        frame += "\x1b[H\x1b[2J";
    }
    std::string body = renderPlain(item_);
    if (colour_ && item_.title().attributes.foregroundColor == TitleColor::Red) {
        // Low memory stands out in red, as in the tray.
        const auto end = body.find('\n');
        body = "\x1b[31m" + body.substr(0, end) + "\x1b[0m" + body.substr(end);
    }
    frame += body;
    if (const auto& failure = monitor_.statisticsFailure()) {
        // The figures above are the last ones that could be read: say so, and why.
        frame += "\nStale: memory figures not updated";
        frame += failure->empty() ? std::string() : " (" + escapeControlCharacters(*failure) + ")";
        frame += '\n';
    }
    frame += "\nKeys: c Extreme Clean, p percentage/amounts, q quit\n";
    // A refresh that changed nothing shown writes nothing: the terminal has no work either.
    if (frame == lastFrame_) {
        return;
    }
    lastFrame_ = frame;
    std::fwrite(frame.data(), 1, frame.size(), stdout);
    std::fflush(stdout);
}

}  // namespace headroom
