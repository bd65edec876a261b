#pragma once

// Desktop Entry files (freedesktop.org Desktop Entry Specification 1.5), read from text.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace headroom {

/// The locale that picks among `Key[locale]=value` variants: `lang_COUNTRY.ENCODING@MODIFIER`
/// with the encoding dropped. An empty `lang` (the "C" or "POSIX" locale, or none) matches no
/// variant, so the unlocalized values are used.
struct DesktopLocale {
    std::string lang;
    std::string country;
    std::string modifier;

    /// Splits a locale name such as "de_DE.UTF-8@euro". "C", "POSIX" and "C.UTF-8" give the
    /// empty locale.
    static DesktopLocale fromName(std::string_view name);
    /// The locale of messages: the first non-empty of LC_ALL, LC_MESSAGES and LANG.
    static DesktopLocale fromEnvironment();

    /// How well the locale of a key, the text between the brackets of `Key[...]`, suits this
    /// locale: 0 for lang_COUNTRY@MODIFIER, 1 for lang_COUNTRY, 2 for lang@MODIFIER, 3 for lang
    /// (lower is better, as the Desktop Entry specification orders them); nothing when it does not
    /// match. An encoding in the key's locale (`de_DE.UTF-8`) is ignored.
    std::optional<int> match(std::string_view keyLocale) const;

    friend bool operator==(const DesktopLocale&, const DesktopLocale&) = default;
};

/// The `[Desktop Entry]` group of one file, its keys resolved for one locale when parsed.
/// Values are kept raw (escaped, as in the file) and decoded by the accessors.
class DesktopEntry {
  public:
    /// The unlocalized value of `key`, unescaped (\s \n \t \r \\); nothing when absent.
    std::optional<std::string> string(std::string_view key) const;
    /// The best variant of `key` for the locale the entry was parsed with, unescaped: the
    /// specification's order lang_COUNTRY@MODIFIER, lang_COUNTRY, lang@MODIFIER, lang, then
    /// the unlocalized value.
    std::optional<std::string> localeString(std::string_view key) const;
    /// The unlocalized value as a boolean: "true" (or "1", as GLib accepts) is true, any other
    /// value false; `fallback` when the key is absent.
    bool boolean(std::string_view key, bool fallback = false) const;
    /// The unlocalized value as a list (`a;b\;c;` → "a", "b;c"); empty when absent.
    std::vector<std::string> stringList(std::string_view key) const;
    /// The best localized variant as a list, as `localeString` chooses it.
    std::vector<std::string> localeStringList(std::string_view key) const;

    bool has(std::string_view key) const { return find(key) != nullptr; }

  private:
    friend std::optional<DesktopEntry> parseDesktopEntry(std::string_view text,
                                                         const DesktopLocale& locale);
    struct Value {
        std::string key;
        std::optional<std::string> unlocalized;  ///< raw
        std::optional<std::string> localized;    ///< raw, the best variant seen so far
        int rank = 0;                            ///< DesktopLocale::match of `localized`
    };
    const Value* find(std::string_view key) const;
    Value& slot(std::string_view key);

    std::vector<Value> values_;  // a few dozen keys: a linear search beats a map here
};

/// Parses Desktop Entry text, keeping the `[Desktop Entry]` group and choosing among localized
/// variants for `locale`. Comments (`#`), blank lines, other groups (`[Desktop Action …]`),
/// lines before the first group and lines that are not `Key[locale]=value` with a valid key
/// (A–Z, a–z, 0–9, '-') are skipped. Blanks around '=' are ignored, a trailing '\r' is dropped.
/// A key given twice keeps its first value (the Desktop Entry specification allows each key once; a
/// second
/// `[Desktop Entry]` group is ignored the same way). Nothing when the text has no
/// `[Desktop Entry]` group.
std::optional<DesktopEntry> parseDesktopEntry(std::string_view text, const DesktopLocale& locale);

/// Decodes the escapes of string values: \s \n \t \r \\ → space, newline, tab, carriage
/// return, backslash. Any other backslash is kept as it stands.
std::string unescapeDesktopString(std::string_view raw);

/// Splits a list value at unescaped ';' and decodes each element (\; gives ';'); one trailing
/// ';' ends the list and makes no empty element.
std::vector<std::string> splitDesktopList(std::string_view raw);

}  // namespace headroom
