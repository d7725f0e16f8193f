#include "memory/memory_kind.h"

#include <array>
#include <utility>

namespace lorewood {
namespace {

constexpr std::array<std::pair<MemoryKind, std::string_view>, 7> kKindNames{{
    {MemoryKind::Preference, "preference"},
    {MemoryKind::ProjectFact, "project_fact"},
    {MemoryKind::Decision, "decision"},
    {MemoryKind::Task, "task"},
    {MemoryKind::SessionSummary, "session_summary"},
    {MemoryKind::Bookmark, "bookmark"},
    {MemoryKind::ToolFailure, "tool_failure"},
}};

}  // namespace

std::string_view memory_kind_name(MemoryKind kind) {
  for (const auto& [candidate, name] : kKindNames)
    if (candidate == kind) return name;
  return {};
}

std::optional<MemoryKind> memory_kind_from_name(std::string_view name) {
  for (const auto& [kind, candidate] : kKindNames)
    if (candidate == name) return kind;
  return std::nullopt;
}

bool validate_memory_type(std::string_view name) { return memory_kind_from_name(name).has_value(); }

std::string unsupported_memory_kind_message(std::string_view name) {
  std::string message = "unsupported memory kind: ";
  message += name;
  return message;
}

}  // namespace lorewood
