// Ordering helpers shared by the searches and the change feed.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace lorewood {

// The tie-break after the score: the newer modification time first (a known
// time before an unknown one), then the id ascending in byte order.
inline bool newer_then_id_before(const std::optional<std::int64_t>& time_a, std::string_view id_a,
                                 const std::optional<std::int64_t>& time_b, std::string_view id_b) {
  if (time_a != time_b) {
    if (!time_b) return true;
    if (!time_a) return false;
    return *time_a > *time_b;
  }
  return id_a < id_b;
}

// Orders the first min(limit, size) items of `items` by `before` (a strict
// total order), leaving the rest in unspecified order; returns that count.
template <typename T, typename Before>
std::size_t keep_first(std::vector<T>& items, std::uint64_t limit, Before before) {
  std::size_t kept = static_cast<std::size_t>(std::min<std::uint64_t>(limit, items.size()));
  if (kept * 2 >= items.size()) {
    std::sort(items.begin(), items.end(), before);  // most of it is kept anyway
  } else {
    std::partial_sort(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(kept),
                      items.end(), before);
  }
  return kept;
}

}  // namespace lorewood
