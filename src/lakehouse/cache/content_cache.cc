#include "lakehouse/cache/content_cache.h"

#include <limits>

namespace lorewood {
namespace {

constexpr std::uint64_t kUnknownAssetSize = 128;

std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) {
  return b > std::numeric_limits<std::uint64_t>::max() - a ? std::numeric_limits<std::uint64_t>::max()
                                                           : a + b;
}

// A time-to-live too long for the clock's range never expires in practice.
std::optional<ContentCache::Clock::duration> ttl_duration(std::uint64_t ttl_secs) {
  using Duration = ContentCache::Clock::duration;
  if (ttl_secs == 0) return std::nullopt;
  constexpr auto kMaxSecs = std::chrono::duration_cast<std::chrono::seconds>(Duration::max()).count();
  if (ttl_secs >= static_cast<std::uint64_t>(kMaxSecs)) return Duration::max();
  return std::chrono::duration_cast<Duration>(
      std::chrono::seconds(static_cast<std::int64_t>(ttl_secs)));
}

}  // namespace

std::uint64_t accounted_size(const ResolvedContent& content) {
  if (const ExternalAsset* asset = content.asset()) {
    std::uint64_t size = asset->size_bytes.value_or(kUnknownAssetSize);
    return asset->snippet ? saturating_add(size, asset->snippet->size()) : size;
  }
  return content.body()->size();
}

ContentCache::ContentCache(std::uint64_t ttl_secs, std::uint64_t max_bytes, NowFunction now)
    : max_bytes_(max_bytes), ttl_(ttl_duration(ttl_secs)), now_(std::move(now)) {}

const ResolvedContent* ContentCache::get(std::string_view uri) const {
  auto it = entries_.find(uri);
  if (it == entries_.end()) return nullptr;
  if (ttl_ && now_() - it->second.inserted.first > *ttl_) return nullptr;
  return &it->second.content;
}

void ContentCache::erase(TextMap<Entry>::iterator it) {
  bytes_ -= std::min(bytes_, it->second.size);
  by_age_.erase(it->second.inserted);
  entries_.erase(it);
}

bool ContentCache::exceeds_budget(std::uint64_t extra) const {
  return bytes_ > max_bytes_ || extra > max_bytes_ - bytes_;
}

void ContentCache::insert(std::string_view uri, ResolvedContent content) {
  std::uint64_t size = accounted_size(content);
  if (auto existing = entries_.find(uri); existing != entries_.end()) erase(existing);
  if (max_bytes_ != 0) {
    while (!entries_.empty() && exceeds_budget(size)) erase(entries_.find(by_age_.begin()->second));
    if (size > max_bytes_) return;
  }
  AgeKey key{now_(), next_sequence_++};
  by_age_.emplace(key, std::string(uri));
  entries_.insert_or_assign(std::string(uri), Entry{std::move(content), key, size});
  bytes_ = saturating_add(bytes_, size);
}

}  // namespace lorewood
