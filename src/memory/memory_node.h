// Memory nodes: ordinary nodes whose type is a memory kind and whose
// frontmatter carries provenance and lifecycle fields.
//
//   MemoryContext context;
//   context.project = "apollo";
//   context.confidence = 0.8;
//   Node node = new_memory_node_with_context("pref-1", MemoryKind::Preference,
//                                            "Prefers tabs.", {}, std::move(context));
//   // node.relative_path == "pref-1.md"; extra holds "confidence" and "project".
//
// Every context field is optional and lands in `NodeMetadata.extra` under its
// own name; nothing else (no timestamps, no generated ids) is added.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "memory/memory_kind.h"
#include "node/node.h"
#include "node/yaml_value.h"

namespace lorewood {

struct MemoryContext {
  std::optional<std::string> project;
  std::optional<std::string> source_task;
  std::optional<std::string> source_session;
  std::optional<std::string> source_tool;
  std::optional<std::string> extraction_method;
  std::optional<double> confidence;
  std::optional<std::string> valid_from;
  std::optional<std::string> valid_until;
  std::optional<std::string> supersedes;
  std::optional<std::string> canonical_id;
};

// Inserts `key` with `value` as a YAML string, untrimmed, unless the value is
// absent or holds nothing but white space.
void insert_string(std::map<std::string, YamlValue>& extra, std::string_view key,
                   const std::optional<std::string>& value);

// `confidence` limited to 0.0..1.0; NaN stays NaN.
double clamp_confidence(double confidence);

// Builds (does not write) the memory node: type = the kind's name, links as
// given, body unchanged, path "<id>.md" at the root, context fields in extra.
Node new_memory_node_with_context(std::string id, MemoryKind kind, std::string body,
                                  std::vector<std::string> links, const MemoryContext& context);

}  // namespace lorewood
