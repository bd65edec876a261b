#include "platform/linux/DesktopEntry.h"

#include <cstdlib>

namespace headroom {

namespace {

constexpr std::string_view kDesktopEntryGroup = "Desktop Entry";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isKeyCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

/// The character an escape `\c` stands for in a string value; 0 when it is not one.
char escapedCharacter(char c) {
    switch (c) {
        case 's':
            return ' ';
        case 'n':
            return '\n';
        case 't':
            return '\t';
        case 'r':
            return '\r';
        case '\\':
            return '\\';
        default:
            return 0;
    }
}

/// One `Key[locale]=value` line, split; nothing when the line is not one.
struct KeyLine {
    std::string_view key;
    std::optional<std::string_view> locale;
    std::string_view value;
};

std::optional<KeyLine> splitKeyLine(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view name = trimBlanks(line.substr(0, equals));
    std::string_view value = line.substr(equals + 1);
    while (!value.empty() && isBlank(value.front())) {
        value.remove_prefix(1);
    }
    KeyLine out;
    out.value = value;
    const auto bracket = name.find('[');
    if (bracket != std::string_view::npos) {
        if (name.back() != ']' || bracket + 2 > name.size() - 1) {
            return std::nullopt;  // "Name[" or "Name[]"
        }
        const std::string_view locale = name.substr(bracket + 1, name.size() - bracket - 2);
        if (locale.find_first_of("[]") != std::string_view::npos) {
            return std::nullopt;
        }
        out.locale = locale;
        name = name.substr(0, bracket);
    }
    if (name.empty()) {
        return std::nullopt;
    }
    for (const char c : name) {
        if (!isKeyCharacter(c)) {
            return std::nullopt;
        }
    }
    out.key = name;
    return out;
}

}  // namespace

DesktopLocale DesktopLocale::fromName(std::string_view name) {
    DesktopLocale locale;
    std::string_view rest = name;
    if (const auto at = rest.find('@'); at != std::string_view::npos) {
        locale.modifier = std::string(rest.substr(at + 1));
        rest = rest.substr(0, at);
    }
    if (const auto dot = rest.find('.'); dot != std::string_view::npos) {
        rest = rest.substr(0, dot);
    }
    if (const auto underscore = rest.find('_'); underscore != std::string_view::npos) {
        locale.country = std::string(rest.substr(underscore + 1));
        rest = rest.substr(0, underscore);
    }
    if (rest.empty() || rest == "C" || rest == "POSIX") {
        return DesktopLocale{};
    }
    locale.lang = std::string(rest);
    return locale;
}

DesktopLocale DesktopLocale::fromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return fromName(value);
        }
    }
    return DesktopLocale{};
}

std::optional<int> DesktopLocale::match(std::string_view keyLocale) const {
    if (lang.empty()) {
        return std::nullopt;
    }
    const DesktopLocale key = fromName(keyLocale);
    if (key.lang != lang) {
        return std::nullopt;
    }
    // The Desktop Entry specification's order; a key more specific than the locale never matches.
    if (!key.country.empty() && key.country != country) {
        return std::nullopt;
    }
    if (!key.modifier.empty() && key.modifier != modifier) {
        return std::nullopt;
    }
    const bool withCountry = !key.country.empty();
    const bool withModifier = !key.modifier.empty();
    if (withCountry && withModifier) {
        return 0;
    }
    if (withCountry) {
        return 1;
    }
    if (withModifier) {
        return 2;
    }
    return 3;
}

const DesktopEntry::Value* DesktopEntry::find(std::string_view key) const {
    for (const Value& value : values_) {
        if (value.key == key) {
            return &value;
        }
    }
    return nullptr;
}

DesktopEntry::Value& DesktopEntry::slot(std::string_view key) {
    for (Value& value : values_) {
        if (value.key == key) {
            return value;
        }
    }
    values_.push_back(Value{std::string(key), std::nullopt, std::nullopt, 0});
    return values_.back();
}

