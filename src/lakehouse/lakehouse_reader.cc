#include "lakehouse/lakehouse_reader.h"

#include "lakehouse/uri/infer_format.h"
#include "lakehouse/uri/source_uri.h"
#include "platform/unicode_text.h"

namespace lorewood {

LakehouseReader LakehouseReader::from_config(const ResolvedConfig& config,
                                             ContentCache::NowFunction now) {
  std::vector<RemoteSource> remote_sources;
  LakehouseCacheConfig cache;
  if (config.config.lakehouse) {
    remote_sources = config.config.lakehouse->remote_sources;
    cache = config.config.lakehouse->cache_or_default();
  }
  std::vector<std::string> uris;
  uris.reserve(remote_sources.size());
  for (const RemoteSource& source : remote_sources) uris.push_back(source.uri);
  return LakehouseReader(std::move(remote_sources),
                         ResolverRegistry::with_file_allowlist(file_allowlist_from_remotes(uris)),
                         ContentCache(cache.ttl_secs, cache.max_bytes, std::move(now)),
                         config.storage_mode());
}

Result<ResolvedContent> LakehouseReader::resolve_external(std::string_view source) {
  LW_ASSIGN_OR_RETURN(std::string uri, resolve_source_uri(source, remote_sources_));
  if (const ResolvedContent* cached = cache_.get(uri)) return *cached;
  LW_ASSIGN_OR_RETURN(ResolvedContent content,
                      registry_.fetch(uri, infer_format(uri, remote_sources_)));
  cache_.insert(uri, content);
  return content;
}

Result<NodeWithContent> LakehouseReader::read_node(const GraphIndex& index, std::string_view id) {
  LW_ASSIGN_OR_RETURN(Node node, index.read_node(id));
  const std::optional<std::string>& source = node.metadata.source;
  if (storage_mode_ == StorageMode::Local || !source || !has_non_whitespace(*source)) {
    ResolvedContent content = ResolvedContent::local(node.body);
    return NodeWithContent{std::move(node), std::move(content)};
  }
  LW_ASSIGN_OR_RETURN(ResolvedContent content,
                      resolve_external(trim_unicode_whitespace(*source)));
  return NodeWithContent{std::move(node), std::move(content)};
}

}  // namespace lorewood
