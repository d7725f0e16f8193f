#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/random.h"

namespace lorewood::platform {
namespace {

std::mutex& injector_mutex() {
  static std::mutex mutex;
  return mutex;
}

FaultInjector& injector() {
  static FaultInjector value;
  return value;
}

std::unexpected<IoError> os_error(int error_number) {
  return std::unexpected(IoError::from_errno(error_number));
}

// Closes a descriptor on scope exit unless released.
class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() {
    if (fd_ >= 0) ::close(fd_);
  }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;

 private:
  int fd_;
};

}  // namespace

void set_fault_injector(FaultInjector fault) {
  std::lock_guard lock(injector_mutex());
  injector() = std::move(fault);
}

int injected_fault(FsOp op, const fs::path& path) {
  std::lock_guard lock(injector_mutex());
  return injector() ? injector()(op, path) : 0;
}

IoResult<std::string> read_file(const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return os_error(errno);
  FdCloser closer(fd);
  struct stat info;
  if (::fstat(fd, &info) != 0) return os_error(errno);
  if (S_ISDIR(info.st_mode)) return os_error(EISDIR);
  std::string data;
  // Size from fstat is a hint: the file may grow or shrink while we read.
  std::size_t capacity = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
  data.resize(capacity + 1);
  std::size_t used = 0;
  for (;;) {
    if (used == data.size()) data.resize(data.size() * 2 + 4096);
    ssize_t got = ::read(fd, data.data() + used, data.size() - used);
    if (got < 0) {
      if (errno == EINTR) continue;
      return os_error(errno);
    }
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  data.resize(used);
  return data;
}

IoResult<void> write_all(int fd, std::string_view bytes, const fs::path& path) {
  if (int e = injected_fault(FsOp::Write, path)) return os_error(e);
  while (!bytes.empty()) {
    ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return os_error(errno);
    }
    if (put == 0) return std::unexpected(IoError::custom("failed to write whole buffer"));
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return {};
}

IoResult<void> sync_fd(int fd, const fs::path& path) {
  if (int e = injected_fault(FsOp::Sync, path)) return os_error(e);
  if (::fsync(fd) != 0) return os_error(errno);
  return {};
}

IoResult<void> sync_directory(const fs::path& dir) {
  const fs::path& target = dir.empty() ? fs::path(".") : dir;
  if (int e = injected_fault(FsOp::Sync, target)) return os_error(e);
  int fd = ::open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return os_error(errno);
  FdCloser closer(fd);
  if (::fsync(fd) != 0 && errno != EINVAL) return os_error(errno);
  return {};
}

IoResult<TempFile> create_temp_file(const fs::path& dir, std::string_view prefix) {
  for (int attempt = 0; attempt < 64; ++attempt) {
    fs::path candidate = dir / (std::string(prefix) + random_alphanumeric(6));
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) return TempFile{fd, std::move(candidate)};
    if (errno != EEXIST) return os_error(errno);
  }
  return os_error(EEXIST);
}

IoResult<void> rename_file(const fs::path& from, const fs::path& to) {
  if (int e = injected_fault(FsOp::Rename, to)) return os_error(e);
  if (::rename(from.c_str(), to.c_str()) != 0) return os_error(errno);
  return {};
}

IoResult<void> write_file_atomically(const fs::path& target, std::string_view bytes,
                                     std::string_view temp_prefix) {
  fs::path dir = target.parent_path();
  auto temp = create_temp_file(dir.empty() ? fs::path(".") : dir, temp_prefix);
  if (!temp) return std::unexpected(temp.error());
  auto discard = [&](IoError error) -> IoResult<void> {
    ::unlink(temp->path.c_str());
    return std::unexpected(std::move(error));
  };
  {
    FdCloser closer(temp->fd);
    if (auto written = write_all(temp->fd, bytes, target); !written)
      return discard(written.error());
    if (auto synced = sync_fd(temp->fd, target); !synced) return discard(synced.error());
  }
  if (auto renamed = rename_file(temp->path, target); !renamed) return discard(renamed.error());
  // The rename is the commit point; a failed directory sync cannot undo it, and
  // reporting it would describe a write that did take place as failed.
  (void)sync_directory(dir);
  return {};
}

IoResult<void> remove_file(const fs::path& path) {
  if (int e = injected_fault(FsOp::Remove, path)) return os_error(e);
  if (::unlink(path.c_str()) != 0) return os_error(errno);
  return {};
}

IoResult<void> remove_tree(const fs::path& path) {
  if (int e = injected_fault(FsOp::Remove, path)) return os_error(e);
  std::error_code ec;
  fs::remove_all(path, ec);
  if (ec) return std::unexpected(IoError::from_errno(ec.value()));
  return {};
}

IoResult<void> create_directories(const fs::path& path, unsigned mode) {
  if (path.empty()) return {};
  if (int e = injected_fault(FsOp::CreateDir, path)) return os_error(e);
  struct stat info;
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return {};
    return os_error(EEXIST);
  }
  fs::path parent = path.parent_path();
  if (!parent.empty() && parent != path) {
    if (auto made = create_directories(parent, mode); !made) return made;
  }
  if (::mkdir(path.c_str(), mode) != 0 && errno != EEXIST) return os_error(errno);
  return {};
}

bool entry_exists(const fs::path& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

std::optional<long long> modified_unix(const fs::path& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return static_cast<long long>(info.st_mtim.tv_sec);
}

std::optional<long long> modified_unix_at(int dir_fd, const fs::path& path) {
  struct stat info;
  if (::fstatat(dir_fd, path.c_str(), &info, 0) != 0) return std::nullopt;
  return static_cast<long long>(info.st_mtim.tv_sec);
}

IoResult<UniqueFd> open_directory(const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return os_error(errno);
  return UniqueFd(fd);
}

IoResult<fs::path> canonical_path(const fs::path& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return os_error(errno);
  fs::path result(resolved);
  std::free(resolved);
  return result;
}

IoResult<std::uint64_t> file_size(const fs::path& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return os_error(errno);
  return static_cast<std::uint64_t>(info.st_size);
}

IoResult<std::string> read_prefix(const fs::path& path, std::size_t max_bytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return os_error(errno);
  FdCloser closer(fd);
  std::string data(max_bytes, '\0');
  std::size_t used = 0;
  while (used < max_bytes) {
    ssize_t got = ::read(fd, data.data() + used, max_bytes - used);
    if (got < 0) {
      if (errno == EINTR) continue;
      return os_error(errno);
    }
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  data.resize(used);
  return data;
}

void UniqueFd::reset() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

IoResult<UniqueFd> open_for_writing(const fs::path& path, unsigned mode) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (fd < 0) return os_error(errno);
  return UniqueFd(fd);
}

IoResult<std::optional<UniqueFd>> try_lock_exclusive(const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // flock needs no write access: a lock file we may only read still locks.
  if (fd < 0 && (errno == EACCES || errno == EROFS))
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return os_error(errno);
  UniqueFd owned(fd);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return std::optional<UniqueFd>(std::move(owned));
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return std::optional<UniqueFd>();
    return os_error(errno);
  }
}

}  // namespace lorewood::platform
