#pragma once

#include "CallJournal.h"
#include "FakeApplication.h"
#include "FakeBundleResources.h"
#include "FakeDesktopNotifier.h"
#include "FakeFeedback.h"
#include "FakeHostMemory.h"
#include "FakeLoginItems.h"
#include "FakeNotificationCenter.h"
#include "FakePreferenceStore.h"
#include "FakeProcessControl.h"
#include "FakeRunLoop.h"
#include "FakeSettingWindow.h"
#include "FakeStatusBar.h"
#include "FakeSystemLog.h"
#include "FakeThanaksWindow.h"
#include "FakeWorkspace.h"
#include "platform/Platform.h"

namespace headroom::test {

/// One fake of every port, sharing one call journal, and the `Platform` that hands them to the
/// program. The bundle is the application's own ("com.Tidewell.Headroom"); the deployment has
/// the hosts of four link pages, reserved names.
class FakePlatform {
  public:
    static constexpr const char* kBundleIdentifier = "com.Tidewell.Headroom";

    FakePlatform();
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    /// The ports; valid as long as this object lives.
    Platform platform();

    CallJournal journal;
    FakeRunLoop runLoop;
    FakePreferenceStore preferences;
    FakeHostMemory hostMemory;
    FakeSystemLog log;
    FakeWorkspace workspace;
    FakeNotificationCenter notificationCenter;
    FakeDesktopNotifier desktopNotifier;
    FakeStatusBar statusBar;
    FakeFeedback feedback;
    FakeApplication application;
    FakeBundleResources bundleResources;
    FakeProcessControl processControl;
    FakeLoginItems loginItems;
    FakeSettingWindowFactory settingWindows;
    FakeUrlOpener urlOpener;
    FakeThanaksWindows thanaksWindows;
};

}  // namespace headroom::test
