#include "ui/terminal/WatchView.h"

#include <glib-unix.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <utility>

#include "ui/terminal/TerminalRender.h"
#include "ui/terminal/TerminalText.h"

namespace headroom {

WatchView::WatchView(TerminalStatusItem& item, RunLoop& runLoop, const MemoryMonitor& monitor,
                     Application& application, bool json)
    : item_(item), runLoop_(runLoop), monitor_(monitor), application_(application), json_(json) {
    // A closed pipe is a write that fails with EPIPE, not a signal that ends the process.
    std::signal(SIGPIPE, SIG_IGN);
    // A bar that goes away closes the pipe's other end, which poll reports at once: no need to
    // wait for the next change to notice.
    closedWatch_ = g_unix_fd_add(
        STDOUT_FILENO, static_cast<GIOCondition>(G_IO_ERR | G_IO_HUP),
        +[](gint, GIOCondition, gpointer self) {
            auto* view = static_cast<WatchView*>(self);
            view->closedWatch_ = 0;
            view->application_.terminate();
            return gboolean{G_SOURCE_REMOVE};
        },
        this);
    item_.onChange = [this] {
        // A refresh changes the title and several rows: one line after all of them.
        if (!std::exchange(writePending_, true)) {
            runLoop_.dispatchToMainQueue([this] {
                writePending_ = false;
                write();
            });
        }
    };
    write();
}

WatchView::~WatchView() {
    item_.onChange = nullptr;
    if (closedWatch_ != 0) {
        g_source_remove(closedWatch_);
    }
}

std::string WatchView::line() const {
    const auto& title = item_.title();
    if (!json_) {
        return escapeControlCharacters(title.text) + '\n';
    }
    // The breakdown: the rows between the first two separators, without their indent.
    std::string tooltip;
    int separators = 0;
    for (const MenuRow& row : item_.rows()) {
        separators += row.separator ? 1 : 0;
        if (!row.separator && separators == 1) {
            if (!tooltip.empty()) {
                tooltip += '\n';
            }
            tooltip.append(row.title, std::min(row.title.find_first_not_of(' '), row.title.size()));
        }
    }
    const auto& details = monitor_.memoryDetails();
    const double total = monitor_.totalMemory();
    const long used = details && total > 0.0
                          ? std::lround(std::clamp(details->used / total, 0.0, 1.0) * 100.0)
                          : 0;
    const bool low = title.attributes.foregroundColor == TitleColor::Red;
    return "{\"text\":" + jsonString(title.text) + ",\"tooltip\":" + jsonString(tooltip) +
           ",\"class\":\"" + (low ? "low" : "normal") +
           "\",\"percentage\":" + std::to_string(used) + "}\n";
}

void WatchView::write() {
    std::string text = line();
    if (text == lastLine_) {
        return;
    }
    // One write a line, so that a bar never reads half of one.
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            application_.terminate();  // the output is closed or broken: nobody reads on
            return;
        }
        done += static_cast<std::size_t>(count);
    }
    lastLine_ = std::move(text);
}

}  // namespace headroom
