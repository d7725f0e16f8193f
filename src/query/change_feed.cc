#include "query/change_feed.h"

#include <algorithm>

#include "error/display_path.h"
#include "query/modified_time.h"

namespace lorewood {

namespace {

struct Changed {
  const std::string* id;
  const NodeIndexEntry* entry;
  std::int64_t modified;
};

}  // namespace

std::vector<GraphChange> changed_since(const GraphIndex& index, std::int64_t since_unix) {
  const ModifiedTimeReader modified_time(index.root_path());
  std::vector<Changed> changed;
  for (const auto& [id, entry] : index.entries()) {
    std::optional<std::int64_t> modified = modified_time(entry.relative_path);
    if (modified && *modified > since_unix) changed.push_back(Changed{&id, &entry, *modified});
  }
  std::sort(changed.begin(), changed.end(), [](const Changed& a, const Changed& b) {
    if (a.modified != b.modified) return a.modified > b.modified;
    return *a.id < *b.id;
  });
  std::vector<GraphChange> feed;
  feed.reserve(changed.size());
  for (const Changed& c : changed)
    feed.push_back(GraphChange{*c.id, display_path(c.entry->relative_path), c.modified});
  return feed;
}

}  // namespace lorewood
