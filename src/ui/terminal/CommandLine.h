#pragma once

#include <optional>
#include <string>

namespace headroom {

/// What the command line asks for.
struct CommandLine {
    enum class Mode { Default, Print, Terminal, Watch, Help, Version };
    Mode mode = Mode::Default;
    bool json = false;
    std::string procfs = "/proc";
    std::optional<std::string> config;  ///< nothing: the default preference file
};

/// Parses main's arguments (GLib takes out those it reads). On a mistake, returns nothing and
/// sets `error` to one line that says what was wrong.
std::optional<CommandLine> parseCommandLine(int argc, char** argv, std::string& error);

/// The text of --help.
std::string usageText(const std::string& program);

}  // namespace headroom
