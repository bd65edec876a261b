// The desktop entries of the applications folders: ids, precedence, change detection.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "AppFixtureSupport.h"
#include "platform/linux/DesktopEntry.h"

namespace headroom {
namespace {

using test::AppFixture;
using test::ScopedEnv;

constexpr std::string_view kEditor = "[Desktop Entry]\nType=Application\nName=Editor\n";

DesktopEntryCache cacheOf(const AppFixture& fixture) {
    DesktopEntryCache cache(DesktopEntryCache::applicationFoldersFromEnvironment());
    EXPECT_EQ(DesktopEntryCache::applicationFoldersFromEnvironment(),
              (std::vector<std::string>{fixture.homeApplications(), fixture.dataApplications()}));
    cache.refresh();
    return cache;
}

/// The name of an id's entry, "(not regular)" after it when it is not; nothing without one.
std::optional<std::string> nameOf(const DesktopEntryCache& cache, std::string_view id) {
    const DesktopEntry* entry = cache.find(id);
    if (entry == nullptr) {
        return std::nullopt;
    }
    return entry->name + (entry->regular ? "" : " (not regular)");
}

TEST(DesktopEntryCache, FoldersFromTheEnvironment) {
    ScopedEnv home("HOME", "/home/ada/");
    const std::vector<std::string> defaults = {"/home/ada/.local/share/applications",
                                               "/usr/local/share/applications",
                                               "/usr/share/applications"};
    struct Case {
        const char* dataHome;
        const char* dataDirs;
        std::vector<std::string> folders;
    };
    const Case cases[] = {
        {nullptr, nullptr, defaults},
        {"/data/home/",
         "/var/lib/flatpak/exports/share:relative/ignored::/usr/share/:/usr/share",
         {"/data/home/applications", "/var/lib/flatpak/exports/share/applications",
          "/usr/share/applications"}},
        // A relative XDG_DATA_HOME is invalid and ignored; an empty XDG_DATA_DIRS is the default.
        {"relative", "", defaults},
        {nullptr, "/", {"/home/ada/.local/share/applications", "/applications"}},
    };
    for (const Case& c : cases) {
        ScopedEnv dataHome("XDG_DATA_HOME", c.dataHome);
        ScopedEnv dataDirs("XDG_DATA_DIRS", c.dataDirs);
        EXPECT_EQ(DesktopEntryCache::applicationFoldersFromEnvironment(), c.folders)
            << (c.dataDirs != nullptr ? c.dataDirs : "(unset)");
    }
}

TEST(DesktopEntryCache, IdsFromFoldersSubfoldersAndLinks) {
    AppFixture fixture;
    const std::string home = fixture.homeApplications();
    const std::string data = fixture.dataApplications();
    AppFixture::copyEntry(data, "firefox-esr.desktop");
    AppFixture::copyEntry(data, "kde/dolphin.desktop");
    AppFixture::writeEntry(data, "a/b/deep.desktop", kEditor);
    AppFixture::writeEntry(data, "notes.txt", kEditor);
    AppFixture::writeEntry(data, "bare.desktop.orig", kEditor);
    // The first folder to hold an id wins: the user's own entry, or its Hidden=true ...
    AppFixture::writeEntry(home, "firefox-esr.desktop",
                           "[Desktop Entry]\nType=Application\nName=My Firefox\nIcon=mine\n");
    AppFixture::writeEntry(data, "org.gnome.gedit.desktop", kEditor);
    AppFixture::writeEntry(home, "org.gnome.gedit.desktop",
                           "[Desktop Entry]\nType=Application\nName=Editor\nHidden=true\n");
    // ... but a file that is not an entry holds no id: the next folder's entry stands.
    AppFixture::writeEntry(home, "org.example.Broken.desktop", "this is not a desktop entry\n");
    AppFixture::writeEntry(data, "org.example.Broken.desktop", kEditor);
    // Links are followed; a loop back to a folder being listed ends.
    AppFixture::writeEntry(fixture.root(), "exports/org.flatpak.App.desktop", kEditor);
    std::filesystem::create_symlink(fixture.root() + "/exports/org.flatpak.App.desktop",
                                    data + "/org.flatpak.App.desktop");
    std::filesystem::create_directory_symlink(fixture.root() + "/exports", data + "/linked");
    std::filesystem::create_directory_symlink(data, data + "/loop");
    std::filesystem::create_symlink(fixture.root() + "/missing.desktop",
                                    data + "/dangling.desktop");
    const auto cache = cacheOf(fixture);

    const std::optional<std::string> none;
    const std::pair<std::string_view, std::optional<std::string>> ids[] = {
        {"firefox-esr", "My Firefox"},
        {"kde-dolphin", "Dolphin"},
        {"a-b-deep", "Editor"},
        {"dolphin", none},
        {"notes", none},
        {"bare", none},
        {"org.gnome.gedit", "Editor (not regular)"},
        {"org.example.Broken", "Editor"},
        {"org.flatpak.App", "Editor"},
        {"linked-org.flatpak.App", "Editor"},
        {"loop-firefox-esr", none},
        {"dangling", none},
    };
    for (const auto& [id, name] : ids) {
        EXPECT_EQ(nameOf(cache, id), name) << id;
    }
    EXPECT_EQ(cache.find("firefox-esr")->icon, "mine");
}

TEST(DesktopEntryCache, IdForPath) {
    AppFixture fixture;
    const auto cache = cacheOf(fixture);
    const std::pair<std::string, std::string_view> paths[] = {
        {fixture.dataApplications() + "/org.gnome.gedit.desktop", "org.gnome.gedit"},
        {fixture.dataApplications() + "/kde/dolphin.desktop", "kde-dolphin"},
        {fixture.homeApplications() + "/a/b/c.desktop", "a-b-c"},
        {"/home/ada/Desktop/kde/launcher.desktop", "launcher"},
        {"/opt/app/app", "app"},
        // A folder whose name only starts like an applications folder is not one.
        {fixture.dataApplications() + "-old/x/y.desktop", "y"},
    };
    for (const auto& [path, id] : paths) {
        EXPECT_EQ(cache.idForPath(path), id) << path;
    }
}

TEST(DesktopEntryCache, EntriesAreReadAgainWhenAFolderChanges) {
    AppFixture fixture;
    const std::string data = fixture.dataApplications();
    AppFixture::writeEntry(data, "editor.desktop", kEditor);
    AppFixture::copyEntry(data, "kde/dolphin.desktop");
    fixture.ageAllFolders(120);
    auto cache = cacheOf(fixture);

    // Unchanged folders are neither listed nor read again: an entry rewritten in place, which
    // leaves its folder alone, keeps its old reading ...
    AppFixture::writeEntry(data, "editor.desktop", "[Desktop Entry]\nType=Application\nName=2\n");
    cache.refresh();
    EXPECT_EQ(nameOf(cache, "editor"), "Editor");
    // ... until a folder changes: then every entry is read again, a new one is seen ...
    AppFixture::writeEntry(fixture.homeApplications(), "org.gnome.gedit.desktop", kEditor);
    AppFixture::setFolderAge(fixture.homeApplications(), 60);
    cache.refresh();
    EXPECT_EQ(nameOf(cache, "editor"), "2");
    EXPECT_EQ(nameOf(cache, "org.gnome.gedit"), "Editor");
    // ... one removed from a subfolder goes ...
    std::filesystem::remove(data + "/kde/dolphin.desktop");
    AppFixture::setFolderAge(data + "/kde", 30);
    cache.refresh();
    EXPECT_EQ(nameOf(cache, "kde-dolphin"), std::nullopt);
    // ... and one renamed into place, as package managers and editors write, is read.
    AppFixture::writeEntry(data, ".editor.desktop.tmp",
                           "[Desktop Entry]\nType=Application\nName=3\nNoDisplay=true\n");
    std::filesystem::rename(data + "/.editor.desktop.tmp", data + "/editor.desktop");
    AppFixture::setFolderAge(data, 60);
    cache.refresh();
    EXPECT_EQ(nameOf(cache, "editor"), "3 (not regular)");
}

TEST(DesktopEntryCache, NewFoldersAndFreshChangesAreSeen) {
    AppFixture fixture;
    const std::string home = fixture.homeApplications();
    std::filesystem::remove(home);
    AppFixture::setFolderAge(fixture.dataApplications(), 120);
    auto cache = cacheOf(fixture);
    // A folder that appears later is seen.
    AppFixture::writeEntry(home, "editor.desktop", kEditor);
    timespec listed{};
    ::clock_gettime(CLOCK_REALTIME, &listed);
    const timespec times[2] = {listed, listed};
    ASSERT_EQ(::utimensat(AT_FDCWD, home.c_str(), times, 0), 0);
    cache.refresh();
    EXPECT_EQ(nameOf(cache, "editor"), "Editor");
    // A change within the file system's timestamp granularity leaves the mtime as it was: a
    // folder changed less than two seconds before its listing is listed again on the next one.
    AppFixture::writeEntry(home, "second.desktop", kEditor);
    ASSERT_EQ(::utimensat(AT_FDCWD, home.c_str(), times, 0), 0);
    cache.refresh();
    EXPECT_EQ(nameOf(cache, "second"), "Editor");
}

}  // namespace
}  // namespace headroom
