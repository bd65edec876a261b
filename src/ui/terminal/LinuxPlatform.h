#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/linux/GlibRunLoop.h"
#include "platform/linux/ProcSelfControl.h"
#include "platform/linux/XdgAutostartLoginItems.h"
#include "ui/terminal/TerminalStatusBar.h"

namespace headroom {

/// The ports a desktop front end brings; null ones are the terminal's.
struct DesktopPorts {
    StatusBar* statusBar = nullptr;
    Feedback* feedback = nullptr;
    Application* application = nullptr;
    SettingWindowFactory* settingWindows = nullptr;
    WelcomeWindows* welcomeWindows = nullptr;
};

/// Every Linux adapter of the ports, composed in one place for the program and for what else
/// drives the delegate on this machine (the benchmarks, the measured clean, the tests on real
/// memory). The ports that need a display are a desktop front end's to pass in; those it
/// leaves out get the terminal's: its status bar, an application that ends the run loop, and
/// windows and dialogs that say in the log that they need a display. The preferences, the log
/// and the memory readings are the caller's, so that a program can put its own file or a
/// measuring wrapper in front of the real /proc.
class LinuxPlatform {
  public:
    struct Options {
        std::string procfs = "/proc";    ///< where the processes are listed
        std::string resourcesDirectory;  ///< where the clean's image is found
        AutostartFolders autostart{};    ///< where start at login writes
    };

    LinuxPlatform(PreferenceStore& preferences, SystemLog& log, HostMemory& hostMemory,
                  Options options);
    ~LinuxPlatform();
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    /// The ports for a delegate, with the program's own bundle and deployment; valid while this
    /// object and the desktop's ports live.
    Platform platform(const DesktopPorts& desktop = {});

    GlibRunLoop& runLoop();
    TerminalStatusBar& statusBar();
    ProcSelfControl& processControl();
    UrlOpener& urlOpener();

  private:
    struct Adapters;
    PreferenceStore& preferences_;
    SystemLog& log_;
    HostMemory& hostMemory_;
    std::unique_ptr<Adapters> adapters_;
};

}  // namespace headroom
