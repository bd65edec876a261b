#include "ui/terminal/LinuxPlatform.h"

#include <utility>

#include "app/BuildInfo.h"
#include "platform/linux/ExecutableFolder.h"
#include "platform/linux/GioUrlOpener.h"
#include "platform/linux/NetworkReachability.h"
#include "platform/linux/PixbufBundleResources.h"
#include "platform/linux/ProcWorkspace.h"
#include "platform/linux/SessionBusNotificationCenter.h"

namespace headroom {

namespace {

/// The application without a desktop shell: terminating ends the run loop, and there is no
/// window to bring to the front.
class LoopApplication final : public Application {
  public:
    explicit LoopApplication(GlibRunLoop& loop) : loop_(loop) {}
    void terminate() override {
        terminating_ = true;
        loop_.quit();
    }
    bool isTerminating() const override { return terminating_; }
    void activateIgnoringOtherApps(bool /*flag*/) override {}

  private:
    GlibRunLoop& loop_;
    bool terminating_ = false;
};

/// The windows and the rating flow where there is no display to show them on: asking for one
/// opens nothing and says so in the log.
class NoWindows final : public SettingWindowFactory, public WelcomeWindows, public Feedback {
  public:
    explicit NoWindows(SystemLog& log) : log_(log) {}
    std::unique_ptr<SettingWindow> loadWindow(SettingWindowController& /*owner*/) override {
        log_.log(
            "The preferences window needs a display; the settings are kept in the "
            "preference file (see --config)");
        return nullptr;
    }
    void showWelcomeWindow(const std::string& /*promoPageURL*/,
                           const std::string& /*subscriptionPage*/) override {
        log_.log("The welcome window needs a display");
    }
    void showEnjoymentDialog() override { log_.log("The rating dialog needs a display"); }

  private:
    SystemLog& log_;
};

DeploymentSettings deploymentSettings() {
    DeploymentSettings settings;
    settings.reachabilityHost = "tidewell.example";
    settings.links.twitter = "social.tidewell.example";
    settings.links.website = "tidewell.example";
    settings.links.faq = "support.tidewell.example";
    settings.links.fanPage = "fans.tidewell.example";
    return settings;
}

}  // namespace

struct LinuxPlatform::Adapters {
    Adapters(SystemLog& log, LinuxPlatform::Options options)
        : workspace(options.procfs),
          notifications(log),
          application(runLoop),
          resources(std::move(options.resourcesDirectory)),
          loginItems(XdgAutostartLoginItems::helperBesideExecutable(),
                     std::move(options.autostart)),
          urlOpener(log),
          noWindows(log) {}

    GlibRunLoop runLoop;
    ProcWorkspace workspace;
    SessionBusNotificationCenter notifications;
    TerminalStatusBar statusBar;
    LoopApplication application;
    PixbufBundleResources resources;
    ProcSelfControl processControl;
    XdgAutostartLoginItems loginItems;
    GioUrlOpener urlOpener;
    NetworkReachability reachability;
    NoWindows noWindows;
};

LinuxPlatform::LinuxPlatform(PreferenceStore& preferences, SystemLog& log, HostMemory& hostMemory,
                             Options options)
    : preferences_(preferences),
      log_(log),
      hostMemory_(hostMemory),
      adapters_(std::make_unique<Adapters>(log, std::move(options))) {}

LinuxPlatform::~LinuxPlatform() = default;

Platform LinuxPlatform::platform(const DesktopPorts& desktop) {
    Adapters& a = *adapters_;
    return Platform{
        a.runLoop,
        preferences_,
        hostMemory_,
        log_,
        a.workspace,
        a.notifications,
        desktop.statusBar != nullptr ? *desktop.statusBar : a.statusBar,
        desktop.feedback != nullptr ? *desktop.feedback : a.noWindows,
        desktop.application != nullptr ? *desktop.application : a.application,
        a.resources,
        a.processControl,
        a.loginItems,
        desktop.settingWindows != nullptr ? *desktop.settingWindows : a.noWindows,
        a.urlOpener,
        a.reachability,
        desktop.welcomeWindows != nullptr ? *desktop.welcomeWindows : a.noWindows,
        BundleInfo{build::kApplicationId, build::kName, build::kVersion, build::kBuildNumber,
                   build::kCopyright, executableFolder()},
        deploymentSettings(),
    };
}

GlibRunLoop& LinuxPlatform::runLoop() {
    return adapters_->runLoop;
}

TerminalStatusBar& LinuxPlatform::statusBar() {
    return adapters_->statusBar;
}

ProcSelfControl& LinuxPlatform::processControl() {
    return adapters_->processControl;
}

UrlOpener& LinuxPlatform::urlOpener() {
    return adapters_->urlOpener;
}

}  // namespace headroom