std::optional<std::string> DesktopEntry::string(std::string_view key) const {
    const Value* value = find(key);
    if (value == nullptr || !value->unlocalized) {
        return std::nullopt;
    }
    return unescapeDesktopString(*value->unlocalized);
}

std::optional<std::string> DesktopEntry::localeString(std::string_view key) const {
    const Value* value = find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (value->localized) {
        return unescapeDesktopString(*value->localized);
    }
    if (value->unlocalized) {
        return unescapeDesktopString(*value->unlocalized);
    }
    return std::nullopt;
}

bool DesktopEntry::boolean(std::string_view key, bool fallback) const {
    const Value* value = find(key);
    if (value == nullptr || !value->unlocalized) {
        return fallback;
    }
    return *value->unlocalized == "true" || *value->unlocalized == "1";
}

std::vector<std::string> DesktopEntry::stringList(std::string_view key) const {
    const Value* value = find(key);
    if (value == nullptr || !value->unlocalized) {
        return {};
    }
    return splitDesktopList(*value->unlocalized);
}

std::vector<std::string> DesktopEntry::localeStringList(std::string_view key) const {
    const Value* value = find(key);
    if (value == nullptr) {
        return {};
    }
    if (value->localized) {
        return splitDesktopList(*value->localized);
    }
    if (value->unlocalized) {
        return splitDesktopList(*value->unlocalized);
    }
    return {};
}

std::optional<DesktopEntry> parseDesktopEntry(std::string_view text, const DesktopLocale& locale) {
    DesktopEntry entry;
    bool found = false;
    bool inEntryGroup = false;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        while (!line.empty() && isBlank(line.front())) {
            line.remove_prefix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            const std::string_view header = trimBlanks(line);
            const bool closed = header.size() >= 2 && header.back() == ']';
            const std::string_view name =
                closed ? header.substr(1, header.size() - 2) : std::string_view{};
            // Only the first [Desktop Entry] group counts; a second one is ignored like any
            // other group.
            inEntryGroup = closed && name == kDesktopEntryGroup && !found;
            found = found || inEntryGroup;
            continue;
        }
        if (!inEntryGroup) {
            continue;
        }
        const auto keyLine = splitKeyLine(line);
        if (!keyLine) {
            continue;  // not a key line: skipped rather than refusing the whole file
        }
        if (!keyLine->locale) {
            DesktopEntry::Value& value = entry.slot(keyLine->key);
            if (!value.unlocalized) {
                value.unlocalized = std::string(keyLine->value);
            }
            continue;
        }
        const auto rank = locale.match(*keyLine->locale);
        if (!rank) {
            continue;
        }
        DesktopEntry::Value& value = entry.slot(keyLine->key);
        if (!value.localized || *rank < value.rank) {
            value.localized = std::string(keyLine->value);
            value.rank = *rank;
        }
    }
    if (!found) {
        return std::nullopt;
    }
    return entry;
}

std::string unescapeDesktopString(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size()) {
            if (const char c = escapedCharacter(raw[i + 1]); c != 0) {
                out += c;
                ++i;
                continue;
            }
        }
        out += raw[i];
    }
    return out;
}

std::vector<std::string> splitDesktopList(std::string_view raw) {
    std::vector<std::string> items;
    std::string current;
    bool pending = false;  // an element has begun (even an empty one before a ';')
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\\' && i + 1 < raw.size()) {
            const char next = raw[i + 1];
            if (next == ';') {
                current += ';';
                ++i;
                pending = true;
                continue;
            }
            if (const char decoded = escapedCharacter(next); decoded != 0) {
                current += decoded;
                ++i;
                pending = true;
                continue;
            }
        }
        if (c == ';') {
            items.push_back(std::move(current));
            current.clear();
            pending = false;
            continue;
        }
        current += c;
        pending = true;
    }
    if (pending) {
        items.push_back(std::move(current));
    }
    return items;
}

}  // namespace headroom
