// Wires one platform and one front end together.

#include <glib-unix.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "BuildInfo.h"
#include "app/AppDelegate.h"
#include "platform/linux/GlibRunLoop.h"
#include "platform/linux/KeyFilePreferenceStore.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/ProcHostMemory.h"
#include "platform/linux/SysLog.h"
#include "platform/linux/ThanaksWindowProcess.h"
#include "ui/gtk/EnjoymentFeedback.h"
#include "ui/gtk/GtkSettingWindowFactory.h"
#include "ui/gtk/IconFolder.h"
#include "ui/gtk/IndicatorStatusBar.h"
#include "ui/gtk/Resources.h"
#include "ui/gtk/TrayApplication.h"
#include "ui/terminal/CommandLine.h"
#include "ui/terminal/TerminalRender.h"
#include "ui/terminal/TerminalStatusBar.h"
#include "ui/terminal/TerminalText.h"
#include "ui/terminal/TerminalView.h"
#include "ui/terminal/WatchView.h"

namespace {

using namespace headroom;

constexpr int kBadInput = 2;

int fail(const std::string& line) {
    // The line may quote a path from the command line: its control characters are escaped.
    std::fprintf(stderr, "headroom: %s\n", escapeControlCharacters(line).c_str());
    return kBadInput;
}

/// SIGINT, SIGTERM and SIGHUP end the program as Quit does, a clean that runs included, so that
/// the terminal is given back and what the tray leaves on disk is removed. The watches stay for
/// the rest of the process, as the application they end does.
void terminateOnSignals(Application& application) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        g_unix_signal_add(
            signal,
            +[](gpointer app) {
                static_cast<Application*>(app)->terminate();
                return gboolean{G_SOURCE_CONTINUE};
            },
            &application);
    }
}

/// The tray when a display can be opened; nothing, with `notice` saying why, otherwise, or
/// when another process of this session already shows the tray (`elsewhere`).
std::unique_ptr<TrayApplication> openTray(std::string& notice, std::string& problem,
                                          bool& elsewhere) {
    const char* display = g_getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        display = g_getenv("WAYLAND_DISPLAY");
    }
    if (display == nullptr || *display == '\0') {
        notice = "no display found";
        return nullptr;
    }
    if (!TrayApplication::openDisplay(build::kApplicationId)) {
        notice = std::string("cannot open the display ") + display;
        return nullptr;
    }
    auto tray = std::make_unique<TrayApplication>(build::kApplicationId);
    elsewhere = tray->isAlreadyRunning(problem);
    return elsewhere ? nullptr : std::move(tray);
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
        case KeyFilePreferenceStore::LoadStatus::NotRegular:
            if (!named) {
                // A dotfile linked to /dev/null says "keep nothing": the defaults, unsaved.
                log.log("The preference file " + path + " is not used (" + message +
                        "); running on the defaults without saving them");
                return store;
            }
            [[fallthrough]];
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

/// The desktop front end: the tray item, its windows and dialogs, until the application ends.
int runTray(TrayApplication& tray, LinuxPlatform& platform, SystemLog& log) {
    IndicatorStatusBar statusBar(build::kApplicationId, build::kName, platform.runLoop, log);
    EnjoymentFeedback feedback(build::kName, EnjoymentFeedback::projectPages(), platform.urlOpener);
    useApplicationIcon(resourcesDirectory(), build::kApplicationId);
    GtkSettingWindowFactory settingWindows(resourcesDirectory(), log);
    // The welcome window hands its check box's choice back, to be stored here.
    ThanaksWindowProcess thanaksWindows(log);
    AppDelegate delegate(
        platform.platform(statusBar, {&feedback, &tray, &settingWindows, &thanaksWindows}));
    terminateOnSignals(tray);
    tray.whenDisplayLost([&log, &statusBar](const std::string& display) {
        const std::string line = "Lost the display " + display + "; Headroom ends";
        log.log(line);
        std::fprintf(stderr, "headroom: %s\n", escapeControlCharacters(line).c_str());
        if (IconFolder* icons = statusBar.iconFolder()) {
            icons->remove();
        }
    });
    // The application's own loop turns the default main context, which the run loop's timers
    // and queues live on.
    return tray.run([&delegate] { delegate.applicationDidFinishLaunching(); });
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto line = parseCommandLine(argc, argv, error);
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

    std::string notice;
    std::string trayProblem;
    std::unique_ptr<TrayApplication> tray;
    if (line->mode == CommandLine::Mode::Default) {
        bool elsewhere = false;
        tray = openTray(notice, trayProblem, elsewhere);
        if (elsewhere) {
            // One tray item per session: the running one keeps it.
            std::fputs("headroom: already running in this session\n", stderr);
            return 0;
        }
        // A live view redrawn into a pipe or a file would grow without end.
        if (!tray && ::isatty(STDOUT_FILENO) == 0) {
            return fail(notice +
                        " and standard output is not a terminal: use --print for one reading, "
                        "or --watch to follow the figures");
        }
    }

    SysLog log(escapeControlCharacters, !tray);
    auto preferences = openPreferences(*line, log, error);
    if (!preferences) {
        return fail(error);
    }
    if (!trayProblem.empty()) {
        log.log("Cannot register on the session bus (" + trayProblem +
                "); a second launch will not find this one");
    }

    ProcHostMemory hostMemory(line->procfs);
    LinuxPlatform platform(*preferences, log, hostMemory, {line->procfs, resourcesDirectory()});
    if (tray) {
        return runTray(*tray, platform, log);
    }

    if (!notice.empty()) {
        std::fputs(("headroom: " + notice + "; showing the terminal view\n").c_str(), stderr);
    }

    TerminalStatusBar statusBar;
    AppDelegate delegate(platform.platform(statusBar));
    delegate.applicationDidFinishLaunching();
    TerminalStatusItem& item = *statusBar.item();

    if (line->mode == CommandLine::Mode::Print) {
        delegate.updateMemoryDisplay();
        const std::string out =
            line->json ? renderJson(item, delegate.monitor) + "\n" : renderPlain(item);
        std::fputs(out.c_str(), stdout);
        return 0;
    }

    terminateOnSignals(platform.application);
    if (line->mode == CommandLine::Mode::Watch) {
        delegate.updateMemoryDisplay();  // the first line has the breakdown, as --print does
        WatchView watch(item, platform.runLoop, delegate.monitor, platform.application, line->json);
        platform.runLoop.run();
        return 0;
    }
    TerminalView view(item, platform.runLoop, delegate, delegate.cleaner, delegate.monitor,
                      platform.application);
    platform.runLoop.run();
    return 0;
}
