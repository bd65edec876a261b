#pragma once

#include <string>

namespace headroom {

/// The folder of the running program, from /proc/self/exe (proc(5)); empty when that link
/// cannot be read. The binaries and their resources are found relative to it, so that a build
/// tree and any install prefix work alike.
std::string executableFolder();

}  // namespace headroom
