// The batch journal: durable backups of every node a memory batch touches, so
// that a crash mid-batch is rolled back by the next open.
//
// Layout under the graph root:
//   .lorewood/transactions/<uuid>/backups/NNNN.md   pre-batch file texts
//   .lorewood/transactions/<uuid>/manifest.toml      written last (atomically)
//   .lorewood/transactions/<uuid>/lock               held (flock) while applying
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "error/lorewood_error.h"
#include "node/node.h"

namespace lorewood {

struct JournalSnapshot {
  std::filesystem::path relative_path;
  std::filesystem::path backup;
};

struct BatchJournal {
  std::uint8_t version = 1;
  std::vector<JournalSnapshot> snapshots;
};

// Writes a whole file and fsyncs it (no rename). Index errors
// "failed to create {}: {}" / "failed to sync {}: {}".
Status sync_write(const std::filesystem::path& path, std::string_view bytes);

// Renders and parses the manifest (TOML).
Result<std::string> render_batch_journal(const BatchJournal& journal);
Result<BatchJournal> parse_batch_journal(std::string_view text);

// Prepares a batch: creates the batch directory, writes one backup per touched
// node (ascending id order), then the manifest. Returns the batch directory.
Result<std::filesystem::path> write_batch_journal(const std::filesystem::path& root,
                                                  const std::map<std::string, Node>& touched);

// Puts every node listed in the manifest back from its backup, then removes the
// batch directory.
Status restore_journal(const std::filesystem::path& root, const std::filesystem::path& batch_dir);

// Resolves every batch directory under root/.lorewood/transactions; returns how
// many journals were restored.
Result<std::uint64_t> recover_incomplete_batches(const std::filesystem::path& root);

}  // namespace lorewood
