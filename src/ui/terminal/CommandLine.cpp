#include "ui/terminal/CommandLine.h"

#include <glib.h>

namespace headroom {

std::optional<CommandLine> parseCommandLine(int argc, char** argv, std::string& error) {
    // GLib reads the options; the help text below is the program's own.
    gboolean help = FALSE, version = FALSE, print = FALSE, json = FALSE, terminal = FALSE,
             watch = FALSE;
    g_autofree gchar* procfs = nullptr;
    g_autofree gchar* config = nullptr;
    const GOptionEntry entries[] = {
        {"help", 'h', 0, G_OPTION_ARG_NONE, &help, nullptr, nullptr},
        {"version", 0, 0, G_OPTION_ARG_NONE, &version, nullptr, nullptr},
        {"print", 0, 0, G_OPTION_ARG_NONE, &print, nullptr, nullptr},
        {"json", 0, 0, G_OPTION_ARG_NONE, &json, nullptr, nullptr},
        {"terminal", 0, 0, G_OPTION_ARG_NONE, &terminal, nullptr, nullptr},
        {"watch", 0, 0, G_OPTION_ARG_NONE, &watch, nullptr, nullptr},
        {"procfs", 0, 0, G_OPTION_ARG_FILENAME, &procfs, nullptr, nullptr},
        {"config", 0, 0, G_OPTION_ARG_FILENAME, &config, nullptr, nullptr},
        {}};
    g_autoptr(GOptionContext) context = g_option_context_new(nullptr);
    g_option_context_set_help_enabled(context, FALSE);
    g_option_context_add_main_entries(context, entries, nullptr);
    g_autoptr(GError) failure = nullptr;
    const bool parsed = g_option_context_parse(context, &argc, &argv, &failure);
    CommandLine line;
    if (!parsed) {
        error = std::string(failure->message) + " (try --help)";
    } else if (argc > 1) {
        error = std::string("unknown option '") + argv[1] + "' (try --help)";
    } else if (help || version) {
        line.mode = help ? CommandLine::Mode::Help : CommandLine::Mode::Version;
        return line;
    } else if (procfs != nullptr && *procfs == '\0') {
        error = "option --procfs needs a folder";
    } else if (config != nullptr && *config == '\0') {
        error = "option --config needs a file";
    } else if (print + terminal + watch > 1) {
        error = "--print, --terminal and --watch cannot be used together";
    } else if (json && !print && !watch) {
        error = "--json goes with --print or --watch";
    } else {
        line.mode = print      ? CommandLine::Mode::Print
                    : terminal ? CommandLine::Mode::Terminal
                    : watch    ? CommandLine::Mode::Watch
                               : CommandLine::Mode::Default;
        line.json = json;
        line.procfs = procfs != nullptr ? procfs : line.procfs;
        if (config != nullptr) {
            line.config = config;
        }
        return line;
    }
    return std::nullopt;
}

std::string usageText(const std::string& program) {
    return "Usage: " + program + R"( [OPTION]...
Shows free memory in the desktop's status area, with the memory breakdown and the
applications that hold a significant share of it. Without a display it shows the
same in the terminal.

  --print          run the launch and one refresh, print the status title and
                   every menu row, and exit
  --json           with --print: print one JSON object instead; with --watch: one
                   object a line, as waybar's custom modules read them
  --watch          print the status title on a line of its own after every refresh
                   that changed it, for status bars (i3blocks, polybar); ends when
                   its output is closed
  --terminal       show the live view in the terminal (keys: c clean, p percentage, q quit)
  --procfs DIR     read memory and processes under DIR instead of /proc
  --config FILE    keep preferences in FILE instead of
                   $XDG_CONFIG_HOME/headroom/preferences.ini
  --help           show this help and exit
  --version        show the version and exit

Exit status: 0 on success, 2 on a bad option, procfs or preference file, or with no
display when standard output is not a terminal.
)";
}

}  // namespace headroom
