#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace headroom {

/// Reads a file of the proc filesystem again and again through one kept descriptor.
///
/// Files such as `/proc/meminfo` are generated afresh by the kernel on every read from offset 0,
/// so keeping the descriptor and calling `pread(fd, …, 0)` gives a new snapshot without the
/// cost of open/close (see DESIGN.md, "Costs to beat"). The text is read into a buffer owned by
/// the reader and reused across reads; the buffer grows (doubling) when a file does not fit.
/// Interrupted calls (EINTR) are retried and short reads are continued until end of file.
///
/// A file that is not on a proc filesystem (a test fixture under `--procfs DIR`) is opened
/// afresh on every read instead, so that a fixture replaced by rename is seen at once.
///
/// Not thread-safe; one reader per thread.
class ProcFileReader {
  public:
    /// Opens `path` (read-only, close-on-exec, without blocking; only a regular file, see
    /// RegularFile.h). A failure is kept in `error()`; `read()` tries
    /// to open the file again, so a file that appears later is picked up.
    explicit ProcFileReader(std::string path);
    ~ProcFileReader();

    ProcFileReader(const ProcFileReader&) = delete;
    ProcFileReader& operator=(const ProcFileReader&) = delete;
    ProcFileReader(ProcFileReader&& other) noexcept;
    ProcFileReader& operator=(ProcFileReader&& other) noexcept;

    bool isOpen() const { return fd_ >= 0; }
    /// Whether the descriptor is kept between reads (the file is on a proc filesystem).
    bool keepsDescriptor() const { return keepDescriptor_; }
    const std::string& path() const { return path_; }

    /// The whole file as it is now. The view stays valid until the next `read()` or the
    /// reader's end. Nothing when the file cannot be opened or read (see `error()`).
    std::optional<std::string_view> read();

    /// Why the last open or read failed, e.g. "cannot read /proc/meminfo: No such file or
    /// directory"; empty after a successful read.
    const std::string& error() const { return error_; }

    /// Largest file the reader accepts, in bytes; larger files fail to read.
    static constexpr std::size_t kMaximumSize = 16 * 1024 * 1024;

  private:
    bool open();
    void close();
    void fail(const char* what, int error);

    std::string path_;
    int fd_ = -1;
    bool keepDescriptor_ = true;
    std::string buffer_;
    std::string error_;
};

}  // namespace headroom
