// LakehouseReader: a node together with its content, by storage mode.
//
//   Result<ResolvedConfig> config = LorewoodConfig::load("lorewood.toml");
//   LakehouseReader reader = LakehouseReader::from_config(*config);
//   Result<NodeWithContent> item = reader.read_node(index, "my_asset");
//   std::string text = item->content.to_markdown();
//
// In local mode the content is the node's body. In lakehouse mode a node's
// `source` is resolved against the remote sources, served from the cache or
// fetched through the resolvers, and cached. The node itself is always read
// from its file. Reads change the cache: one read at a time per reader.
#pragma once

#include <string_view>
#include <vector>

#include "config/schema/lorewood_config.h"
#include "error/lorewood_error.h"
#include "index/graph_index.h"
#include "lakehouse/cache/content_cache.h"
#include "lakehouse/content/resolved_content.h"
#include "lakehouse/resolver/resolver_registry.h"
#include "node/node.h"

namespace lorewood {

struct NodeWithContent {
  Node node;
  ResolvedContent content;
};

class LakehouseReader {
 public:
  // Copies the remote sources, builds the file allowlist from them (once: a
  // directory created later is not admitted) and an empty cache sized by
  // [lakehouse.cache], defaults without [lakehouse]. Cannot fail.
  static LakehouseReader from_config(const ResolvedConfig& config,
                                     ContentCache::NowFunction now = ContentCache::Clock::now);

  // The node `id` read afresh from its file, with its content. Errors of the
  // node read, of source resolution and of the resolvers are returned
  // unchanged; a failure leaves the cache as it was.
  Result<NodeWithContent> read_node(const GraphIndex& index, std::string_view id);

  StorageMode storage_mode() const { return storage_mode_; }
  const std::vector<RemoteSource>& remote_sources() const { return remote_sources_; }
  const ResolverRegistry& registry() const { return registry_; }
  const ContentCache& cache() const { return cache_; }

 private:
  LakehouseReader(std::vector<RemoteSource> remote_sources, ResolverRegistry registry,
                  ContentCache cache, StorageMode mode)
      : remote_sources_(std::move(remote_sources)),
        registry_(std::move(registry)),
        cache_(std::move(cache)),
        storage_mode_(mode) {}

  // The external content named by a non-blank `source`.
  Result<ResolvedContent> resolve_external(std::string_view source);

  std::vector<RemoteSource> remote_sources_;
  ResolverRegistry registry_;
  ContentCache cache_;
  StorageMode storage_mode_;
};

}  // namespace lorewood
