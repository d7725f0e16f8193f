// The one seam through which the core touches the file system.
//
// Every read, durable write, sync, rename and removal of node and journal files
// goes through these functions, so that tests can inject a failure at the k-th
// operation (`set_fault_injector`) and check that nothing is lost.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "error/lorewood_error.h"

namespace lorewood::platform {

namespace fs = std::filesystem;

template <typename T>
using IoResult = std::expected<T, IoError>;

// Operations a fault injector can make fail.
enum class FsOp { Write, Sync, Rename, Remove, CreateDir };

// Called before each operation; returning a nonzero errno makes it fail with
// that error. An empty function (the default) injects nothing.
using FaultInjector = std::function<int(FsOp op, const fs::path& path)>;
void set_fault_injector(FaultInjector injector);

// Reads the whole file.
IoResult<std::string> read_file(const fs::path& path);

// Writes all of `bytes` to `fd`, retrying interrupted and partial writes. A write
// that accepts zero bytes fails with "failed to write whole buffer".
IoResult<void> write_all(int fd, std::string_view bytes, const fs::path& path);

// fsync of an open file.
IoResult<void> sync_fd(int fd, const fs::path& path);

// fsync of a directory, so that a rename or creation inside it is durable.
IoResult<void> sync_directory(const fs::path& dir);

// Creates `dir/<prefix><6 random alphanumerics>` exclusively with mode 0600.
struct TempFile {
  int fd = -1;
  fs::path path;
};
IoResult<TempFile> create_temp_file(const fs::path& dir, std::string_view prefix);

// Atomic replace of `to` by `from` (rename(2)).
IoResult<void> rename_file(const fs::path& from, const fs::path& to);

// Writes `bytes` to a fresh owner-only temporary file beside `target`, syncs it,
// renames it onto `target` and syncs the directory. On failure the temporary
// file is removed and `target` is untouched.
IoResult<void> write_file_atomically(const fs::path& target, std::string_view bytes,
                                     std::string_view temp_prefix = ".tmp");

// unlink(2).
IoResult<void> remove_file(const fs::path& path);

// Recursive removal of a directory tree (no error if it is already gone).
IoResult<void> remove_tree(const fs::path& path);

// mkdir -p with the given mode (before umask).
IoResult<void> create_directories(const fs::path& path, unsigned mode = 0777);

// True when something (any kind of entry, not following a final link) exists.
bool entry_exists(const fs::path& path);

// Modification time in whole seconds since the epoch, or nullopt when the file
// cannot be examined.
std::optional<long long> modified_unix(const fs::path& path);

// The canonical absolute form of an existing path (every symbolic link resolved).
IoResult<fs::path> canonical_path(const fs::path& path);

// Size in bytes of the file `path` names (following links).
IoResult<std::uint64_t> file_size(const fs::path& path);

// Up to `max_bytes` from the start of the file; fewer only at end of file.
IoResult<std::string> read_prefix(const fs::path& path, std::size_t max_bytes);

// Owns a file descriptor and closes it on destruction.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes the descriptor (if any); close errors are ignored.
  void reset();

 private:
  int fd_ = -1;
};

// Like modified_unix, for `path` resolved against the open directory `dir_fd`
// (an absolute `path` ignores it). Spares building a joined path per file when
// many files under one directory are examined.
std::optional<long long> modified_unix_at(int dir_fd, const fs::path& path);

// Opens a directory (read-only) to serve as the base of *_at calls.
IoResult<UniqueFd> open_directory(const fs::path& path);

// Opens `path` write-only, creating it with `mode` (before umask) or truncating it.
IoResult<UniqueFd> open_for_writing(const fs::path& path, unsigned mode);

// Opens `path` (creating it with mode 0600 when absent) and takes an exclusive
// advisory lock (flock) without waiting. Returns the descriptor holding the
// lock, or nullopt when another open file description holds it.
IoResult<std::optional<UniqueFd>> try_lock_exclusive(const fs::path& path);

// Consults the fault injector; returns its errno (0 when nothing is injected).
int injected_fault(FsOp op, const fs::path& path);

}  // namespace lorewood::platform
