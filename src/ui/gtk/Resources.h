#pragma once

#include <optional>
#include <string>

namespace headroom {

class SystemLog;

/// The folder of the program's resource files (artwork): `resources` beside the binary when
/// there is one, else the installed data folder (`../share/headroom` from the binary, as
/// `cmake --install` lays it out) when there is one, else the source tree's folder the build
/// was made from. A file missing from the folder is said by readResource.
std::string resourcesDirectory();

/// Every window of the program carries the application's icon `name`, and images find it by
/// that name: the icon theme's (installed in hicolor), or in a build tree the one in
/// `directory`. Needs GTK initialised.
void useApplicationIcon(const std::string& directory, const char* name);

/// The text of resource file `fileName` in `directory`. Nothing when it cannot be read, after
/// one line in the log that says which file and why.
std::optional<std::string> readResource(const std::string& directory, const std::string& fileName,
                                        SystemLog& log);

}  // namespace headroom
