// The desktop entries of the applications folders: ids, precedence, change detection.

#include "platform/linux/DesktopEntryCache.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "AppFixtureSupport.h"

namespace headroom {
namespace {

using test::AppFixture;
using test::ScopedEnv;

constexpr std::string_view kEditor =
    "[Desktop Entry]\nType=Application\nName=Editor\nName[de]=Bearbeiter\nIcon=editor\n";

DesktopEntryCache cacheOf(const AppFixture& fixture, std::string_view locale = "C") {
    return DesktopEntryCache({fixture.homeApplications(), fixture.dataApplications()},
                             std::string(locale));
}

TEST(DesktopEntryCache, FoldersFromTheEnvironment) {
    ScopedEnv home("HOME", "/home/ada/");
    {
        ScopedEnv dataHome("XDG_DATA_HOME", nullptr);
        ScopedEnv dataDirs("XDG_DATA_DIRS", nullptr);
        EXPECT_EQ(
            DesktopEntryCache::applicationFoldersFromEnvironment(),
            (std::vector<std::string>{"/home/ada/.local/share/applications",
                                      "/usr/local/share/applications", "/usr/share/applications"}));
    }
    {
        ScopedEnv dataHome("XDG_DATA_HOME", "/data/home/");
        ScopedEnv dataDirs(
            "XDG_DATA_DIRS",
            "/var/lib/flatpak/exports/share:relative/ignored::/usr/share/:/usr/share");
        EXPECT_EQ(DesktopEntryCache::applicationFoldersFromEnvironment(),
                  (std::vector<std::string>{"/data/home/applications",
                                            "/var/lib/flatpak/exports/share/applications",
                                            "/usr/share/applications"}));
    }
    {
        // A relative XDG_DATA_HOME is invalid and ignored; an empty XDG_DATA_DIRS is the default.
        ScopedEnv dataHome("XDG_DATA_HOME", "relative");
        ScopedEnv dataDirs("XDG_DATA_DIRS", "");
        EXPECT_EQ(
            DesktopEntryCache::applicationFoldersFromEnvironment(),
            (std::vector<std::string>{"/home/ada/.local/share/applications",
                                      "/usr/local/share/applications", "/usr/share/applications"}));
    }
}

TEST(DesktopEntryCache, IdsFromFoldersAndSubfolders) {
    AppFixture fixture;
    AppFixture::copyEntry(fixture.dataApplications(), "firefox-esr.desktop");
    AppFixture::copyEntry(fixture.dataApplications(), "kde/dolphin.desktop");
    AppFixture::writeEntry(fixture.dataApplications(), "a/b/deep.desktop", kEditor);
    AppFixture::writeEntry(fixture.dataApplications(), "notes.txt", kEditor);
    AppFixture::writeEntry(fixture.dataApplications(), "bare.desktop.orig", kEditor);
    auto cache = cacheOf(fixture);
    cache.refresh();
    EXPECT_TRUE(cache.contains("firefox-esr"));
    EXPECT_TRUE(cache.contains("kde-dolphin"));
    EXPECT_TRUE(cache.contains("a-b-deep"));
    EXPECT_FALSE(cache.contains("dolphin"));
    EXPECT_FALSE(cache.contains("notes"));
    EXPECT_EQ(cache.size(), 3u);
    EXPECT_EQ(cache.find("kde-dolphin")->name, "Dolphin");
    EXPECT_EQ(cache.find("nothing"), nullptr);
}

TEST(DesktopEntryCache, FirstFolderWins) {
    AppFixture fixture;
    AppFixture::copyEntry(fixture.dataApplications(), "firefox-esr.desktop");
    AppFixture::writeEntry(fixture.homeApplications(), "firefox-esr.desktop",
                           "[Desktop Entry]\nType=Application\nName=My Firefox\nIcon=mine\n");
    // A user's Hidden=true entry hides the system's.
    AppFixture::writeEntry(fixture.dataApplications(), "org.gnome.gedit.desktop", kEditor);
    AppFixture::writeEntry(fixture.homeApplications(), "org.gnome.gedit.desktop",
                           "[Desktop Entry]\nType=Application\nName=Editor\nHidden=true\n");
    // A file that is not an entry holds no id: the next folder's entry stands.
    AppFixture::writeEntry(fixture.homeApplications(), "org.example.Broken.desktop",
                           "this is not a desktop entry\n");
    AppFixture::writeEntry(fixture.dataApplications(), "org.example.Broken.desktop", kEditor);
    auto cache = cacheOf(fixture);
    cache.refresh();
    EXPECT_EQ(cache.find("firefox-esr")->name, "My Firefox");
    EXPECT_EQ(cache.find("firefox-esr")->icon, "mine");
    EXPECT_FALSE(cache.find("org.gnome.gedit")->regular);
    EXPECT_TRUE(cache.find("org.example.Broken")->regular);
    EXPECT_EQ(cache.find("org.example.Broken")->name, "Editor");
}

TEST(DesktopEntryCache, LocalizedNames) {
    AppFixture fixture;
    AppFixture::writeEntry(fixture.dataApplications(), "editor.desktop", kEditor);
    AppFixture::copyEntry(fixture.dataApplications(), "firefox-esr.desktop");
    auto german = cacheOf(fixture, "de_CH.UTF-8");
    german.refresh();
    EXPECT_EQ(german.find("editor")->name, "Bearbeiter");
    EXPECT_EQ(german.find("firefox-esr")->name, "Firefox ESR (Erweiterte Unterstützung)");
    auto french = cacheOf(fixture, "fr_FR.UTF-8");
    french.refresh();
    EXPECT_EQ(french.find("editor")->name, "Editor");
    EXPECT_EQ(french.find("firefox-esr")->name, "Firefox ESR (version longue durée)");
}

TEST(DesktopEntryCache, SymbolicLinksAreFollowed) {
    AppFixture fixture;
    AppFixture::writeEntry(fixture.root(), "exports/org.flatpak.App.desktop", kEditor);
    std::filesystem::create_symlink(fixture.root() + "/exports/org.flatpak.App.desktop",
                                    fixture.dataApplications() + "/org.flatpak.App.desktop");
    std::filesystem::create_directory_symlink(fixture.root() + "/exports",
                                              fixture.dataApplications() + "/linked");
    // A loop back to the folder itself ends.
    std::filesystem::create_directory_symlink(fixture.dataApplications(),
                                              fixture.dataApplications() + "/loop");
    std::filesystem::create_symlink(fixture.root() + "/missing.desktop",
                                    fixture.dataApplications() + "/dangling.desktop");
    auto cache = cacheOf(fixture);
    cache.refresh();
    EXPECT_TRUE(cache.contains("org.flatpak.App"));
    EXPECT_TRUE(cache.contains("linked-org.flatpak.App"));
    EXPECT_FALSE(cache.contains("dangling"));
}

TEST(DesktopEntryCache, IdForPath) {
    AppFixture fixture;
    auto cache = cacheOf(fixture);
    EXPECT_EQ(cache.idForPath(fixture.dataApplications() + "/org.gnome.gedit.desktop"),
              "org.gnome.gedit");
    EXPECT_EQ(cache.idForPath(fixture.dataApplications() + "/kde/dolphin.desktop"), "kde-dolphin");
    EXPECT_EQ(cache.idForPath(fixture.homeApplications() + "/a/b/c.desktop"), "a-b-c");
    EXPECT_EQ(cache.idForPath("/home/ada/Desktop/kde/launcher.desktop"), "launcher");
    EXPECT_EQ(cache.idForPath("/opt/app/app"), "app");
    // A folder whose name only starts like an applications folder is not one.
    EXPECT_EQ(cache.idForPath(fixture.dataApplications() + "-old/x/y.desktop"), "y");
}

TEST(DesktopEntryCache, UnchangedFoldersAreNeitherListedNorParsedAgain) {
    AppFixture fixture;
    AppFixture::copyEntry(fixture.dataApplications(), "firefox-esr.desktop");
    AppFixture::copyEntry(fixture.dataApplications(), "kde/dolphin.desktop");
    fixture.ageAllFolders();
    auto cache = cacheOf(fixture);
    cache.refresh();
    EXPECT_EQ(cache.scanCount(), 1u);
    for (int i = 0; i < 5; ++i) {
        cache.refresh();
    }
    EXPECT_EQ(cache.scanCount(), 1u);
    EXPECT_EQ(cache.size(), 2u);
}

TEST(DesktopEntryCache, ANewEntryIsSeenAndARemovedOneGoes) {
    AppFixture fixture;
    AppFixture::copyEntry(fixture.dataApplications(), "firefox-esr.desktop");
    AppFixture::copyEntry(fixture.dataApplications(), "kde/dolphin.desktop");
    fixture.ageAllFolders(120);
    auto cache = cacheOf(fixture);
    cache.refresh();
    EXPECT_FALSE(cache.contains("org.gnome.gedit"));

    AppFixture::writeEntry(fixture.homeApplications(), "org.gnome.gedit.desktop", kEditor);
    AppFixture::setFolderAge(fixture.homeApplications(), 60);  // the mtime moved
    cache.refresh();
    EXPECT_EQ(cache.scanCount(), 2u);
    ASSERT_TRUE(cache.contains("org.gnome.gedit"));
    EXPECT_EQ(cache.find("org.gnome.gedit")->name, "Editor");
    EXPECT_TRUE(cache.contains("firefox-esr"));

    // A subfolder's change is seen too, and a removed entry goes.
    std::filesystem::remove(fixture.dataApplications() + "/kde/dolphin.desktop");
    AppFixture::setFolderAge(fixture.dataApplications() + "/kde", 30);
    cache.refresh();
    EXPECT_FALSE(cache.contains("kde-dolphin"));
    EXPECT_EQ(cache.scanCount(), 3u);
}

TEST(DesktopEntryCache, AReplacedEntryIsParsedAgain) {
    AppFixture fixture;
    AppFixture::writeEntry(fixture.dataApplications(), "editor.desktop", kEditor);
    fixture.ageAllFolders(120);
    auto cache = cacheOf(fixture);
    cache.refresh();
    // Written aside and renamed into place, as package managers and editors do.
    AppFixture::writeEntry(fixture.dataApplications(), ".editor.desktop.tmp",
                           "[Desktop Entry]\nType=Application\nName=Editor 2\nNoDisplay=true\n");
    std::filesystem::rename(fixture.dataApplications() + "/.editor.desktop.tmp",
                            fixture.dataApplications() + "/editor.desktop");
    AppFixture::setFolderAge(fixture.dataApplications(), 60);
    cache.refresh();
    EXPECT_EQ(cache.find("editor")->name, "Editor 2");
    EXPECT_FALSE(cache.find("editor")->regular);
}

TEST(DesktopEntryCache, AFolderThatAppearsLaterIsSeen) {
    AppFixture fixture;
    const std::string later = fixture.root() + "/later/applications";
    DesktopEntryCache cache({later, fixture.dataApplications()}, "C");
    cache.refresh();
    EXPECT_EQ(cache.size(), 0u);
    AppFixture::writeEntry(later, "editor.desktop", kEditor);
    cache.refresh();
    EXPECT_TRUE(cache.contains("editor"));
}

TEST(DesktopEntryCache, AFreshFolderIsListedAgainUntilItSettles) {
    // A change in the same clock tick as the listing leaves the mtime alone; the cache lists a
    // folder changed less than two seconds ago again on the next refresh.
    AppFixture fixture;
    AppFixture::writeEntry(fixture.dataApplications(), "editor.desktop", kEditor);
    auto cache = cacheOf(fixture);
    cache.refresh();
    AppFixture::writeEntry(fixture.dataApplications(), "second.desktop", kEditor);
    cache.refresh();  // whether or not the mtime moved
    EXPECT_TRUE(cache.contains("second"));
    EXPECT_EQ(cache.scanCount(), 2u);
}

TEST(DesktopEntryCache, RealSystemFolders) {
    DesktopEntryCache cache(DesktopEntryCache::applicationFoldersFromEnvironment(), "");
    cache.refresh();
    const std::size_t entries = cache.size();
    cache.refresh();
    EXPECT_EQ(cache.size(), entries);
}

}  // namespace
}  // namespace headroom
