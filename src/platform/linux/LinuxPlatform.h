#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/linux/FreedesktopNotifier.h"
#include "platform/linux/GioUrlOpener.h"
#include "platform/linux/GlibRunLoop.h"
#include "platform/linux/PixbufBundleResources.h"
#include "platform/linux/ProcSelfControl.h"
#include "platform/linux/ProcWorkspace.h"
#include "platform/linux/SessionBusNotificationCenter.h"
#include "platform/linux/XdgAutostartLoginItems.h"

namespace headroom {

/// The ports a desktop front end brings; null ones are the terminal's.
struct DesktopPorts {
    Feedback* feedback = nullptr;
    Application* application = nullptr;
    SettingWindowFactory* settingWindows = nullptr;
    ThanaksWindows* thanaksWindows = nullptr;
};

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
    void activateIgnoringOtherApps() override {}

  private:
    GlibRunLoop& loop_;
    bool terminating_ = false;
};

/// The windows and the rating flow where there is no display to show them on: asking for one
/// opens nothing and says so in the log.
class NoWindows final : public SettingWindowFactory, public ThanaksWindows, public Feedback {
  public:
    explicit NoWindows(SystemLog& log) : log_(log) {}
    std::unique_ptr<SettingWindow> loadWindow(SettingWindowOwner& /*owner*/) override {
        log_.log(
            "The preferences window needs a display; the settings are kept in the preference "
            "file (see --config)");
        return nullptr;
    }
    void showThanksWindow(const std::string& /*promoPageURL*/,
                          const std::string& /*subscriptionPage*/, HandedBack /*unused*/) override {
        log_.log("The welcome window needs a display");
    }
    void showEnjoymentDialog() override { log_.log("The rating dialog needs a display"); }

  private:
    SystemLog& log_;
};

/// Every Linux adapter of the ports, composed in one place for the program and for what else
/// drives the delegate on this machine (the benchmarks, the measured clean, the tests on real
/// memory). The status bar and the ports that need a display are a front end's to pass in;
/// those a terminal front end leaves out get an application that ends the run loop, and
/// windows and dialogs that say in the log that they need a display. The preferences, the log
/// and the memory readings are the caller's, so that a program can put its own file or a
/// measuring wrapper in front of the real /proc.
struct LinuxPlatform {
    struct Options {
        std::string procfs = "/proc";    ///< where the processes are listed
        std::string resourcesDirectory;  ///< where the clean's image is found
        AutostartFolders autostart{};    ///< where start at login writes
    };

    LinuxPlatform(PreferenceStore& store, SystemLog& systemLog, HostMemory& memory,
                  Options options);
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    /// The ports for a delegate, with the program's own bundle and deployment; valid while this
    /// object and the front end's ports live.
    Platform platform(StatusBar& statusBar, const DesktopPorts& desktop = {});

    PreferenceStore& preferences;
    SystemLog& log;
    HostMemory& hostMemory;
    GlibRunLoop runLoop;
    ProcWorkspace workspace;
    SessionBusNotificationCenter notifications{log};
    FreedesktopNotifier desktopNotifier;
    LoopApplication application{runLoop};
    PixbufBundleResources resources;
    ProcSelfControl processControl;
    XdgAutostartLoginItems loginItems;
    GioUrlOpener urlOpener{log};
    NoWindows noWindows{log};
};

}  // namespace headroom
