#include "platform/linux/ProcFileReader.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/linux/RegularFile.h"

namespace headroom {

namespace {

constexpr std::size_t kInitialSize = 8192;  // /proc/meminfo is about 1.5 kB

}  // namespace

ProcFileReader::ProcFileReader(std::string path) : path_(std::move(path)) {
    open();
}

ProcFileReader::~ProcFileReader() {
    close();
}

ProcFileReader::ProcFileReader(ProcFileReader&& other) noexcept
    : path_(std::move(other.path_)),
      fd_(std::exchange(other.fd_, -1)),
      keepDescriptor_(other.keepDescriptor_),
      buffer_(std::move(other.buffer_)),
      error_(std::move(other.error_)) {}

ProcFileReader& ProcFileReader::operator=(ProcFileReader&& other) noexcept {
    if (this != &other) {
        close();
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
        keepDescriptor_ = other.keepDescriptor_;
        buffer_ = std::move(other.buffer_);
        error_ = std::move(other.error_);
    }
    return *this;
}

bool ProcFileReader::open() {
    // Only a regular file is read (the kernel's files under /proc are regular files too): a
    // FIFO or a device named by --procfs must neither hang the refresh nor be read without end.
    FileStatus status = FileStatus::Failed;
    const int fd = openRegularFile(AT_FDCWD, path_, status, error_);
    if (fd < 0) {
        return false;
    }
    fd_ = fd;
    struct statfs filesystem {};
    keepDescriptor_ =
        ::fstatfs(fd, &filesystem) == 0 &&
        filesystem.f_type == static_cast<decltype(filesystem.f_type)>(PROC_SUPER_MAGIC);
    return true;
}

void ProcFileReader::close() {
    if (fd_ >= 0) {
        ::close(fd_);  // not retried on EINTR: on Linux the descriptor is released regardless
        fd_ = -1;
    }
}

void ProcFileReader::fail(const char* what, int error) {
    error_ = std::string(what) + " " + path_ + ": " + std::strerror(error);
}

std::optional<std::string_view> ProcFileReader::read() {
    if (!keepDescriptor_) {
        close();
    }
    if (fd_ < 0 && !open()) {
        return std::nullopt;
    }
    if (buffer_.size() < kInitialSize) {
        buffer_.resize(kInitialSize);
    }
    std::size_t total = 0;
    for (;;) {
        if (total == buffer_.size()) {
            if (buffer_.size() >= kMaximumSize) {
                error_ = "cannot read " + path_ + ": larger than " + std::to_string(kMaximumSize) +
                         " bytes";
                return std::nullopt;
            }
            buffer_.resize(buffer_.size() * 2);
        }
        // Continuing at `total` after a short read is consistent for seq_file-backed files:
        // the kernel serves the rest of the snapshot it generated for offset 0.
        const ssize_t count =
            ::pread(fd_, buffer_.data() + total, buffer_.size() - total, static_cast<off_t>(total));
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            fail("cannot read", error);
            close();  // reopen on the next read: the file may have been replaced
            return std::nullopt;
        }
        if (count == 0) {
            break;  // end of file
        }
        total += static_cast<std::size_t>(count);
    }
    error_.clear();
    return std::string_view(buffer_.data(), total);
}

}  // namespace headroom
