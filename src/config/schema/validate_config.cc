#include "config/schema/validate_config.h"

#include <string>

#include "platform/unicode_text.h"

namespace lorewood {
namespace {

bool is_blank(std::string_view text) { return trim_unicode_whitespace(text).empty(); }

std::unexpected<LorewoodError> invalid(std::string text) {
  return fail(LorewoodError::config_invalid(std::move(text)));
}

Status validate_remote_sources(const LakehouseConfig& lakehouse) {
  if (lakehouse.remote_sources.empty())
    return invalid("[lakehouse].remote_sources must contain at least one entry");
  for (std::size_t i = 0; i < lakehouse.remote_sources.size(); ++i) {
    const RemoteSource& source = lakehouse.remote_sources[i];
    std::string at = "[lakehouse].remote_sources[" + std::to_string(i) + "]";
    if (is_blank(source.uri)) return invalid(at + ".uri must not be empty");
    if (is_blank(source.format)) return invalid(at + ".format must not be empty");
  }
  return {};
}

}  // namespace

Status validate_config(const LorewoodConfig& config) {
  // Only the empty string fails: a root path of spaces names a directory.
  if (config.storage.root_path.empty()) return invalid("[storage].root_path must not be empty");
  if (config.storage.mode == StorageMode::Lakehouse && !config.lakehouse)
    return invalid("[lakehouse] section is required when [storage].mode = \"lakehouse\"");
  if (config.lakehouse) LW_RETURN_IF_ERROR(validate_remote_sources(*config.lakehouse));
  if (config.sync && is_blank(config.sync->remote_url))
    return invalid("[sync].remote_url must not be empty when [sync] is present");
  return {};
}

}  // namespace lorewood
