#include "platform/linux/WelcomeWindowProcess.h"

#include <csignal>

#include "platform/linux/ExecutableFolder.h"

namespace headroom {

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
    const std::string folder = executableFolder();
    const std::string program = (folder.empty() ? std::string(".") : folder) + "/headroom-welcome";
    GError* error = nullptr;
    shown_ = g_subprocess_new(G_SUBPROCESS_FLAGS_NONE, &error, program.c_str(), "--config",
                              preferenceFile_.c_str(), "--promo", promoPageURL.c_str(), "--page",
                              subscriptionPage.c_str(), nullptr);
    if (shown_ == nullptr) {
        log_.log("Cannot show the welcome window: " + program + " does not start (" +
                 error->message + ")");
        g_error_free(error);
    }
}

}  // namespace headroom
