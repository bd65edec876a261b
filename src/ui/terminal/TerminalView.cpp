#include "ui/terminal/TerminalView.h"

#include <glib-unix.h>
#include <glib.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "platform/linux/TerminalText.h"
#include "ui/terminal/TerminalRender.h"

namespace headroom {

namespace {

termios savedTerminal{};

gboolean onStdin(gint fd, GIOCondition condition, gpointer data) {
    return static_cast<TerminalView*>(data)->readKeys(fd, (condition & G_IO_IN) != 0)
               ? G_SOURCE_CONTINUE
               : G_SOURCE_REMOVE;
}

gboolean onSignal(gpointer data) {
    (*static_cast<std::function<void()>*>(data))();
    return G_SOURCE_CONTINUE;
}

}  // namespace

TerminalView::TerminalView(AppDelegate& delegate, TerminalStatusItem& item, RunLoop& runLoop,
                           std::function<void()> quit)
    : delegate_(delegate), item_(item), runLoop_(runLoop), quit_(std::move(quit)) {}

TerminalView::~TerminalView() {
    stop();
}

void TerminalView::start() {
    colour_ = ::isatty(STDOUT_FILENO) == 1;
    if (::isatty(STDIN_FILENO) == 1 && ::tcgetattr(STDIN_FILENO, &savedTerminal) == 0) {
        // Keys without Enter and without echo; signals (Ctrl-C) still work.
        termios raw = savedTerminal;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        rawMode_ = ::tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    stdinWatch_ = g_unix_fd_add(
        STDIN_FILENO, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), onStdin, this);
    // Ctrl-C and a closed terminal end the view like the quit key, so the terminal is restored.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        signalWatches_.push_back(g_unix_signal_add(signal, onSignal, &quit_));
    }
    item_.onChange = [this] { scheduleDraw(); };
    draw();
}

void TerminalView::stop() {
    item_.onChange = nullptr;
    for (const unsigned watch : signalWatches_) {
        g_source_remove(watch);
    }
    signalWatches_.clear();
    if (stdinWatch_ != 0) {
        g_source_remove(stdinWatch_);
        stdinWatch_ = 0;
    }
    if (rawMode_) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        rawMode_ = false;
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
        handleKey(buffer[i]);
    }
    return true;
}

bool TerminalView::handleKey(char key) {
    switch (key) {
        case 'q':
        case 'Q':
            delegate_.quitPressed();
            return true;
        case 'c':
        case 'C':
            // The same command as the menu's first row, queued as a menu click is, so that the
            // keys that follow are read while it runs; refused while a clean runs.
            runLoop_.dispatchToMainQueue([this] { delegate_.cleaner.performCleanOperation(); });
            return true;
        case 'p':
        case 'P':
            delegate_.setIsPercentage(!delegate_.isPercentage);
            return true;
        default:
            return false;
    }
}

void TerminalView::scheduleDraw() {
    // A refresh changes the title and several rows; draw once, after all of them.
    if (drawPending_) {
        return;
    }
    drawPending_ = true;
    runLoop_.dispatchToMainQueue([this] {
        drawPending_ = false;
        draw();
    });
}

void TerminalView::draw() {
    StatusSnapshot snapshot{item_.title(), item_.image(), item_.menu().get()};
    std::string frame;
    if (colour_) {
        frame += "\x1b[H\x1b[2J";
    }
    std::string body = renderPlain(snapshot);
    if (colour_ && snapshot.title.attributes.foregroundColor == TitleColor::Red) {
        // Low memory stands out in red, as in the tray.
        const auto end = body.find('\n');
        body = "\x1b[31m" + body.substr(0, end) + "\x1b[0m" + body.substr(end);
    }
    frame += body;
    if (const auto& failure = delegate_.monitor.statisticsFailure()) {
        // The figures above are the last ones that could be read: say so, and why.
        frame += "\nStale: memory figures not updated";
        frame += failure->empty() ? std::string() : " (" + escapeControlCharacters(*failure) + ")";
        frame += '\n';
    }
    frame += "\nKeys: c Extreme Clean, p percentage/amounts, q quit\n";
    std::fwrite(frame.data(), 1, frame.size(), stdout);
    std::fflush(stdout);
}

}  // namespace headroom
