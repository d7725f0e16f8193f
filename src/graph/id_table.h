// IdTable: the ids of an index copied into one contiguous array, with a compact
// open-addressing lookup from id text to its position.
//
// Looking ids up in the index's own map chases pointers into large, scattered
// entries; resolving every link of a big graph that way is dominated by cache
// misses. This table keeps ids and slots dense, so a lookup touches two small
// arrays. Positions follow the iteration order of `index.entries()`.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "index/graph_index.h"

namespace lorewood {

class IdTable {
 public:
  IdTable() = default;
  explicit IdTable(const GraphIndex& index);

  std::size_t size() const { return ids_.size(); }
  const std::string& id(std::uint32_t position) const { return ids_[position]; }
  const std::vector<std::string>& ids() const { return ids_; }

  // The position of `id`, or nullopt when it is not an id of the index.
  std::optional<std::uint32_t> find(std::string_view id) const;

  // find() of each text into `out` (resized to match). Lookups are issued in
  // batches so that their memory accesses overlap.
  void find_many(std::span<const std::string_view> texts,
                 std::vector<std::optional<std::uint32_t>>& out) const;

 private:
  std::optional<std::uint32_t> find_hashed(std::string_view id, std::size_t hash) const;

  struct Slot {
    std::uint32_t position_plus_one = 0;  // 0: empty
    std::uint32_t hash_tag = 0;           // low bits of the hash, checked first
  };

  std::vector<std::string> ids_;
  std::vector<Slot> slots_;  // size is a power of two, at least twice the ids
};

}  // namespace lorewood
