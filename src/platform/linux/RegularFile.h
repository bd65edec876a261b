#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

namespace headroom {

/// How opening or reading a file from outside the program went.
enum class FileStatus {
    Ok,
    Missing,     ///< no such file, or a path through something that is not a folder
    NotRegular,  ///< a FIFO, device, socket or folder: never read
    TooLarge,    ///< more bytes than the caller's limit
    Failed,      ///< any other error of open or read
};

/// "a FIFO", "a character device", "a folder"…: what a file that is not a regular file is, for
/// messages.
std::string fileKind(mode_t mode);

/// Opens `path` for reading without blocking, and keeps it open only if fstat(2) says it is a
/// regular file. O_NONBLOCK keeps a FIFO without a writer (or a device) from hanging the open
/// itself; O_NOCTTY keeps a terminal from becoming ours. Returns the descriptor (close-on-exec) or
/// -1, with `status` and a one-line `reason` that names the path. `status` of the file is left in
/// `info` when given.
int openRegularFile(const std::string& path, FileStatus& status, std::string& reason,
                    struct stat* info = nullptr);

/// Reads an open file whole from its start into `contents`, as `readRegularFile` does.
FileStatus readOpenFile(int fd, const std::string& path, std::size_t limit, std::string& contents,
                        std::string& reason);

/// Reads `path` whole into `contents`, as `openRegularFile` opens it. A file of more than
/// `limit` bytes gives TooLarge with its first `limit` bytes in `contents`, for a caller that
/// only needs its start; any other failure leaves `contents` empty. EINTR is retried.
FileStatus readRegularFile(const std::string& path, std::size_t limit, std::string& contents,
                           std::string& reason, struct stat* info = nullptr);

}  // namespace headroom
