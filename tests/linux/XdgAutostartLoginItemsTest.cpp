// Start at login on real files in a temporary config home: the autostart entry that is
// written, how the desktop's own reader (GIO's GDesktopAppInfo) reads and launches it, and a
// folder that cannot be written.

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "platform/linux/XdgAutostartLoginItems.h"

namespace headroom {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

constexpr const char* kHelper = "com.Tidewell.Helper";

/// An executable shell script at `path` that writes its first argument's folder marker.
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

    TempDir dir;
};

TEST_F(Autostart, EnablingWritesAnEntryThatStartsTheHelperAndDisablingRemovesIt) {
    const std::string helper = dir / "bin/headroom-login-helper";
    writeProgram(helper, "exit 0");
    auto login = items(helper);

    ASSERT_TRUE(login.setLoginItemEnabled(kHelper, true)) << login.lastError();
    const std::string entry = configHome() + "/autostart/com.Tidewell.Helper.desktop";
    EXPECT_EQ(login.entryPath(kHelper), entry);
    struct stat folder {};
    ASSERT_EQ(::stat((configHome() + "/autostart").c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700U);

    GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(entry.c_str());
    ASSERT_NE(info, nullptr) << readFile(entry);
    EXPECT_STREQ(g_app_info_get_executable(G_APP_INFO(info)), helper.c_str());
    EXPECT_FALSE(g_desktop_app_info_get_is_hidden(info));
    g_object_unref(info);

    ASSERT_TRUE(login.setLoginItemEnabled(kHelper, false)) << login.lastError();
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_TRUE(login.setLoginItemEnabled(kHelper, false)) << "nothing to remove is no failure";
}

TEST_F(Autostart, AHelperPathWithSpacesAndQuotesIsLaunchedAsItIs) {
    // Every character the Exec quoting rules single out.
    const std::string folder = dir / "My Apps/it's \"quoted\" $HOME `x` back\\slash (1)";
    const std::string helper = folder + "/headroom-login-helper";
    const std::string marker = dir / "launched";
    writeProgram(helper, "printf '%s' \"$0\" > '" + marker + "'");
    auto login = items(helper);
    ASSERT_TRUE(login.setLoginItemEnabled(kHelper, true)) << login.lastError();

    // Launched the way a session starts autostart entries: through the desktop entry.
    GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(login.entryPath(kHelper).c_str());
    ASSERT_NE(info, nullptr) << readFile(login.entryPath(kHelper));
    GError* error = nullptr;
    ASSERT_TRUE(g_app_info_launch(G_APP_INFO(info), nullptr, nullptr, &error))
        << (error != nullptr ? error->message : "");
    g_object_unref(info);
    for (int i = 0; i < 200 && readFile(marker).empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(readFile(marker), helper);
}

TEST_F(Autostart, AFolderThatCannotBeWrittenIsAFailureWithItsReason) {
    const std::string helper = dir / "headroom-login-helper";
    writeProgram(helper, "exit 0");
    // Tests run as root, so permissions cannot stop the write: put a file where the folder goes.
    std::filesystem::create_directories(configHome());
    writeFile(configHome() + "/autostart", "not a folder");
    auto login = items(helper);

    EXPECT_FALSE(login.setLoginItemEnabled(kHelper, true));
    EXPECT_NE(login.lastError().find(configHome() + "/autostart"), std::string::npos)
        << login.lastError();
    EXPECT_NE(login.lastError().find(": "), std::string::npos) << "says why";
    EXPECT_FALSE(login.setLoginItemEnabled(kHelper, false));
    EXPECT_FALSE(login.lastError().empty());
    EXPECT_EQ(readFile(configHome() + "/autostart"), "not a folder");
}

TEST_F(Autostart, AHelperThatCannotBeStartedIsNotRegistered) {
    auto missing = items(dir / "nowhere/headroom-login-helper");
    EXPECT_FALSE(missing.setLoginItemEnabled(kHelper, true));
    EXPECT_NE(missing.lastError().find("nowhere/headroom-login-helper"), std::string::npos);

    const std::string percent = dir / "100% sure/headroom-login-helper";
    writeProgram(percent, "exit 0");
    auto withPercent = items(percent);
    EXPECT_FALSE(withPercent.setLoginItemEnabled(kHelper, true));
    EXPECT_NE(withPercent.lastError().find("'%'"), std::string::npos) << withPercent.lastError();
    EXPECT_FALSE(std::filesystem::exists(configHome() + "/autostart"));
}

TEST_F(Autostart, DisablingOverASystemEntryHidesItForTheUser) {
    const std::string helper = dir / "headroom-login-helper";
    writeProgram(helper, "exit 0");
    std::filesystem::create_directories(systemDir() + "/autostart");
    writeFile(systemDir() + "/autostart/com.Tidewell.Helper.desktop",
              "[Desktop Entry]\nType=Application\nName=x\nExec=" + helper + "\n");
    auto login = items(helper);

    ASSERT_TRUE(login.setLoginItemEnabled(kHelper, false)) << login.lastError();
    // The user's entry of the same name, hidden, turns the system's off for this user.
    GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(login.entryPath(kHelper).c_str());
    ASSERT_NE(info, nullptr) << readFile(login.entryPath(kHelper));
    EXPECT_TRUE(g_desktop_app_info_get_is_hidden(info));
    g_object_unref(info);

    // Turned on again, the user's entry starts the helper and is no longer hidden.
    ASSERT_TRUE(login.setLoginItemEnabled(kHelper, true)) << login.lastError();
    EXPECT_EQ(readFile(login.entryPath(kHelper)).find("Hidden=true"), std::string::npos);
}

TEST(ExecQuoting, FollowsTheDesktopEntryRules) {
    EXPECT_EQ(quoteExecArgument("/usr/bin/a-b_c.d"), "/usr/bin/a-b_c.d");
    EXPECT_EQ(quoteExecArgument("/opt/50%"), "/opt/50%%");
    EXPECT_EQ(quoteExecArgument("/a b/\"$`\\%"), "\"/a b/\\\"\\$\\`\\\\%%\"");
    EXPECT_EQ(quoteExecArgument("/a'b"), "\"/a'b\"");
}

}  // namespace
}  // namespace headroom
