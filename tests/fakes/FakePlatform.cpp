#include "FakePlatform.h"

namespace headroom::test {

FakePlatform::FakePlatform() {
    runLoop.setJournal(&journal);
    preferences.setJournal(&journal);
    hostMemory.setJournal(&journal);
    log.setJournal(&journal);
    workspace.setJournal(&journal);
    notificationCenter.setJournal(&journal);
    desktopNotifier.setJournal(&journal);
    statusBar.setJournal(&journal);
    feedback.setJournal(&journal);
    application.setJournal(&journal);
    processControl.setJournal(&journal);
    loginItems.setJournal(&journal);
    urlOpener.setJournal(&journal);
    thanaksWindows.setJournal(&journal);
}

Platform FakePlatform::platform() {
    return Platform{
        runLoop,
        preferences,
        hostMemory,
        log,
        workspace,
        notificationCenter,
        desktopNotifier,
        statusBar,
        feedback,
        application,
        bundleResources,
        processControl,
        loginItems,
        settingWindows,
        urlOpener,
        thanaksWindows,
        BundleInfo{kBundleIdentifier, "Headroom", "0.1.0", "1",
                   "Copyright © 2026 Tidewell. All rights reserved."},
        DeploymentSettings{
            LinkAddresses{"social.example", "maker.example", "support.example", "fans.example"}},
    };
}

}  // namespace headroom::test
