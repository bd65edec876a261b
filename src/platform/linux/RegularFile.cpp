#include "platform/linux/RegularFile.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace headroom {

std::string fileKind(mode_t mode) {
    switch (mode & S_IFMT) {
        case S_IFREG:
            return "a regular file";
        case S_IFDIR:
            return "a folder";
        case S_IFCHR:
            return "a character device";
        case S_IFBLK:
            return "a block device";
        case S_IFIFO:
            return "a FIFO";
        case S_IFSOCK:
            return "a socket";
        case S_IFLNK:
            return "a symbolic link";
        default:
            return "not a regular file";
    }
}

int openRegularFile(int folderFd, const std::string& path, FileStatus& status, std::string& reason,
                    struct stat* info) {
    int fd = -1;
    do {
        fd = ::openat(folderFd, path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno;
        status = error == ENOENT || error == ENOTDIR ? FileStatus::Missing : FileStatus::Failed;
        reason = "cannot open " + path + ": " + std::strerror(error);
        return -1;
    }
    struct stat own {};
    struct stat& st = info != nullptr ? *info : own;
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        status = FileStatus::Failed;
        reason = "cannot read " + path + ": " + std::strerror(error);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        status = FileStatus::NotRegular;
        reason = path + " is " + fileKind(st.st_mode) + ", not a regular file";
        return -1;
    }
    status = FileStatus::Ok;
    reason.clear();
    return fd;
}

FileStatus readRegularFile(int folderFd, const std::string& path, std::size_t limit,
                           std::string& contents, std::string& reason, struct stat* info) {
    contents.clear();
    FileStatus status = FileStatus::Failed;
    const int fd = openRegularFile(folderFd, path, status, reason, info);
    if (fd < 0) {
        return status;
    }
    std::array<char, 16384> chunk{};
    for (;;) {
        // One byte more than the limit tells a file of exactly `limit` bytes from a larger one.
        const std::size_t room = limit + 1 - contents.size();
        const ssize_t count = ::read(fd, chunk.data(), std::min(chunk.size(), room));
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            ::close(fd);
            contents.clear();
            reason = "cannot read " + path + ": " + std::strerror(error);
            return FileStatus::Failed;
        }
        if (count == 0) {
            break;
        }
        contents.append(chunk.data(), static_cast<std::size_t>(count));
        if (contents.size() > limit) {
            ::close(fd);
            contents.clear();
            reason = path + " is larger than " + std::to_string(limit) + " bytes";
            return FileStatus::TooLarge;
        }
    }
    ::close(fd);
    reason.clear();
    return FileStatus::Ok;
}

}  // namespace headroom
