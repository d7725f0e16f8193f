// Preparing and finishing a batch on disk.
//
// Preparation order: batch directory, lock, backups (each synced), backups
// directory synced, ancestors synced, manifest written to a temporary name,
// synced, renamed into place, batch directory synced. The final directory
// sync makes the batch prepared; before it, recovery finds no manifest and
// discards the directory.
#include "batch/journal.h"
#include "error/display_path.h"
#include "platform/file_system.h"
#include "platform/random.h"
#include "security/node_path.h"

namespace lorewood {
namespace {

constexpr unsigned kOwnerOnly = 0600;

LorewoodError sync_failure(const std::filesystem::path& path, const IoError& io) {
  return LorewoodError::index("failed to sync " + display_path(path) + ": " + io.description);
}

Status sync_dir(const std::filesystem::path& dir) {
  if (auto synced = platform::sync_directory(dir); !synced) return fail(sync_failure(dir, synced.error()));
  return {};
}

// Writes the manifest under a temporary name and renames it into place, so the
// batch directory never holds a partial manifest.
Status write_manifest(const std::filesystem::path& batch_dir, std::string_view text) {
  const std::filesystem::path target = batch_dir / kManifestName;
  auto temp = platform::create_temp_file(batch_dir, ".manifest.tmp");
  if (!temp)
    return fail(LorewoodError::index("failed to create " + display_path(target) + ": " +
                                     temp.error().description));
  platform::IoResult<void> done;
  {
    platform::UniqueFd fd(temp->fd);
    done = platform::write_all(fd.get(), text, target);
    if (done) done = platform::sync_fd(fd.get(), target);
  }
  if (done) done = platform::rename_file(temp->path, target);
  if (!done) {
    (void)platform::remove_file(temp->path);
    return fail(sync_failure(target, done.error()));
  }
  return sync_dir(batch_dir);
}

// Writes one backup per node in ascending id order and returns the journal
// that lists them.
Result<BatchJournal> write_backups(const std::filesystem::path& batch_dir,
                                   const std::map<std::string, Node>& touched) {
  BatchJournal journal;
  journal.snapshots.reserve(touched.size());
  std::size_t counter = 0;
  for (const auto& [id, node] : touched) {
    LW_RETURN_IF_ERROR(validate_relative_node_path(node.relative_path));
    std::filesystem::path backup = backup_name(counter);
    LW_ASSIGN_OR_RETURN(std::string text, node.to_markdown());
    LW_RETURN_IF_ERROR(sync_write(batch_dir / backup, text, kOwnerOnly));
    journal.snapshots.push_back({node.relative_path, std::move(backup)});
    ++counter;
  }
  return journal;
}

}  // namespace

Result<PreparedBatch> write_batch_journal(const std::filesystem::path& root,
                                          const std::map<std::string, Node>& touched) {
  const std::filesystem::path transactions = transactions_dir(root);
  const std::filesystem::path state_dir = transactions.parent_path();
  const bool fresh_state_dir = !platform::entry_exists(state_dir);
  const bool fresh_transactions = !platform::entry_exists(transactions);

  PreparedBatch batch{transactions / platform::uuid_v4(), BatchLock()};
  if (auto made = platform::create_directories(batch.dir / "backups"); !made)
    return fail(LorewoodError::index("failed to create batch journal: " + made.error().description));
  LW_ASSIGN_OR_RETURN(batch.lock, BatchLock::acquire(batch.dir));

  LW_ASSIGN_OR_RETURN(BatchJournal journal, write_backups(batch.dir, touched));
  // The backups, and the path down to the batch directory, must be durable
  // before the manifest that points at them.
  LW_RETURN_IF_ERROR(sync_dir(batch.dir / "backups"));
  LW_RETURN_IF_ERROR(sync_dir(transactions));
  if (fresh_transactions) LW_RETURN_IF_ERROR(sync_dir(state_dir));
  if (fresh_state_dir) LW_RETURN_IF_ERROR(sync_dir(root));

  LW_ASSIGN_OR_RETURN(std::string manifest, render_batch_journal(journal));
  LW_RETURN_IF_ERROR(write_manifest(batch.dir, manifest));
  return batch;
}

Status finish_batch(const std::filesystem::path& batch_dir) {
  auto failure = [](const IoError& io) {
    return fail(LorewoodError::index("failed to remove completed batch journal: " + io.description));
  };
  const std::filesystem::path manifest = batch_dir / kManifestName;
  if (platform::entry_exists(manifest)) {
    if (auto removed = platform::remove_file(manifest); !removed) return failure(removed.error());
  }
  if (auto synced = platform::sync_directory(batch_dir); !synced) return failure(synced.error());
  if (auto removed = platform::remove_tree(batch_dir); !removed) return failure(removed.error());
  return {};
}

}  // namespace lorewood
