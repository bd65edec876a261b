// Start at login on real files in a temporary config home: the autostart entry that is
// written, how the desktop's own reader (GIO's GDesktopAppInfo) reads and launches it, and
// registrations that cannot be made.

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "TestSupport.h"
#include "platform/linux/XdgAutostartLoginItems.h"

namespace headroom {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

constexpr const char* kHelper = "com.Tidewell.Helper";

/// An executable shell script at `path`.
void writeProgram(const std::string& path, const std::string& body) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    writeFile(path, "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), 0755);
}

class Autostart : public ::testing::Test {
  protected:
    std::string configHome() const { return dir / "config"; }
    std::string systemDir() const { return dir / "xdg"; }
    XdgAutostartLoginItems items(const std::string& helper) const {
        return XdgAutostartLoginItems(helper, AutostartFolders{configHome(), {{systemDir()}}});
    }
    /// The entry as the session reads it; null when GIO refuses it.
    static GDesktopAppInfo* read(XdgAutostartLoginItems& login) {
        return g_desktop_app_info_new_from_filename(login.entryPath(kHelper).c_str());
    }

    TempDir dir;
};

TEST_F(Autostart, TheEntryLaunchesTheHelperByItsPathAndGoesAwayOrHidesTheSystemsWhenOff) {
    // Every character the Exec quoting rules single out.
    const std::string helper = dir / "My Apps/it's \"quoted\" $HOME `x` back\\slash (1)/helper";
    const std::string marker = dir / "launched";
    writeProgram(helper, "printf '%s' \"$0\" > '" + marker + "'");
    auto login = items(helper);
    ASSERT_TRUE(login.setLoginItemEnabled(kHelper, true)) << login.lastError();
    struct stat folder {};
    ASSERT_EQ(::stat((configHome() + "/autostart").c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700U);

    // Launched the way a session starts autostart entries: through the desktop entry.
    GDesktopAppInfo* info = read(login);
    ASSERT_NE(info, nullptr) << readFile(login.entryPath(kHelper));
    EXPECT_FALSE(g_desktop_app_info_get_is_hidden(info));
    GError* error = nullptr;
    ASSERT_TRUE(g_app_info_launch(G_APP_INFO(info), nullptr, nullptr, &error))
        << (error != nullptr ? error->message : "");
    g_object_unref(info);
    for (int i = 0; i < 200 && readFile(marker).empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(readFile(marker), helper);

    ASSERT_TRUE(login.setLoginItemEnabled(kHelper, false)) << login.lastError();
    EXPECT_FALSE(std::filesystem::exists(login.entryPath(kHelper)));
    EXPECT_TRUE(login.setLoginItemEnabled(kHelper, false)) << "nothing to remove is no failure";

    // With a system-wide entry of the same name, off is the user's entry, hidden.
    std::filesystem::create_directories(systemDir() + "/autostart");
    writeFile(systemDir() + "/autostart/com.Tidewell.Helper.desktop",
              "[Desktop Entry]\nType=Application\nName=x\nExec=/bin/true\n");
    ASSERT_TRUE(login.setLoginItemEnabled(kHelper, false)) << login.lastError();
    info = read(login);
    ASSERT_NE(info, nullptr) << readFile(login.entryPath(kHelper));
    EXPECT_TRUE(g_desktop_app_info_get_is_hidden(info));
    g_object_unref(info);
    ASSERT_TRUE(login.setLoginItemEnabled(kHelper, true)) << login.lastError();
    EXPECT_EQ(readFile(login.entryPath(kHelper)).find("Hidden=true"), std::string::npos);

    // A path without reserved characters stays bare, as simpler readers of Exec expect it.
    const std::string plain = dir / "bin/headroom-login-helper";
    writeProgram(plain, "exit 0");
    auto bare = items(plain);
    ASSERT_TRUE(bare.setLoginItemEnabled(kHelper, true)) << bare.lastError();
    info = read(bare);
    EXPECT_STREQ(g_app_info_get_executable(G_APP_INFO(info)), plain.c_str());
    g_object_unref(info);
}

TEST_F(Autostart, ARegistrationThatCannotBeMadeSaysWhyAndWritesNothing) {
    writeProgram(dir / "headroom-login-helper", "exit 0");
    writeProgram(dir / "100% sure/headroom-login-helper", "exit 0");
    struct Case {
        std::string helper;
        bool blockFolder;  ///< a file where the autostart folder goes (root ignores permissions)
        bool enabled;
        std::string reason;
    };
    const Case cases[] = {
        {dir / "nowhere/headroom-login-helper", false, true, "nowhere/headroom-login-helper"},
        {dir / "100% sure/headroom-login-helper", false, true, "'%'"},
        {dir / "headroom-login-helper", true, true, configHome() + "/autostart: "},
        {dir / "headroom-login-helper", true, false, configHome() + "/autostart/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.helper + (c.enabled ? " on" : " off"));
        std::filesystem::remove_all(configHome());
        if (c.blockFolder) {
            std::filesystem::create_directories(configHome());
            writeFile(configHome() + "/autostart", "not a folder");
        }
        auto login = items(c.helper);
        EXPECT_FALSE(login.setLoginItemEnabled(kHelper, c.enabled));
        EXPECT_NE(login.lastError().find(c.reason), std::string::npos) << login.lastError();
        EXPECT_EQ(readFile(configHome() + "/autostart"), c.blockFolder ? "not a folder" : "");
    }
}

}  // namespace
}  // namespace headroom
