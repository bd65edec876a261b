// Wires one platform and one front end together.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/BuildInfo.h"
#include "platform/linux/GlibRunLoop.h"
#include "platform/linux/KeyFilePreferenceStore.h"
#include "platform/linux/ProcHostMemory.h"
#include "platform/linux/ProcWorkspace.h"
#include "platform/linux/SessionBusNotificationCenter.h"
#include "platform/linux/SysLog.h"
#include "ui/terminal/CommandLine.h"
#include "ui/terminal/QuietFeedback.h"
#include "ui/terminal/TerminalRender.h"
#include "ui/terminal/TerminalStatusBar.h"
#include "ui/terminal/TerminalView.h"

namespace {

using namespace headroom;

constexpr int kBadInput = 2;

int fail(const std::string& line) {
    std::fprintf(stderr, "headroom: %s\n", line.c_str());
    return kBadInput;
}

/// Ends the run loop when the application is asked to terminate.
class LoopApplication : public Application {
  public:
    explicit LoopApplication(GlibRunLoop& loop) : loop_(loop) {}
    void terminate() override { loop_.quit(); }
    void activateIgnoringOtherApps(bool /*flag*/) override {}

  private:
    GlibRunLoop& loop_;
};

bool hasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

DeploymentSettings deploymentSettings() {
    DeploymentSettings settings;
    settings.feedbackApiKey = "5f2c8e1a9b3d4c6e7f8091a2b3c4d5e6f708192a3b4c5d6e7f8091a2b3c4d5e6";
    settings.storeIdentifier = "100000001";
    settings.reachabilityHost = "example.org";
    return settings;
}

/// Opens the preference file. A corrupt file named on the command line is refused; the
/// default one is copied aside first so that the defaults written next lose nothing.
std::unique_ptr<KeyFilePreferenceStore> openPreferences(const CommandLine& line, SystemLog& log,
                                                        std::string& error) {
    const bool named = line.config.has_value();
    const std::string path = named ? *line.config : KeyFilePreferenceStore::defaultPath();
    auto store = std::make_unique<KeyFilePreferenceStore>(path, log);
    std::string message;
    switch (store->load(message)) {
        case KeyFilePreferenceStore::LoadStatus::Loaded:
        case KeyFilePreferenceStore::LoadStatus::Missing:
            return store;
        case KeyFilePreferenceStore::LoadStatus::Unreadable:
            error = "cannot read the preference file " + path + ": " + message;
            return nullptr;
        case KeyFilePreferenceStore::LoadStatus::Corrupt:
            break;
    }
    if (named) {
        error = "the preference file " + path + " is not valid: " + message;
        return nullptr;
    }
    std::string backup;
    if (!store->backUpCorruptFile(backup)) {
        error = "the preference file " + path + " is not valid (" + message +
                ") and could not be copied aside: " + backup;
        return nullptr;
    }
    log.log("The preference file " + path + " was not valid (" + message + "); kept it as " +
            backup + " and started from the defaults");
    return store;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto line = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!line) {
        return fail(error);
    }
    if (line->mode == CommandLine::Mode::Help) {
        std::fputs(usageText("headroom").c_str(), stdout);
        return 0;
    }
    if (line->mode == CommandLine::Mode::Version) {
        std::printf("%s %s (%s)\n", build::kName, build::kVersion, build::kBuildNumber);
        return 0;
    }
    if (auto problem = ProcHostMemory::checkProcfs(line->procfs)) {
        return fail(*problem);
    }

    const bool terminalMode = line->mode != CommandLine::Mode::Default || !hasDisplay();
    SysLog log(terminalMode);
    auto preferences = openPreferences(*line, log, error);
    if (!preferences) {
        return fail(error);
    }

    GlibRunLoop runLoop;
    ProcHostMemory hostMemory(line->procfs);
    ProcWorkspace workspace(line->procfs);
    SessionBusNotificationCenter notificationCenter(log);
    TerminalStatusBar statusBar;
    QuietFeedback feedback;
    LoopApplication application(runLoop);

    BundleInfo bundle{build::kApplicationId, build::kName,      build::kVersion,
                      build::kBuildNumber,   build::kCopyright, ""};
    AppDelegate delegate(Platform{runLoop, *preferences, hostMemory, log, workspace,
                                  notificationCenter, statusBar, feedback, application, bundle,
                                  deploymentSettings()});

    if (line->mode == CommandLine::Mode::Default) {
        std::fputs(hasDisplay() ? "headroom: the tray is not available in this build; showing the "
                                  "terminal view\n"
                                : "headroom: no display found; showing the terminal view\n",
                   stderr);
    }

    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching();

    if (line->mode == CommandLine::Mode::Print) {
        delegate.updateMemoryDisplay();
        TerminalStatusItem& item = *statusBar.item();
        const StatusSnapshot snapshot{item.title(), item.image(), item.menu().get()};
        const std::string out = line->json ? renderJson(snapshot) + "\n" : renderPlain(snapshot);
        std::fputs(out.c_str(), stdout);
        return 0;
    }

    TerminalView view(delegate, *statusBar.item(), runLoop, [&runLoop] { runLoop.quit(); });
    view.start();
    runLoop.run();
    view.stop();
    delegate.applicationWillTerminate();
    return 0;
}
