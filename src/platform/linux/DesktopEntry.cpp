#include "platform/linux/DesktopEntry.h"

#include <glib.h>

#include <cstddef>

#include "platform/linux/RegularFile.h"

namespace headroom {

namespace {

constexpr const char* kGroup = G_KEY_FILE_DESKTOP_GROUP;
/// Desktop entries are a few kB; anything this large is not one.
constexpr std::size_t kMaximumFileSize = std::size_t{1024} * 1024;

std::optional<std::string> taken(gchar* value) {
    if (value == nullptr) {
        return std::nullopt;
    }
    std::string text(value);
    g_free(value);
    return text;
}

}  // namespace

std::optional<DesktopEntry> parseDesktopEntry(std::string_view text, const std::string& locale) {
    GKeyFile* file = g_key_file_new();
    // Every translation is kept: without the flag GLib drops, while loading, those not in the
    // user's languages, and an explicit `locale` could then find none.
    const bool loaded = g_key_file_load_from_data(file, text.data(), text.size(),
                                                  G_KEY_FILE_KEEP_TRANSLATIONS, nullptr) &&
                        g_key_file_has_group(file, kGroup);
    std::optional<DesktopEntry> entry;
    if (loaded) {
        const char* language = locale.empty() ? nullptr : locale.c_str();
        entry.emplace();
        entry->type = taken(g_key_file_get_string(file, kGroup, "Type", nullptr));
        entry->name = taken(g_key_file_get_locale_string(file, kGroup, "Name", language, nullptr));
        entry->icon = taken(g_key_file_get_locale_string(file, kGroup, "Icon", language, nullptr));
        // An absent or malformed boolean reads as FALSE.
        entry->hidden = g_key_file_get_boolean(file, kGroup, "Hidden", nullptr) != FALSE;
        entry->noDisplay = g_key_file_get_boolean(file, kGroup, "NoDisplay", nullptr) != FALSE;
    }
    g_key_file_free(file);
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
