// What Headroom reads of desktop entries: the name in the user's languages (LANGUAGE included),
// escapes, which entries name an application, and files that are not entries.

#include "platform/linux/DesktopEntry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "TestSupport.h"

namespace headroom {
namespace {

using test::fixturePath;
using test::readFile;
using test::ScopedEnv;

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

TEST(DesktopEntry, NamesPoliciesAndEscapes) {
    const std::string terminal =
        readFile(fixturePath("apps/applications/org.gnome.Terminal.desktop"));
    const bool R = true;   // regular: an application the user can switch to
    const bool N = false;  // not
    struct Case {
        std::string_view text;
        const char* language;  ///< LANGUAGE, which GLib reads before LC_ALL, LC_MESSAGES, LANG
        std::string name;
        bool regular;
    };
    const Case cases[] = {
        // GLib picks the most specific variant for each language in turn. (Which of LC_ALL,
        // LC_MESSAGES and LANG comes first, and the plain names, are checked end to end.)
        {kLocalized, "sr_YU.UTF-8@Latn", "LangCountryModifier", R},
        {kLocalized, "fr:de", "German", R},  // a list, in the user's order
        // LANGUAGE before LANG: the same file reads in French, or in English without it.
        {"[Desktop Entry]\nType=Application\nName=Text Editor\nName[fr]=Éditeur de texte\n", "fr",
         "Éditeur de texte", R},
        {"[Desktop Entry]\nType=Application\nName=Text Editor\nName[fr]=Éditeur de texte\n",
         nullptr, "Text Editor", R},
        {terminal, "zh_TW.UTF-8", "終端機", R},
        // A name only in another language is a name in that language only.
        {"[Desktop Entry]\nType=Application\nName[de]=Nur\n", "de", "Nur", R},
        {"[Desktop Entry]\nType=Application\nName[de]=Nur\n", "fr", "", N},
        // Escapes are decoded; blanks around '=' and a CR before the newline go.
        {"[Desktop Entry]\r\nType = Application\r\nName=\\sTab\\there\\\\\r\n", "C", " Tab\there\\",
         R},
        // NoDisplay (a helper, end to end), Hidden, another Type or no Name make no regular
        // application.
        {"[Desktop Entry]\nType=Application\nName=A\nNoDisplay=false\n", "C", "A", R},
        {"[Desktop Entry]\nType=Application\nName=A\nHidden=true\nNoDisplay=true\n", "C", "A", N},
        {"[Desktop Entry]\nType=Application\nName=A\nHidden=1\n", "C", "A", N},
        {"[Desktop Entry]\nType=Link\nName=A\nURL=https://example.org/\n", "C", "A", N},
        {"[Desktop Entry]\nType=application\nName=A\n", "C", "A", N},
        {"[Desktop Entry]\nName=A\n", "C", "A", N},
        {"[Desktop Entry]\nType=Application\nIcon=x\n", "C", "", N},
        {"[Desktop Entry]\nType=Application\nName=\xff\xfe\n", "C", "", N},  // not UTF-8
    };
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv messages("LC_MESSAGES", nullptr);
    ScopedEnv lang("LANG", "en_US.UTF-8");
    for (const Case& c : cases) {
        ScopedEnv language("LANGUAGE", c.language);
        const auto entry = parseDesktopEntry(c.text);
        ASSERT_TRUE(entry) << c.text;
        EXPECT_EQ(entry->name, c.name) << c.text << " in " << (c.language ? c.language : "en_US");
        EXPECT_EQ(entry->regular, c.regular) << c.text;
    }
    EXPECT_EQ(parseDesktopEntry(terminal)->icon, "org.gnome.Terminal");
    EXPECT_EQ(parseDesktopEntry("[Desktop Entry]\nName=A\n")->icon, "");
}

TEST(DesktopEntry, WhatIsNotAnEntry) {
    for (const std::string_view text : {
             std::string_view{},
             std::string_view{"Name=Foo\nType=Application\n"},
             std::string_view{"[Desktop Action new]\nName=Foo\n"},
             std::string_view{"[desktop entry]\nName=Foo\n"},
             std::string_view{"\0\x01\xff garbage", 11},
         }) {
        EXPECT_FALSE(parseDesktopEntry(text)) << text;
    }
    // A FIFO among the entries is refused at once instead of waiting for a writer.
    test::TempDir dir;
    const std::string fifo = dir.path() + "/pipe.desktop";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(readDesktopEntry(fifo));
    EXPECT_FALSE(readDesktopEntry(dir.path() + "/missing.desktop"));
}

}  // namespace
}  // namespace headroom
