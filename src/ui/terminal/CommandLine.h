#pragma once

#include <optional>
#include <string>
#include <vector>

namespace headroom {

/// What the command line asks for.
struct CommandLine {
    enum class Mode { Default, Print, Terminal, Help, Version };
    Mode mode = Mode::Default;
    bool json = false;
    std::string procfs = "/proc";
    std::optional<std::string> config;  ///< nothing: the default preference file
};

/// Parses the arguments after the program name. On a mistake, returns nothing and sets
/// `error` to one line that says what was wrong.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error);

/// The text of --help.
std::string usageText(const std::string& program);

}  // namespace headroom
