// Recovery at open: every batch directory is either unprepared (no manifest:
// removed), interrupted (manifest: restored), or live (its lock is held by a
// running batch: left alone).
#include <system_error>

#include "batch/journal.h"
#include "platform/file_system.h"

namespace lorewood {
namespace {

namespace fs = std::filesystem;

std::string os_text(const std::error_code& ec) { return IoError::from_errno(ec.value()).description; }

bool is_directory_following_links(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

bool has_metadata(const fs::path& path) {
  std::error_code ec;
  fs::file_status status = fs::status(path, ec);
  return !ec && fs::exists(status);
}

bool is_symlink(const fs::directory_entry& entry) {
  std::error_code ec;
  return entry.is_symlink(ec);
}

// Resolves one batch directory; true when a journal was restored. The lock is
// held while the directory is resolved. A symbolic link is never a batch we
// made, and taking its lock would create a file wherever it points, so it is
// resolved unlocked.
Result<bool> recover_batch(const fs::path& root, const fs::directory_entry& entry) {
  const fs::path& batch_dir = entry.path();
  std::optional<BatchLock> lock =
      is_symlink(entry) ? std::optional<BatchLock>(BatchLock()) : BatchLock::take_unless_live(batch_dir);
  if (!lock) return false;
  if (!has_metadata(batch_dir / kManifestName)) {
    if (auto removed = platform::remove_tree(batch_dir); !removed)
      return fail(LorewoodError::index("failed to remove unprepared batch journal: " +
                                       removed.error().description));
    return false;
  }
  LW_RETURN_IF_ERROR(restore_journal(root, batch_dir));
  return true;
}

}  // namespace

Result<std::uint64_t> recover_incomplete_batches(const fs::path& root) {
  const fs::path transactions = transactions_dir(root);
  if (!has_metadata(transactions)) return 0;

  std::error_code ec;
  fs::directory_iterator entry(transactions, ec);
  if (ec) return fail(LorewoodError::index("failed to inspect batch journals: " + os_text(ec)));
  std::uint64_t restored = 0;
  for (; entry != fs::directory_iterator(); entry.increment(ec)) {
    if (ec) return fail(LorewoodError::index("failed to read batch journal: " + os_text(ec)));
    if (!is_directory_following_links(entry->path())) continue;
    LW_ASSIGN_OR_RETURN(bool was_restored, recover_batch(root, *entry));
    if (was_restored) ++restored;
  }
  if (ec) return fail(LorewoodError::index("failed to read batch journal: " + os_text(ec)));
  return restored;
}

}  // namespace lorewood
