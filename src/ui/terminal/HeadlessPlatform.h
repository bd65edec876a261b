#pragma once

#include <string>

#include "platform/Platform.h"
#include "platform/linux/GioUrlOpener.h"
#include "platform/linux/GlibRunLoop.h"
#include "platform/linux/NetworkReachability.h"
#include "platform/linux/PixbufBundleResources.h"
#include "platform/linux/ProcSelfControl.h"
#include "platform/linux/ProcWorkspace.h"
#include "platform/linux/SessionBusNotificationCenter.h"
#include "platform/linux/XdgAutostartLoginItems.h"
#include "ui/terminal/LoopApplication.h"
#include "ui/terminal/NoSettingWindows.h"
#include "ui/terminal/NoWelcomeWindows.h"
#include "ui/terminal/QuietFeedback.h"
#include "ui/terminal/TerminalStatusBar.h"

namespace headroom {

/// Every real Linux adapter, with the terminal's stand-ins where a window or dialog would need
/// a display: what programs that drive the delegate on this machine without a tray run on (the
/// benchmarks, the measured clean, the tests on real memory). The preferences, the log and the
/// memory readings are the caller's, so that a program can put its own file or a measuring
/// wrapper in front of the real /proc.
class HeadlessPlatform {
  public:
    struct Options {
        std::string procfs = "/proc";    ///< where the processes are listed
        std::string resourcesDirectory;  ///< where the clean's image is found
        AutostartFolders autostart{};    ///< where start at login writes
    };

    HeadlessPlatform(PreferenceStore& preferences, SystemLog& log, HostMemory& hostMemory,
                     Options options);
    HeadlessPlatform(const HeadlessPlatform&) = delete;
    HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

    /// The ports for a delegate; valid while this object lives.
    Platform platform(BundleInfo bundle = {}, DeploymentSettings deployment = {});

    GlibRunLoop& runLoop() { return runLoop_; }
    TerminalStatusBar& statusBar() { return statusBar_; }
    ProcSelfControl& processControl() { return processControl_; }

  private:
    PreferenceStore& preferences_;
    SystemLog& log_;
    HostMemory& hostMemory_;
    GlibRunLoop runLoop_;
    ProcWorkspace workspace_;
    SessionBusNotificationCenter notifications_;
    TerminalStatusBar statusBar_;
    QuietFeedback feedback_;
    LoopApplication application_;
    PixbufBundleResources resources_;
    ProcSelfControl processControl_;
    XdgAutostartLoginItems loginItems_;
    NoSettingWindowFactory settingWindows_;
    GioUrlOpener urlOpener_;
    NetworkReachability reachability_;
    NoWelcomeWindows welcomeWindows_;
};

}  // namespace headroom
