// LorewoodConfig::load: read, parse, validate, resolve the graph root.
#include <string>

#include "config/schema/lorewood_config.h"
#include "config/schema/parse_config.h"
#include "config/schema/validate_config.h"
#include "error/display_path.h"
#include "platform/file_system.h"

namespace lorewood {
namespace {

// The directory a relative root path counts from: the configuration path's
// parent as written (empty for a bare file name, meaning the current
// directory; "." for a path that has no parent at all).
std::filesystem::path base_directory(const std::filesystem::path& config_path) {
  if (!config_path.has_relative_path()) return ".";
  return config_path.parent_path();
}

// No tilde expansion, no link resolution, no normalisation of "." or "..".
std::filesystem::path resolve_root(const std::filesystem::path& config_path,
                                   const std::string& root_path) {
  std::filesystem::path root(root_path);
  if (root.is_absolute()) return root;
  return base_directory(config_path) / root;
}

}  // namespace

std::string_view storage_mode_name(StorageMode mode) {
  return mode == StorageMode::Local ? "local" : "lakehouse";
}

std::string_view sync_role_name(SyncRole role) {
  return role == SyncRole::Leader ? "leader" : "follower";
}

Result<ResolvedConfig> LorewoodConfig::load(const std::filesystem::path& path) {
  auto text = platform::read_file(path);
  if (!text) return fail(LorewoodError::config_read(path, std::move(text.error())));
  if (!is_valid_utf8(*text))
    return fail(LorewoodError::config_read(
        path, IoError::custom("stream did not contain valid UTF-8")));

  auto config = parse_config_text(*text);
  if (!config) return fail(LorewoodError::config_parse(path, std::move(config.error())));
  LW_RETURN_IF_ERROR(validate_config(*config));

  std::filesystem::path root = resolve_root(path, config->storage.root_path);
  return ResolvedConfig{std::move(*config), path, std::move(root)};
}

}  // namespace lorewood
