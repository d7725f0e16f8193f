#include "batch/batch_lock.h"

namespace lorewood {

Result<BatchLock> BatchLock::acquire(const std::filesystem::path& batch_dir) {
  auto taken = platform::try_lock_exclusive(batch_dir / kFileName);
  if (!taken)
    return fail(LorewoodError::index("failed to lock batch journal: " + taken.error().description));
  if (!*taken)
    return fail(LorewoodError::index(
        "failed to lock batch journal: the batch is held by another process"));
  return BatchLock(std::move(**taken));
}

std::optional<BatchLock> BatchLock::take_unless_live(const std::filesystem::path& batch_dir) {
  auto taken = platform::try_lock_exclusive(batch_dir / kFileName);
  if (!taken) return BatchLock();
  if (!*taken) return std::nullopt;
  return BatchLock(std::move(**taken));
}

}  // namespace lorewood
