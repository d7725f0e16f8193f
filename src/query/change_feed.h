// The change feed: the indexed nodes whose files were modified after a moment.
//
//   std::vector<GraphChange> changes = changed_since(index, last_look_unix);
//
// Times are read from the file system at the call, in whole seconds; the bound
// is exclusive. Every indexed node counts (suppressed ones too); nodes whose
// time cannot be read are left out. Newest first, equal times by id.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "index/graph_index.h"

namespace lorewood {

struct GraphChange {
  std::string id;
  std::string relative_path;  // display form of the path
  std::int64_t modified_unix = 0;

  bool operator==(const GraphChange&) const = default;
};

// Every indexed node whose modification time is known and strictly later than
// `since_unix`, ordered as above. Never fails; there is no limit.
std::vector<GraphChange> changed_since(const GraphIndex& index, std::int64_t since_unix);

}  // namespace lorewood
