// A graph root on disk for search tests: node files with pinned modification
// times, opened as an index.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "index/graph_index.h"
#include "support/temp_root.h"

namespace lorewood::testing {

// Sets the modification time of `path` to `seconds` (plus `nanos`).
inline void set_mtime(const std::filesystem::path& path, std::int64_t seconds, long nanos = 0) {
  struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), nanos}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

class QueryRoot {
 public:
  // Writes "<id>.md" with the given type, body and extra frontmatter lines,
  // modified at `mtime`.
  QueryRoot& node(const std::string& id, const std::string& type, const std::string& body,
                  const std::string& frontmatter = "", std::int64_t mtime = 1'700'000'000) {
    auto path = root_.write(id + ".md",
                            "---\nid: " + id + "\ntype: " + type + "\n" + frontmatter + "---\n" + body);
    set_mtime(path, mtime);
    return *this;
  }

  GraphIndex open() const {
    auto index = GraphIndex::open(root_.path());
    EXPECT_TRUE(index) << index.error().message();
    return std::move(*index);
  }

  const TempRoot& root() const { return root_; }
  std::filesystem::path path(const std::string& id) const { return root_.path() / (id + ".md"); }

 private:
  TempRoot root_;
};

}  // namespace lorewood::testing
