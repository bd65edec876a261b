// The Desktop Entry parser, on text: groups, keys, locales, escapes, lists and junk.

#include "platform/linux/DesktopEntry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "TestSupport.h"
#include "platform/linux/DesktopEntryCache.h"

namespace headroom {
namespace {

using test::fixturePath;
using test::readFile;
using test::ScopedEnv;

DesktopEntry parse(std::string_view text, std::string_view locale = "C") {
    auto entry = parseDesktopEntry(text, DesktopLocale::fromName(locale));
    EXPECT_TRUE(entry) << text;
    return entry.value_or(DesktopEntry{});
}

DesktopApplication describe(std::string_view text, std::string_view locale = "C") {
    return describeDesktopApplication(parse(text, locale), "/x.desktop");
}

constexpr std::string_view kLocalized = R"([Desktop Entry]
Type=Application
Name=Plain
Name[sr]=Lang
Name[sr@Latn]=LangModifier
Name[sr_YU]=LangCountry
Name[sr_YU@Latn]=LangCountryModifier
Name[de_DE]=German Germany
Name[de]=German
)";

TEST(DesktopLocale, SplitsLocaleNames) {
    EXPECT_EQ(DesktopLocale::fromName("de_DE.UTF-8@euro"), (DesktopLocale{"de", "DE", "euro"}));
    EXPECT_EQ(DesktopLocale::fromName("sr@latin"), (DesktopLocale{"sr", "", "latin"}));
    EXPECT_EQ(DesktopLocale::fromName("pt_BR"), (DesktopLocale{"pt", "BR", ""}));
    EXPECT_EQ(DesktopLocale::fromName("fr"), (DesktopLocale{"fr", "", ""}));
    EXPECT_EQ(DesktopLocale::fromName("C"), DesktopLocale{});
    EXPECT_EQ(DesktopLocale::fromName("C.UTF-8"), DesktopLocale{});
    EXPECT_EQ(DesktopLocale::fromName("POSIX"), DesktopLocale{});
    EXPECT_EQ(DesktopLocale::fromName(""), DesktopLocale{});
}

TEST(DesktopLocale, FromEnvironmentPrefersLcAllThenLcMessagesThenLang) {
    ScopedEnv all("LC_ALL", "fr_FR.UTF-8");
    ScopedEnv messages("LC_MESSAGES", "de_DE.UTF-8");
    ScopedEnv lang("LANG", "ja_JP.UTF-8");
    EXPECT_EQ(DesktopLocale::fromEnvironment().lang, "fr");
    ::setenv("LC_ALL", "", 1);  // empty counts as unset
    EXPECT_EQ(DesktopLocale::fromEnvironment().lang, "de");
    ::unsetenv("LC_MESSAGES");
    EXPECT_EQ(DesktopLocale::fromEnvironment().lang, "ja");
    ::unsetenv("LANG");
    EXPECT_EQ(DesktopLocale::fromEnvironment(), DesktopLocale{});
}

TEST(DesktopLocale, MatchRanksFollowTheSpecification) {
    const auto full = DesktopLocale::fromName("sr_YU@Latn");
    EXPECT_EQ(full.match("sr_YU@Latn"), 0);
    EXPECT_EQ(full.match("sr_YU"), 1);
    EXPECT_EQ(full.match("sr@Latn"), 2);
    EXPECT_EQ(full.match("sr"), 3);
    EXPECT_EQ(full.match("sr_CS"), std::nullopt);
    EXPECT_EQ(full.match("sr@Cyrl"), std::nullopt);
    EXPECT_EQ(full.match("de"), std::nullopt);
    // A key more specific than the locale does not match it.
    EXPECT_EQ(DesktopLocale::fromName("sr").match("sr_YU"), std::nullopt);
    EXPECT_EQ(DesktopLocale::fromName("sr").match("sr@Latn"), std::nullopt);
    // The encoding of a key's locale is ignored.
    EXPECT_EQ(DesktopLocale::fromName("de_DE").match("de_DE.UTF-8"), 1);
    EXPECT_EQ(DesktopLocale{}.match("de"), std::nullopt);
}

TEST(DesktopEntry, LocalizedNameFollowsTheMatchOrder) {
    EXPECT_EQ(parse(kLocalized, "sr_YU.UTF-8@Latn").localeString("Name"), "LangCountryModifier");
    EXPECT_EQ(parse(kLocalized, "sr_YU").localeString("Name"), "LangCountry");
    EXPECT_EQ(parse(kLocalized, "sr@Latn").localeString("Name"), "LangModifier");
    EXPECT_EQ(parse(kLocalized, "sr_CS@Latn").localeString("Name"), "LangModifier");
    EXPECT_EQ(parse(kLocalized, "sr_CS").localeString("Name"), "Lang");
    EXPECT_EQ(parse(kLocalized, "de_AT.UTF-8").localeString("Name"), "German");
    EXPECT_EQ(parse(kLocalized, "de_DE.UTF-8").localeString("Name"), "German Germany");
    EXPECT_EQ(parse(kLocalized, "fr_FR.UTF-8").localeString("Name"), "Plain");
    EXPECT_EQ(parse(kLocalized, "C.UTF-8").localeString("Name"), "Plain");
    // The unlocalized value stays reachable.
    EXPECT_EQ(parse(kLocalized, "de_DE").string("Name"), "Plain");
}

TEST(DesktopEntry, OrderOfVariantsInTheFileDoesNotMatter) {
    const std::string_view text =
        "[Desktop Entry]\nName[pt_BR]=Brasil\nName[pt]=Portugal\nName=Plain\nType=Application\n";
    EXPECT_EQ(parse(text, "pt_BR.UTF-8").localeString("Name"), "Brasil");
    EXPECT_EQ(parse(text, "pt_PT.UTF-8").localeString("Name"), "Portugal");
    EXPECT_EQ(parse(text, "en_US.UTF-8").localeString("Name"), "Plain");
}

TEST(DesktopEntry, LocalizedVariantWithoutUnlocalizedValue) {
    const auto entry = parse("[Desktop Entry]\nName[de]=Nur Deutsch\n", "de_DE");
    EXPECT_EQ(entry.localeString("Name"), "Nur Deutsch");
    EXPECT_EQ(entry.string("Name"), std::nullopt);
    EXPECT_EQ(parse("[Desktop Entry]\nName[de]=Nur Deutsch\n", "fr").localeString("Name"),
              std::nullopt);
}

TEST(DesktopEntry, EscapesInStringValues) {
    const auto entry = parse(R"([Desktop Entry]
Name=\sLeading space, tab\there, line\nbreak, cr\r, backslash\\ and \q kept
Comment=ends with a backslash\
Exec=sh -c "echo \\$HOME"
)");
    EXPECT_EQ(entry.string("Name"),
              " Leading space, tab\there, line\nbreak, cr\r, backslash\\ and \\q kept");
    EXPECT_EQ(entry.string("Comment"), "ends with a backslash\\");
    EXPECT_EQ(entry.string("Exec"), "sh -c \"echo \\$HOME\"");
    EXPECT_EQ(unescapeDesktopString(R"(\\s)"), "\\s");
    EXPECT_EQ(unescapeDesktopString(""), "");
}

TEST(DesktopEntry, BlanksAroundTheEqualsSignAndLineEndings) {
    const auto entry =
        parse("[Desktop Entry]\r\nName = Spaced  \r\n  Icon\t=\tindented\nType=Application");
    EXPECT_EQ(entry.string("Name"), "Spaced  ");  // trailing blanks belong to the value
    EXPECT_EQ(entry.string("Icon"), "indented");
    EXPECT_EQ(entry.string("Type"), "Application");  // no newline at the end of the text
}

TEST(DesktopEntry, Lists) {
    EXPECT_EQ(splitDesktopList("Network;WebBrowser;"),
              (std::vector<std::string>{"Network", "WebBrowser"}));
    EXPECT_EQ(splitDesktopList("one;two"), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(splitDesktopList(R"(semi\;colon;back\\;space\s;)"),
              (std::vector<std::string>{"semi;colon", "back\\", "space "}));
    EXPECT_EQ(splitDesktopList("a;;b;"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(splitDesktopList(";"), (std::vector<std::string>{""}));
    EXPECT_EQ(splitDesktopList(""), (std::vector<std::string>{}));
    const auto entry =
        parse(readFile(fixturePath("apps/applications/org.gnome.Terminal.desktop")), "de_DE.UTF-8");
    EXPECT_EQ(entry.stringList("Categories"),
              (std::vector<std::string>{"GNOME", "GTK", "System", "TerminalEmulator"}));
    EXPECT_EQ(entry.localeStringList("Keywords"),
              (std::vector<std::string>{"Shell", "Eingabeaufforderung", "Befehl", "Befehlszeile"}));
    EXPECT_EQ(entry.stringList("Keywords").size(), 5u);
    EXPECT_TRUE(entry.stringList("NoSuchKey").empty());
}

TEST(DesktopEntry, Booleans) {
    const auto entry =
        parse("[Desktop Entry]\nA=true\nB=false\nC=1\nD=0\nE=True\nF=yes\nG=\nH[de]=true\n", "de");
    EXPECT_TRUE(entry.boolean("A"));
    EXPECT_FALSE(entry.boolean("B", true));
    EXPECT_TRUE(entry.boolean("C"));
    EXPECT_FALSE(entry.boolean("D", true));
    EXPECT_FALSE(entry.boolean("E"));  // case is significant
    EXPECT_FALSE(entry.boolean("F"));
    EXPECT_FALSE(entry.boolean("G", true));
    EXPECT_FALSE(entry.boolean("H"));  // booleans are never localized
    EXPECT_TRUE(entry.boolean("Missing", true));
    EXPECT_FALSE(entry.boolean("Missing"));
}

TEST(DesktopEntry, CommentsBlankLinesAndGarbageAreSkipped) {
    const auto entry = parse(R"(# A comment before the group
Stray=before any group

[Desktop Entry]
# Name=Commented out
   # indented comment
this line has no equals sign
=no key
Bad Key=spaces in the key
Bad_Key=underscore in the key
Name[=open bracket
Name[]=empty locale
Name[de]]=two brackets
Name=Real
Type=Application
Name=Second value ignored
[Broken group header
Icon=still in the entry group? no: the broken header left it
)");
    EXPECT_EQ(entry.string("Name"), "Real");
    EXPECT_EQ(entry.string("Type"), "Application");
    EXPECT_FALSE(entry.has("Stray"));
    EXPECT_FALSE(entry.has("Bad Key"));
    EXPECT_FALSE(entry.has("Bad_Key"));
    EXPECT_FALSE(entry.has(""));
    EXPECT_FALSE(entry.has("Icon"));
}

TEST(DesktopEntry, OtherGroupsAreIgnored) {
    const std::string text = readFile(fixturePath("apps/applications/firefox-esr.desktop"));
    const auto entry = parse(text, "de_DE.UTF-8");
    EXPECT_EQ(entry.localeString("Name"), "Firefox ESR (Erweiterte Unterstützung)");
    EXPECT_EQ(entry.string("Exec"), "/usr/lib/firefox-esr/firefox-esr %u");
    EXPECT_EQ(entry.stringList("Actions"),
              (std::vector<std::string>{"new-window", "new-private-window"}));
    // A group before [Desktop Entry], and a second [Desktop Entry] group, are ignored too.
    const auto entry2 = parse(
        "[Other]\nName=Other\n[Desktop Entry]\nName=Mine\n[Desktop Entry]\nName=Again\nIcon=x\n");
    EXPECT_EQ(entry2.string("Name"), "Mine");
    EXPECT_FALSE(entry2.has("Icon"));
}

TEST(DesktopEntry, NoDesktopEntryGroupIsNotAnEntry) {
    const DesktopLocale c;
    EXPECT_FALSE(parseDesktopEntry("", c));
    EXPECT_FALSE(parseDesktopEntry("Name=Foo\nType=Application\n", c));
    EXPECT_FALSE(parseDesktopEntry("[Desktop Action new]\nName=Foo\n", c));
    EXPECT_FALSE(parseDesktopEntry("[desktop entry]\nName=Foo\n", c));  // case is significant
    EXPECT_FALSE(parseDesktopEntry(std::string("\0\x01\xff garbage", 11), c));
    EXPECT_TRUE(parseDesktopEntry("[Desktop Entry]\n", c));
}

TEST(DesktopApplicationKind, RegularApplication) {
    const auto app = describe("[Desktop Entry]\nType=Application\nName=Editor\nIcon=editor\n");
    EXPECT_EQ(app.activationPolicy, ActivationPolicy::Regular);
    EXPECT_EQ(app.name, "Editor");
    EXPECT_EQ(app.icon, "editor");
    EXPECT_EQ(app.path, "/x.desktop");
}

TEST(DesktopApplicationKind, NoDisplayIsAccessoryHiddenIsProhibited) {
    EXPECT_EQ(
        describe("[Desktop Entry]\nType=Application\nName=A\nNoDisplay=true\n").activationPolicy,
        ActivationPolicy::Accessory);
    EXPECT_EQ(
        describe("[Desktop Entry]\nType=Application\nName=A\nNoDisplay=false\n").activationPolicy,
        ActivationPolicy::Regular);
    EXPECT_EQ(describe("[Desktop Entry]\nType=Application\nName=A\nHidden=true\n").activationPolicy,
              ActivationPolicy::Prohibited);
    EXPECT_EQ(describe("[Desktop Entry]\nType=Application\nName=A\nHidden=true\nNoDisplay=true\n")
                  .activationPolicy,
              ActivationPolicy::Prohibited);
}

TEST(DesktopApplicationKind, OtherTypesAndMissingNameAreProhibited) {
    EXPECT_EQ(
        describe("[Desktop Entry]\nType=Link\nName=A\nURL=https://example.org/\n").activationPolicy,
        ActivationPolicy::Prohibited);
    EXPECT_EQ(describe("[Desktop Entry]\nType=Directory\nName=A\n").activationPolicy,
              ActivationPolicy::Prohibited);
    EXPECT_EQ(describe("[Desktop Entry]\nName=A\n").activationPolicy, ActivationPolicy::Prohibited);
    EXPECT_EQ(describe("[Desktop Entry]\nType=application\nName=A\n").activationPolicy,
              ActivationPolicy::Prohibited);
    const auto nameless = describe("[Desktop Entry]\nType=Application\nIcon=x\n");
    EXPECT_EQ(nameless.activationPolicy, ActivationPolicy::Prohibited);
    EXPECT_EQ(nameless.name, "");
    // A name only in another language is still a name in that language.
    EXPECT_EQ(describe("[Desktop Entry]\nType=Application\nName[de]=A\n", "de").activationPolicy,
              ActivationPolicy::Regular);
}

TEST(DesktopApplicationKind, MissingIconIsEmpty) {
    const auto app = describe("[Desktop Entry]\nType=Application\nName=No icon\n");
    EXPECT_EQ(app.activationPolicy, ActivationPolicy::Regular);
    EXPECT_EQ(app.icon, "");
}

TEST(DesktopApplicationKind, LocalizedNameFromFixtures) {
    const std::string terminal =
        readFile(fixturePath("apps/applications/org.gnome.Terminal.desktop"));
    EXPECT_EQ(describe(terminal, "sr_RS@latin").name, "Terminal (latinica)");
    EXPECT_EQ(describe(terminal, "sr_RS").name, "Терминал");
    EXPECT_EQ(describe(terminal, "pt_BR.UTF-8").name, "Terminal do GNOME");
    EXPECT_EQ(describe(terminal, "pt_PT.UTF-8").name, "Terminal");
    EXPECT_EQ(describe(terminal, "zh_TW.UTF-8").name, "終端機");
    EXPECT_EQ(describe(terminal, "zh_CN.UTF-8").icon, "org.gnome.Terminal");
}

}  // namespace
}  // namespace headroom
