// The login helper runs while its name has an owner on the session bus (the test run's private
// bus), and the opener of the About tab's links.

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "TestSupport.h"
#include "platform/linux/GioUrlOpener.h"
#include "platform/linux/XdgAutostartLoginItems.h"

namespace headroom {
namespace {

/// Calls `method` of the bus itself and gives its number answer.
guint32 callBus(GDBusConnection* bus, const char* method, GVariant* arguments) {
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
        arguments, G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    EXPECT_NE(reply, nullptr) << method;
    guint32 result = 0;
    if (reply != nullptr) {
        g_variant_get(reply, "(u)", &result);
        g_variant_unref(reply);
    }
    return result;
}

TEST(LoginHelperRunning, ExactlyWhileItsNameHasAnOwner) {
    if (g_getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
        GTEST_SKIP() << "no session bus: run under dbus-run-session (see README)";
    }
    // A name of this test's own, so that tests running beside it cannot interfere.
    const std::string name = "com.Tidewell.HelperTest.p" + std::to_string(::getpid());
    test::TempDir dir;
    XdgAutostartLoginItems items("/bin/true", AutostartFolders{dir.path(), {{dir.path()}}});
    EXPECT_FALSE(items.loginItemRunning(name));

    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    ASSERT_NE(bus, nullptr);
    EXPECT_EQ(callBus(bus, "RequestName", g_variant_new("(su)", name.c_str(), 4U)), 1U);
    EXPECT_TRUE(items.loginItemRunning(name));
    EXPECT_FALSE(items.loginItemRunning(name + "2"));
    EXPECT_FALSE(items.loginItemRunning("com.tidewell.helpertest.p" + std::to_string(::getpid())));
    EXPECT_FALSE(items.loginItemRunning("not a bus name"));

    EXPECT_EQ(callBus(bus, "ReleaseName", g_variant_new("(s)", name.c_str())), 1U);
    EXPECT_FALSE(items.loginItemRunning(name));
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
