#pragma once

#include <string>
#include <string_view>

namespace headroom {

/// `text` made safe to write to a terminal: every control character (C0, DEL, the C1 range
/// U+0080–U+009F, whose CSI and OSC a terminal obeys as it does ESC [ and ESC ], and the
/// bidirectional controls, which turn the rest of the line around) and every byte that is not
/// part of valid UTF-8 is written as a visible escape, `\x1b` for a byte and `\u202e` for a
/// character. Everything else, including non-ASCII letters, is kept as it is. Names and paths
/// come from outside (a desktop entry's Name, a file name): written raw, they could clear the
/// screen, rename the terminal or fake a line of output.
std::string escapeControlCharacters(std::string_view text);

}  // namespace headroom
