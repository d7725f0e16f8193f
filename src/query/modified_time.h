// A node file's modification time, read from the file system when asked.
//
//   std::optional<std::int64_t> t = modified_unix(index.root_path(), entry.relative_path);
//
// The index stores no times; the change feed and the searches call this for
// the entries whose results need a time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "platform/file_system.h"

namespace lorewood {

// Whole seconds since the Unix epoch of root/relative (following symbolic
// links; the fraction of a second dropped). Absent, never an error, when the
// file cannot be examined or its time lies before the epoch.
std::optional<std::int64_t> modified_unix(const std::filesystem::path& root,
                                          const std::filesystem::path& relative);

// The same times for many files under one root: the root directory is opened
// once and each file is examined relative to it (falling back to the joined
// path when the root cannot be opened, for example without read permission).
class ModifiedTimeReader {
 public:
  // `root` must outlive the reader.
  explicit ModifiedTimeReader(const std::filesystem::path& root);

  // modified_unix(root, relative).
  std::optional<std::int64_t> operator()(const std::filesystem::path& relative) const;

 private:
  const std::filesystem::path& root_;
  platform::UniqueFd dir_;
};

}  // namespace lorewood
