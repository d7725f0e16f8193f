#include "memory/memory_node.h"

#include <cmath>

#include "platform/unicode_text.h"

namespace lorewood {

void insert_string(std::map<std::string, YamlValue>& extra, std::string_view key,
                   const std::optional<std::string>& value) {
  if (!value || !has_non_whitespace(*value)) return;
  extra.insert_or_assign(std::string(key), YamlValue::string(*value));
}

double clamp_confidence(double confidence) {
  if (std::isnan(confidence)) return confidence;
  if (confidence < 0.0) return 0.0;
  if (confidence > 1.0) return 1.0;
  return confidence;
}

Node new_memory_node_with_context(std::string id, MemoryKind kind, std::string body,
                                  std::vector<std::string> links, const MemoryContext& context) {
  std::map<std::string, YamlValue> extra;
  insert_string(extra, "project", context.project);
  insert_string(extra, "source_task", context.source_task);
  insert_string(extra, "source_session", context.source_session);
  insert_string(extra, "source_tool", context.source_tool);
  insert_string(extra, "extraction_method", context.extraction_method);
  if (context.confidence)
    extra.insert_or_assign("confidence", YamlValue::floating(clamp_confidence(*context.confidence)));
  insert_string(extra, "valid_from", context.valid_from);
  insert_string(extra, "valid_until", context.valid_until);
  insert_string(extra, "supersedes", context.supersedes);
  insert_string(extra, "canonical_id", context.canonical_id);

  Node node;
  node.relative_path = node_path_for_id(id);
  node.metadata.id = std::move(id);
  node.metadata.node_type = std::string(memory_kind_name(kind));
  node.metadata.links = std::move(links);
  node.metadata.extra = std::move(extra);
  node.body = std::move(body);
  return node;
}

}  // namespace lorewood
