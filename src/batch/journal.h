// The batch journal: durable backups of every node a memory batch touches, so
// that a crash mid-batch is rolled back by the next open.
//
// Layout under the graph root:
//   .lorewood/transactions/<uuid>/lock               held (flock) while applying
//   .lorewood/transactions/<uuid>/backups/NNNN.md   pre-batch file texts (0600)
//   .lorewood/transactions/<uuid>/manifest.toml      written last, atomically (0600)
//
// A batch directory holds either no manifest (unprepared: discarded at open,
// no node file was changed) or a complete one (prepared: every listed node is
// put back from its backup at open).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_lock.h"
#include "error/lorewood_error.h"
#include "node/node.h"

namespace lorewood {

struct JournalSnapshot {
  std::filesystem::path relative_path;
  std::filesystem::path backup;

  bool operator==(const JournalSnapshot&) const = default;
};

struct BatchJournal {
  std::uint8_t version = 1;
  std::vector<JournalSnapshot> snapshots;

  bool operator==(const BatchJournal&) const = default;
};

// Name of the manifest inside a batch directory.
inline constexpr const char* kManifestName = "manifest.toml";

// root / .lorewood / transactions: the parent of all batch directories.
std::filesystem::path transactions_dir(const std::filesystem::path& root);

// The backup path of the `counter`-th node, relative to the batch directory:
// "backups/" + counter zero-padded to at least four digits + ".md".
std::filesystem::path backup_name(std::size_t counter);

// Writes a whole file in place and fsyncs it (no temporary file, no rename); a
// new file gets `mode` before the umask. Index errors "failed to create {}: {}"
// (opening) and "failed to sync {}: {}" (writing or syncing).
Status sync_write(const std::filesystem::path& path, std::string_view bytes,
                  unsigned mode = 0666);

// The manifest text: `version = 1`, then one [[snapshots]] table per entry
// (relative_path before backup), or `snapshots = []`. Index "failed to
// serialize batch journal: {}" for a path that is not valid UTF-8.
Result<std::string> render_batch_journal(const BatchJournal& journal);

// Reads a manifest: both keys of the journal and of every snapshot required,
// unknown keys ignored, version within 0..255. Index "failed to parse batch
// journal: {}". The version is not checked against 1 here.
Result<BatchJournal> parse_batch_journal(std::string_view text);

// A prepared batch: its directory (manifest durable) and the held lock that
// marks it live until the batch is finished or rolled back.
struct PreparedBatch {
  std::filesystem::path dir;
  BatchLock lock;
};

// Prepares a batch: creates a fresh batch directory, locks it, writes one
// owner-only backup per touched node (ascending id order), then the manifest
// atomically. On failure no node file has changed and the directory, without
// a manifest unless the last directory sync failed, is left for recovery.
Result<PreparedBatch> write_batch_journal(const std::filesystem::path& root,
                                          const std::map<std::string, Node>& touched);

// Ends a completed batch: removes the manifest, syncs the batch directory, then
// removes the directory. Index "failed to remove completed batch journal: {}".
// A crash at any point keeps the batch applied.
Status finish_batch(const std::filesystem::path& batch_dir);

// Puts every node listed in the manifest back from its backup, then removes the
// batch directory. On a failure the snapshots before it stay restored and the
// directory stays.
Status restore_journal(const std::filesystem::path& root, const std::filesystem::path& batch_dir);

// Resolves every batch directory under root/.lorewood/transactions, in listing
// order: unprepared ones are removed, prepared ones restored, live ones (lock
// held elsewhere) left alone. Returns how many journals were restored.
Result<std::uint64_t> recover_incomplete_batches(const std::filesystem::path& root);

}  // namespace lorewood
