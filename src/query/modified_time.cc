#include "query/modified_time.h"

#include "platform/file_system.h"

namespace lorewood {

namespace {

// The platform gives the seconds field of the time (rounded down), so any
// moment before the epoch, even a fraction of a second, comes back negative.
std::optional<std::int64_t> since_epoch(std::optional<long long> seconds) {
  if (!seconds || *seconds < 0) return std::nullopt;
  return static_cast<std::int64_t>(*seconds);
}

}  // namespace

std::optional<std::int64_t> modified_unix(const std::filesystem::path& root,
                                          const std::filesystem::path& relative) {
  return since_epoch(platform::modified_unix(root / relative));
}

ModifiedTimeReader::ModifiedTimeReader(const std::filesystem::path& root) : root_(root) {
  if (auto dir = platform::open_directory(root)) dir_ = std::move(*dir);
}

std::optional<std::int64_t> ModifiedTimeReader::operator()(
    const std::filesystem::path& relative) const {
  if (!dir_.valid()) return modified_unix(root_, relative);
  return since_epoch(platform::modified_unix_at(dir_.get(), relative));
}

}  // namespace lorewood
