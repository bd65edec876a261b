// Text from outside written to a terminal: control characters are shown, never obeyed.

#include "ui/terminal/TerminalText.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace headroom {
namespace {

TEST(TerminalText, EscapesEveryControlCharacterAndKeepsText) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Firefox ESR", "Firefox ESR"},
        {"Éditeur de texte 日本語 🙂", "Éditeur de texte 日本語 🙂"},
        // A title change, a cleared screen and a faked line, as a hostile Name holds them.
        {"Evil\x1b]0;pwned\a\x1b[2J\r\nTitle: 9.99 GB",
         R"(Evil\x1b]0;pwned\x07\x1b[2J\x0d\x0aTitle: 9.99 GB)"},
        {std::string("nul\0tab\tdel\x7f", 12), R"(nul\x00tab\x09del\x7f)"},
        // C1 controls as UTF-8 (CSI is U+009B), and the same bytes as raw 8-bit controls.
        {"\xc2\x9b"
         "2J \xc2\x9d"
         "0;x",
         R"(\u009b2J \u009d0;x)"},
        {"\x9b"
         "2J",
         R"(\x9b2J)"},
        // Broken UTF-8: a lone lead byte, an overlong slash, a surrogate, past U+10FFFF.
        {"a\xc3", R"(a\xc3)"},
        {"\xc0\xaf", R"(\xc0\xaf)"},
        {"\xed\xa0\x80", R"(\xed\xa0\x80)"},
        {"\xf4\x90\x80\x80", R"(\xf4\x90\x80\x80)"},
        // Bidirectional controls at each end of their ranges ("evil\u202etxt.exe" would show as
        // "evilexe.txt").
        {"evil\u202etxt.exe \u202a\u2066\u2069\u200e\u200f\u061c",
         R"(evil\u202etxt.exe \u202a\u2066\u2069\u200e\u200f\u061c)"},
        // U+00A0, U+0100 and the neighbours of those ranges (the joiner U+200D of emoji
        // sequences among them) are not controls.
        {"\xc2\xa0\xc4\x80\u200d\u202f\u2065\u206a", "\xc2\xa0\xc4\x80\u200d\u202f\u2065\u206a"},
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(escapeControlCharacters(text), shown) << text;
    }
}

}  // namespace
}  // namespace headroom
