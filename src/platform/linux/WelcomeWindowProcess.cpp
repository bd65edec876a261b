#include "platform/linux/WelcomeWindowProcess.h"

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <utility>

#include "platform/linux/ExecutableFolder.h"

namespace headroom {

WelcomeWindowProcess::WelcomeWindowProcess(std::string program, std::vector<std::string> arguments,
                                           SystemLog& log)
    : program_(std::move(program)), arguments_(std::move(arguments)), log_(log) {}

WelcomeWindowProcess::~WelcomeWindowProcess() {
    closeShown();
    // Nothing calls back into this object any more. A process that has ended is reaped here;
    // one still ending is left to init, as this program is ending too.
    for (const auto& [pid, watch] : watches_) {
        g_source_remove(watch);
        waitpid(pid, nullptr, WNOHANG);
        g_spawn_close_pid(pid);
    }
}

std::string WelcomeWindowProcess::besideExecutable() {
    const std::string folder = executableFolder();
    return (folder.empty() ? std::string(".") : folder) + "/" + kProgramName;
}

void WelcomeWindowProcess::closeShown() {
    if (shown_ != 0) {
        kill(shown_, SIGTERM);
        shown_ = 0;
    }
}

void WelcomeWindowProcess::showWelcomeWindow(const std::string& promoPageURL,
                                             const std::string& subscriptionPage) {
    closeShown();
    std::vector<std::string> argv{program_};
    argv.insert(argv.end(), arguments_.begin(), arguments_.end());
    argv.insert(argv.end(), {"--promo", promoPageURL, "--page", subscriptionPage});
    std::vector<char*> args;
    for (std::string& arg : argv) {
        args.push_back(arg.data());
    }
    args.push_back(nullptr);
    GPid pid = 0;
    GError* error = nullptr;
    if (!g_spawn_async(nullptr, args.data(), nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr,
                       &pid, &error)) {
        log_.log("Cannot show the welcome window: " + program_ + " does not start (" +
                 (error != nullptr ? error->message : "unknown reason") + ")");
        g_clear_error(&error);
        return;
    }
    shown_ = pid;
    watches_.emplace_back(pid, g_child_watch_add(pid, &WelcomeWindowProcess::reaped, this));
}

void WelcomeWindowProcess::reaped(GPid pid, gint /*status*/, gpointer self) {
    auto* process = static_cast<WelcomeWindowProcess*>(self);
    g_spawn_close_pid(pid);
    if (process->shown_ == pid) {
        process->shown_ = 0;
    }
    auto& watches = process->watches_;
    watches.erase(std::remove_if(watches.begin(), watches.end(),
                                 [pid](const auto& entry) { return entry.first == pid; }),
                  watches.end());
}

}  // namespace headroom
