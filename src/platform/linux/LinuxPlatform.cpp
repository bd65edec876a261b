#include "platform/linux/LinuxPlatform.h"

#include <utility>

#include "BuildInfo.h"

namespace headroom {

LinuxPlatform::LinuxPlatform(PreferenceStore& store, SystemLog& systemLog, HostMemory& memory,
                             Options options)
    : preferences(store),
      log(systemLog),
      hostMemory(memory),
      workspace(options.procfs),
      desktopNotifier(log, build::kApplicationId, build::kName),
      resources(std::move(options.resourcesDirectory)),
      loginItems(XdgAutostartLoginItems::helperBesideExecutable(), std::move(options.autostart)) {}

Platform LinuxPlatform::platform(StatusBar& statusBar, const DesktopPorts& desktop) {
    return Platform{
        runLoop,
        preferences,
        hostMemory,
        log,
        workspace,
        notifications,
        desktopNotifier,
        statusBar,
        desktop.feedback != nullptr ? *desktop.feedback : noWindows,
        desktop.application != nullptr ? *desktop.application : application,
        resources,
        processControl,
        loginItems,
        desktop.settingWindows != nullptr ? *desktop.settingWindows : noWindows,
        urlOpener,
        desktop.thanaksWindows != nullptr ? *desktop.thanaksWindows : noWindows,
        BundleInfo{build::kApplicationId, build::kName, build::kVersion, build::kBuildNumber,
                   build::kCopyright},
        DeploymentSettings{.links = {.twitter = "social.tidewell.example",
                                     .website = "tidewell.example",
                                     .faq = "support.tidewell.example",
                                     .fanPage = "fans.tidewell.example"}},
    };
}

}  // namespace headroom
