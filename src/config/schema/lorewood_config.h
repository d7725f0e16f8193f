// The configuration file and its records.
//
//   [storage]
//   mode = "lakehouse"          # or "local"
//   root_path = "notes"         # relative to the configuration file's directory
//
//   [[lakehouse.remote_sources]]
//   uri = "file:///data/lake/"
//   format = "parquet"
//
//   [lakehouse.cache]           # optional
//   ttl_secs = 300
//   max_bytes = 10485760
//
//   [sync]                      # optional, validated and otherwise unused
//   role = "leader"
//   remote_url = "git@example.com:notes.git"
//
//   Result<ResolvedConfig> config = LorewoodConfig::load("conf/lorewood.toml");
//
// Keys the schema does not name are ignored at every level.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "error/lorewood_error.h"

namespace lorewood {

enum class StorageMode : std::uint8_t { Local, Lakehouse };

// "local" or "lakehouse".
std::string_view storage_mode_name(StorageMode mode);

enum class SyncRole : std::uint8_t { Leader, Follower };

// "leader" or "follower".
std::string_view sync_role_name(SyncRole role);

inline constexpr std::uint64_t kDefaultCacheTtlSecs = 300;
inline constexpr std::uint64_t kDefaultCacheMaxBytes = 10 * 1024 * 1024;

struct StorageConfig {
  StorageMode mode = StorageMode::Local;
  std::string root_path;

  bool operator==(const StorageConfig&) const = default;
};

struct RemoteSource {
  std::string uri;
  std::string format;

  bool operator==(const RemoteSource&) const = default;
};

struct LakehouseCacheConfig {
  // Seconds a cached entry stays fresh; 0 means never stale.
  std::uint64_t ttl_secs = kDefaultCacheTtlSecs;
  // Size budget of the content cache; 0 means unlimited.
  std::uint64_t max_bytes = kDefaultCacheMaxBytes;

  bool operator==(const LakehouseCacheConfig&) const = default;
};

struct LakehouseConfig {
  std::vector<RemoteSource> remote_sources;
  std::optional<LakehouseCacheConfig> cache;

  // The cache settings, their defaults when `[lakehouse.cache]` is absent.
  LakehouseCacheConfig cache_or_default() const { return cache.value_or(LakehouseCacheConfig{}); }

  bool operator==(const LakehouseConfig&) const = default;
};

struct SyncConfig {
  SyncRole role = SyncRole::Leader;
  std::string remote_url;

  bool operator==(const SyncConfig&) const = default;
};

struct ResolvedConfig;

struct LorewoodConfig {
  StorageConfig storage;
  std::optional<LakehouseConfig> lakehouse;
  std::optional<SyncConfig> sync;

  // Reads, parses and validates the file at `path` and resolves the graph root
  // against the file's directory. ConfigRead, ConfigParse or ConfigInvalid.
  // Never touches the graph root.
  static Result<ResolvedConfig> load(const std::filesystem::path& path);

  bool operator==(const LorewoodConfig&) const = default;
};

struct ResolvedConfig {
  LorewoodConfig config;
  // The configuration path exactly as the caller passed it.
  std::filesystem::path config_path;
  // The graph root after resolution against the configuration's directory.
  std::filesystem::path root_path;

  StorageMode storage_mode() const { return config.storage.mode; }
};

}  // namespace lorewood
