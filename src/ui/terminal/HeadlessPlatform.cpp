#include "ui/terminal/HeadlessPlatform.h"

#include <utility>

namespace headroom {

HeadlessPlatform::HeadlessPlatform(PreferenceStore& preferences, SystemLog& log,
                                   HostMemory& hostMemory, Options options)
    : preferences_(preferences),
      log_(log),
      hostMemory_(hostMemory),
      workspace_(options.procfs),
      notifications_(log),
      application_(runLoop_),
      resources_(std::move(options.resourcesDirectory)),
      loginItems_(XdgAutostartLoginItems::helperBesideExecutable(), std::move(options.autostart)),
      settingWindows_(log),
      urlOpener_(log),
      welcomeWindows_(log) {}

Platform HeadlessPlatform::platform(BundleInfo bundle, DeploymentSettings deployment) {
    return Platform{runLoop_,          preferences_,         hostMemory_,     log_,
                    workspace_,        notifications_,       statusBar_,      feedback_,
                    application_,      resources_,           processControl_, loginItems_,
                    settingWindows_,   urlOpener_,           reachability_,   welcomeWindows_,
                    std::move(bundle), std::move(deployment)};
}

}  // namespace headroom
