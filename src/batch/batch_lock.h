// The lock that marks a batch directory as live.
//
// The process applying a memory batch holds an exclusive advisory lock (flock)
// on `<batch dir>/lock` from before its first backup until the directory is
// gone. Recovery at open takes the same lock before touching a batch directory
// and leaves alone every directory whose lock is held elsewhere, so a second
// process never rolls back a batch that is still running. A crashed process
// holds no lock, so its batch is recovered as usual.
//
// flock locks belong to an open file description: a second open of the lock
// file, even in the same process, sees a lock held through another one.
#pragma once

#include <filesystem>
#include <optional>

#include "error/lorewood_error.h"
#include "platform/file_system.h"

namespace lorewood {

class BatchLock {
 public:
  // Name of the lock file inside a batch directory.
  static constexpr const char* kFileName = "lock";

  // An empty lock (holds nothing).
  BatchLock() = default;

  // Creates or opens `<batch_dir>/lock` (owner-only) and locks it without
  // waiting. Index "failed to lock batch journal: {}" when the file cannot be
  // opened or another holder has the lock.
  static Result<BatchLock> acquire(const std::filesystem::path& batch_dir);

  // For recovery: nullopt when another open file description holds the lock
  // (a live batch); otherwise the lock, now held here, or an empty lock when
  // the lock file cannot be opened (the directory is then treated as unlocked).
  static std::optional<BatchLock> take_unless_live(const std::filesystem::path& batch_dir);

  // Whether this object holds a lock.
  bool held() const { return fd_.valid(); }

  // Gives the lock up now instead of at destruction.
  void release() { fd_.reset(); }

 private:
  explicit BatchLock(platform::UniqueFd fd) : fd_(std::move(fd)) {}

  platform::UniqueFd fd_;
};

}  // namespace lorewood
