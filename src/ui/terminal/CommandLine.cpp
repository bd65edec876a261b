#include "ui/terminal/CommandLine.h"

namespace headroom {

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error) {
    CommandLine line;
    bool print = false;
    bool terminal = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        // Options that take a value accept both "--opt VALUE" and "--opt=VALUE".
        auto value = [&](const std::string& name) -> std::optional<std::string> {
            if (argument == name) {
                if (i + 1 >= arguments.size()) {
                    error = "option " + name + " needs a value";
                    return std::nullopt;
                }
                return arguments[++i];
            }
            return argument.substr(name.size() + 1);
        };
        if (argument == "--help" || argument == "-h") {
            line.mode = CommandLine::Mode::Help;
            return line;
        }
        if (argument == "--version") {
            line.mode = CommandLine::Mode::Version;
            return line;
        }
        if (argument == "--print") {
            print = true;
        } else if (argument == "--json") {
            line.json = true;
        } else if (argument == "--terminal") {
            terminal = true;
        } else if (argument == "--procfs" || argument.rfind("--procfs=", 0) == 0) {
            auto dir = value("--procfs");
            if (!dir) {
                return std::nullopt;
            }
            if (dir->empty()) {
                error = "option --procfs needs a folder";
                return std::nullopt;
            }
            line.procfs = *dir;
        } else if (argument == "--config" || argument.rfind("--config=", 0) == 0) {
            auto file = value("--config");
            if (!file) {
                return std::nullopt;
            }
            if (file->empty()) {
                error = "option --config needs a file";
                return std::nullopt;
            }
            line.config = *file;
        } else {
            error = "unknown option '" + argument + "' (try --help)";
            return std::nullopt;
        }
    }
    if (print && terminal) {
        error = "--print and --terminal cannot be used together";
        return std::nullopt;
    }
    if (line.json && !print) {
        error = "--json goes with --print";
        return std::nullopt;
    }
    if (print) {
        line.mode = CommandLine::Mode::Print;
    } else if (terminal) {
        line.mode = CommandLine::Mode::Terminal;
    }
    return line;
}

std::string usageText(const std::string& program) {
    return "Usage: " + program + R"( [OPTION]...
Shows free memory in the desktop's status area, with the memory breakdown and the
applications that hold a significant share of it. Without a display it shows the
same in the terminal.

  --print          run the launch and one refresh, print the status title and
                   every menu row, and exit
  --json           with --print: print one JSON object instead
  --terminal       show the live view in the terminal (keys: c clean, p percentage, q quit)
  --procfs DIR     read memory and processes under DIR instead of /proc
  --config FILE    keep preferences in FILE instead of
                   $XDG_CONFIG_HOME/headroom/preferences.ini
  --help           show this help and exit
  --version        show the version and exit

Exit status: 0 on success, 2 on a bad option, procfs or preference file.
)";
}

}  // namespace headroom
