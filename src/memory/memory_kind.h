// MemoryKind: the seven kinds of agent memory and their names.
//
//   std::optional<MemoryKind> kind = memory_kind_from_name("decision");
//   std::string_view type = memory_kind_name(*kind);   // "decision"
//
// A kind's name is both the text callers pass and the node type written to the
// memory node's file. Names match exactly: no case folding, no trimming.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lorewood {

enum class MemoryKind {
  Preference,
  ProjectFact,
  Decision,
  Task,
  SessionSummary,
  Bookmark,
  ToolFailure,
};

// The kind's name ("preference", "project_fact", ...).
std::string_view memory_kind_name(MemoryKind kind);

// The kind named exactly `name`, or nullopt.
std::optional<MemoryKind> memory_kind_from_name(std::string_view name);

// True when `name` is exactly one of the seven kind names.
bool validate_memory_type(std::string_view name);

// "unsupported memory kind: {}" with the kind text as given (unquoted): the
// message of the refusal of an unknown kind.
std::string unsupported_memory_kind_message(std::string_view name);

}  // namespace lorewood
