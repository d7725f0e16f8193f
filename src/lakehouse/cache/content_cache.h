// ContentCache: fetched content by resolved URI, with a time-to-live and a
// size budget.
//
// Sizes are an estimate per content kind (`accounted_size`), not a measure of
// memory. Stale entries are not removed by `get`; they stay counted until they
// are replaced or evicted. Eviction removes the oldest-inserted entry first,
// whatever the access pattern. Not synchronised: the owner serialises access.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "lakehouse/content/resolved_content.h"
#include "platform/seeded_hash.h"

namespace lorewood {

// Body length for "local" and "text"; for an asset its size_bytes (128 when
// unknown) plus the snippet's length. URI and format are not counted.
std::uint64_t accounted_size(const ResolvedContent& content);

class ContentCache {
 public:
  using Clock = std::chrono::steady_clock;
  // The source of "now"; tests substitute a manual clock.
  using NowFunction = std::function<Clock::time_point()>;

  // `ttl_secs` 0: entries never go stale; `max_bytes` 0: no budget.
  ContentCache(std::uint64_t ttl_secs, std::uint64_t max_bytes, NowFunction now = Clock::now);

  // The fresh content under `uri`, or nullptr. An entry whose age equals the
  // time-to-live is still fresh. Does not change the cache.
  const ResolvedContent* get(std::string_view uri) const;

  // Stores a copy under `uri`, replacing any entry there, after evicting the
  // oldest entries until it fits. Content larger than the whole budget is not
  // stored (the evictions stand).
  void insert(std::string_view uri, ResolvedContent content);

  // Entries held, stale ones included.
  std::size_t size() const { return entries_.size(); }
  // Sum of the accounted sizes of the entries held.
  std::uint64_t bytes() const { return bytes_; }

 private:
  // Insertion instant plus a sequence number, so that equal instants stay distinct.
  using AgeKey = std::pair<Clock::time_point, std::uint64_t>;

  struct Entry {
    ResolvedContent content;
    AgeKey inserted;
    std::uint64_t size = 0;
  };

  void erase(TextMap<Entry>::iterator it);
  bool exceeds_budget(std::uint64_t extra) const;

  TextMap<Entry> entries_;
  // Oldest first; the map is the eviction order, so eviction is logarithmic.
  std::map<AgeKey, std::string> by_age_;
  std::uint64_t max_bytes_;
  std::uint64_t bytes_ = 0;
  std::optional<Clock::duration> ttl_;  // nullopt: never stale
  NowFunction now_;
  std::uint64_t next_sequence_ = 0;
};

}  // namespace lorewood
