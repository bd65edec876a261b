// The workspace that lists the login helper while its name has an owner on the session bus
// (the test run's private bus), and the opener of the About tab's links.

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/linux/GioUrlOpener.h"
#include "platform/linux/LoginHelperWorkspace.h"
#include "platform/linux/ProcWorkspace.h"

namespace headroom {
namespace {

std::size_t helpersIn(const std::vector<RunningApplication>& applications,
                      const std::string& name) {
    std::size_t count = 0;
    for (const auto& application : applications) {
        if (application.bundleIdentifier == name) {
            EXPECT_EQ(application.activationPolicy, ActivationPolicy::Prohibited);
            ++count;
        }
    }
    return count;
}

/// Turns the default main context until `done` or about two seconds have passed.
template <typename Done>
bool turnUntil(Done done) {
    for (int i = 0; i < 200 && !done(); ++i) {
        g_main_context_iteration(nullptr, FALSE);
        g_usleep(10000);
    }
    return done();
}

TEST(LoginHelperWorkspace, ListsTheHelperExactlyWhileItsNameHasAnOwner) {
    if (g_getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
        GTEST_SKIP() << "no session bus: run under dbus-run-session (see README)";
    }
    // A name of this test's own, so that tests running beside it cannot interfere.
    const std::string name = "com.Tidewell.HelperTest.p" + std::to_string(::getpid());
    ProcWorkspace procfs(std::string(HEADROOM_FIXTURES_DIR) + "/proc/machine8g");
    LoginHelperWorkspace workspace(procfs, name);

    const std::size_t others = procfs.runningApplications().size();
    EXPECT_EQ(helpersIn(workspace.runningApplications(), name), 0U);

    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    ASSERT_NE(bus, nullptr);
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", name.c_str(), 4U), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1,
        nullptr, nullptr);
    ASSERT_NE(reply, nullptr);
    g_variant_unref(reply);

    EXPECT_TRUE(turnUntil([&] { return workspace.helperRunning(); }));
    const auto listed = workspace.runningApplications();
    EXPECT_EQ(helpersIn(listed, name), 1U);
    EXPECT_EQ(listed.size(), others + 1);

    reply = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                        "org.freedesktop.DBus", "ReleaseName",
                                        g_variant_new("(s)", name.c_str()), G_VARIANT_TYPE("(u)"),
                                        G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    ASSERT_NE(reply, nullptr);
    g_variant_unref(reply);
    EXPECT_TRUE(turnUntil([&] { return !workspace.helperRunning(); }));
    EXPECT_EQ(helpersIn(workspace.runningApplications(), name), 0U);
    g_object_unref(bus);
}

TEST(GioUrlOpener, OpensOnlyWebAddresses) {
    test::RecordingLog log;
    GioUrlOpener opener(log);
    for (const char* url : {"file:///etc/passwd", "javascript:alert(1)", "/usr/bin/xterm",
                            "ftp://example.org/", ""}) {
        log.lines.clear();
        opener.openURL(url);
        ASSERT_EQ(log.lines.size(), 1U) << url;
        EXPECT_NE(log.lines[0].find("only http and https"), std::string::npos) << log.lines[0];
    }
    EXPECT_TRUE(GioUrlOpener::isWebAddress("http://example.org/"));
    EXPECT_TRUE(GioUrlOpener::isWebAddress("HTTPS://example.org/faq"));
    EXPECT_FALSE(GioUrlOpener::isWebAddress("https"));
}

}  // namespace
}  // namespace headroom
