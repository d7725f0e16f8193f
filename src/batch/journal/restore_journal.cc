#include "batch/journal.h"
#include "error/display_path.h"
#include "platform/file_system.h"
#include "security/node_path.h"

namespace lorewood {
namespace {

// Reads a whole file that must be UTF-8 text.
platform::IoResult<std::string> read_text(const std::filesystem::path& path) {
  auto text = platform::read_file(path);
  if (text && !is_valid_utf8(*text))
    return std::unexpected(IoError::custom("stream did not contain valid UTF-8"));
  return text;
}

Result<BatchJournal> read_manifest(const std::filesystem::path& batch_dir) {
  const std::filesystem::path manifest = batch_dir / kManifestName;
  auto text = read_text(manifest);
  if (!text)
    return fail(LorewoodError::index("failed to read batch journal " + display_path(manifest) +
                                     ": " + text.error().description));
  LW_ASSIGN_OR_RETURN(BatchJournal journal, parse_batch_journal(*text));
  if (journal.version != 1)
    return fail(LorewoodError::index("unsupported batch journal version " +
                                     std::to_string(journal.version)));
  return journal;
}

Status restore_snapshot(const std::filesystem::path& root, const std::filesystem::path& batch_dir,
                        const JournalSnapshot& snapshot) {
  LW_RETURN_IF_ERROR(validate_relative_node_path(snapshot.relative_path));
  LW_RETURN_IF_ERROR(validate_relative_node_path(snapshot.backup));
  auto text = read_text(batch_dir / snapshot.backup);
  if (!text)
    return fail(LorewoodError::index("failed to read batch backup: " + text.error().description));
  auto parsed = parse_markdown_node(*text, snapshot.relative_path);
  if (!parsed) return fail(LorewoodError::node_parse(snapshot.relative_path, std::move(parsed.error())));
  Node node{std::move(parsed->metadata), std::move(parsed->body), snapshot.relative_path};
  return node.write_to(root);
}

}  // namespace

Status restore_journal(const std::filesystem::path& root, const std::filesystem::path& batch_dir) {
  LW_ASSIGN_OR_RETURN(BatchJournal journal, read_manifest(batch_dir));
  for (const JournalSnapshot& snapshot : journal.snapshots)
    LW_RETURN_IF_ERROR(restore_snapshot(root, batch_dir, snapshot));
  if (auto removed = platform::remove_tree(batch_dir); !removed)
    return fail(LorewoodError::index("failed to clear recovered batch journal: " +
                                     removed.error().description));
  return {};
}

}  // namespace lorewood
