#include "platform/linux/DesktopEntry.h"

#include <glib.h>

#include <cstddef>
#include <memory>

#include "platform/linux/RegularFile.h"

namespace headroom {

namespace {

constexpr const char* kGroup = G_KEY_FILE_DESKTOP_GROUP;
/// Desktop entries are a few kB; anything this large is not one.
constexpr std::size_t kMaximumFileSize = std::size_t{1024} * 1024;

std::string taken(gchar* value) {
    const std::unique_ptr<gchar, decltype(&g_free)> owned(value, g_free);
    return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

std::optional<DesktopEntry> parseDesktopEntry(std::string_view text, const std::string& locale) {
    const std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> file(g_key_file_new(),
                                                                     g_key_file_free);
    // Every translation is kept: without the flag GLib drops, while loading, those not in the
    // user's languages, and an explicit `locale` could then find none.
    if (!g_key_file_load_from_data(file.get(), text.data(), text.size(),
                                   G_KEY_FILE_KEEP_TRANSLATIONS, nullptr) ||
        !g_key_file_has_group(file.get(), kGroup)) {
        return std::nullopt;
    }
    const char* language = locale.empty() ? nullptr : locale.c_str();
    // An absent or malformed boolean reads as FALSE.
    const auto flag = [&file](const char* key) {
        return g_key_file_get_boolean(file.get(), kGroup, key, nullptr) != FALSE;
    };
    DesktopEntry entry;
    entry.name = taken(g_key_file_get_locale_string(file.get(), kGroup, "Name", language, nullptr));
    entry.icon = taken(g_key_file_get_locale_string(file.get(), kGroup, "Icon", language, nullptr));
    entry.hidden = flag("Hidden");
    entry.regular =
        taken(g_key_file_get_string(file.get(), kGroup, "Type", nullptr)) == "Application" &&
        !entry.name.empty() && !entry.hidden && !flag("NoDisplay");
    return entry;
}

std::optional<DesktopEntry> readDesktopEntry(const std::string& path, const std::string& locale) {
    std::string text;
    std::string reason;
    if (readRegularFile(path, kMaximumFileSize, text, reason) != FileStatus::Ok) {
        return std::nullopt;
    }
    return parseDesktopEntry(text, locale);
}

}  // namespace headroom
