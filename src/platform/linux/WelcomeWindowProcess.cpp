#include "platform/linux/WelcomeWindowProcess.h"

#include <csignal>

#include "platform/linux/ExecutableFolder.h"

namespace headroom {

std::string WelcomeWindowProcess::besideExecutable() {
    const std::string folder = executableFolder();
    return (folder.empty() ? std::string(".") : folder) + "/" + kProgramName;
}

void WelcomeWindowProcess::closeShown() {
    if (shown_ != nullptr) {
        // Nothing happens to a program that has ended already.
        g_subprocess_send_signal(shown_, SIGTERM);
        g_clear_object(&shown_);
    }
}

void WelcomeWindowProcess::showWelcomeWindow(const std::string& promoPageURL,
                                             const std::string& subscriptionPage) {
    closeShown();
    std::vector<std::string> argv{program_};
    argv.insert(argv.end(), arguments_.begin(), arguments_.end());
    argv.insert(argv.end(), {"--promo", promoPageURL, "--page", subscriptionPage});
    std::vector<const gchar*> args;
    for (const std::string& arg : argv) {
        args.push_back(arg.c_str());
    }
    args.push_back(nullptr);
    GError* error = nullptr;
    shown_ = g_subprocess_newv(args.data(), G_SUBPROCESS_FLAGS_NONE, &error);
    if (shown_ == nullptr) {
        log_.log("Cannot show the welcome window: " + program_ + " does not start (" +
                 error->message + ")");
        g_error_free(error);
    }
}

}  // namespace headroom
