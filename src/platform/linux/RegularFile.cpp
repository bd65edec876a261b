#include "platform/linux/RegularFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace headroom {

std::string fileKind(mode_t mode) {
    for (const auto& [type, kind] : {std::pair<mode_t, const char*>{S_IFDIR, "a folder"},
                                     {S_IFCHR, "a character device"},
                                     {S_IFBLK, "a block device"},
                                     {S_IFIFO, "a FIFO"},
                                     {S_IFSOCK, "a socket"}}) {
        if ((mode & S_IFMT) == type) {
            return kind;
        }
    }
    return "not a regular file";
}

int openRegularFile(const std::string& path, FileStatus& status, std::string& reason,
                    struct stat* info) {
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    struct stat own {};
    struct stat& st = info != nullptr ? *info : own;
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        const int error = errno;
        status = error == ENOENT || error == ENOTDIR ? FileStatus::Missing : FileStatus::Failed;
        reason = (fd < 0 ? "cannot open " : "cannot read ") + path + ": " + std::strerror(error);
    } else if (!S_ISREG(st.st_mode)) {
        status = FileStatus::NotRegular;
        reason = path + " is " + fileKind(st.st_mode) + ", not a regular file";
    } else {
        status = FileStatus::Ok;
        reason.clear();
        return fd;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return -1;
}

FileStatus readOpenFile(int fd, const std::string& path, std::size_t limit, std::string& contents,
                        std::string& reason) {
    // Files of the proc filesystem say size 0, so the bound is checked while reading; one byte
    // more than the limit tells a file of exactly `limit` bytes from a larger one. Reading from
    // offset 0 (pread) makes the kernel generate a proc file afresh.
    constexpr std::size_t kChunk = 8192;
    FileStatus status = FileStatus::Ok;
    contents.clear();
    while (status == FileStatus::Ok && contents.size() <= limit) {
        const std::size_t used = contents.size();
        contents.resize(used + std::min(kChunk, limit + 1 - used));
        const ssize_t count =
            ::pread(fd, contents.data() + used, contents.size() - used, static_cast<off_t>(used));
        const int error = errno;
        contents.resize(used + static_cast<std::size_t>(std::max<ssize_t>(count, 0)));
        if (count == 0) {
            break;
        }
        if (count < 0 && error != EINTR) {
            status = FileStatus::Failed;
            reason = "cannot read " + path + ": " + std::strerror(error);
            contents.clear();
        }
    }
    if (contents.size() > limit) {
        status = FileStatus::TooLarge;
        reason = path + " is larger than " + std::to_string(limit) + " bytes";
        contents.resize(limit);
    }
    return status;
}

FileStatus readRegularFile(const std::string& path, std::size_t limit, std::string& contents,
                           std::string& reason, struct stat* info) {
    contents.clear();
    FileStatus status = FileStatus::Failed;
    const int fd = openRegularFile(path, status, reason, info);
    if (fd < 0) {
        return status;
    }
    status = readOpenFile(fd, path, limit, contents, reason);
    ::close(fd);
    return status;
}

}  // namespace headroom
