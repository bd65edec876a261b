#pragma once

#include <string>

#include "platform/Application.h"
#include "platform/BundleResources.h"
#include "platform/DesktopNotifier.h"
#include "platform/Feedback.h"
#include "platform/HostMemory.h"
#include "platform/LoginItems.h"
#include "platform/NotificationCenter.h"
#include "platform/PreferenceStore.h"
#include "platform/ProcessControl.h"
#include "platform/RunLoop.h"
#include "platform/SettingWindowFactory.h"
#include "platform/StatusBar.h"
#include "platform/SystemLog.h"
#include "platform/ThanaksWindows.h"
#include "platform/UrlOpener.h"
#include "platform/Workspace.h"

namespace headroom {

/// The application's own description, filled by the build from the project.
struct BundleInfo {
    std::string bundleIdentifier;  ///< the application's id on the desktop
    std::string name;
    std::string shortVersion;
    std::string buildVersion;
    std::string copyright;
};

/// The hosts of the pages the About tab's link buttons open; each page's scheme and path are
/// the program's own.
struct LinkAddresses {
    std::string twitter;  ///< the social network of the maker's account page
    std::string website;  ///< the maker's web site
    std::string faq;      ///< the support site with this application's discussion page
    std::string fanPage;  ///< the social network of the maker's fan page
};

/// Settings of a deployment, kept apart from the logic.
struct DeploymentSettings {
    LinkAddresses links{};
    /// The maker's promotional page, shown in the welcome window (plain HTTP, path "/promo/").
    std::string promoPageURL = "http://tidewell.example/promo/";
    /// The subscription form of the welcome window: a resource file name or an absolute path.
    std::string subscriptionPage = "index.html";
};

/// Every port the logic calls, handed to it in one piece. The references must outlive the
/// objects that receive them.
struct Platform {
    RunLoop& runLoop;
    PreferenceStore& preferences;
    HostMemory& hostMemory;
    SystemLog& log;
    Workspace& workspace;
    NotificationCenter& notificationCenter;
    DesktopNotifier& desktopNotifier;
    StatusBar& statusBar;
    Feedback& feedback;
    Application& application;
    BundleResources& bundleResources;
    ProcessControl& processControl;
    LoginItems& loginItems;
    SettingWindowFactory& settingWindows;
    UrlOpener& urlOpener;
    ThanaksWindows& thanaksWindows;
    BundleInfo bundle;
    DeploymentSettings deployment;
};

}  // namespace headroom
