// The Markdown rendering of a recall bundle.
#include <string>
#include <vector>

#include "recall/recall_bundle.h"

namespace lorewood {
namespace {

void append_joined(std::string& out, const std::vector<std::string>& items) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ", ";
    out += items[i];
  }
}

void append_list_line(std::string& out, std::string_view label, const std::vector<std::string>& items) {
  if (items.empty()) return;
  out += "- **";
  out += label;
  out += ":** ";
  append_joined(out, items);
  out += '\n';
}

}  // namespace

std::string RecallBundle::to_markdown() const {
  std::string out;
  out += "## `";
  out += id;
  out += "` (";
  out += node_type;
  out += ")\n\n";
  if (!relevance_reason.empty()) {
    out += "- **Reason:** ";
    out += relevance_reason;
    out += '\n';
  }
  append_list_line(out, "Links", links);
  append_list_line(out, "Backlinks", backlinks);
  out += '\n';
  if (!summary.empty()) {
    out += "**Summary:** ";
    out += summary;
    out += "\n\n";
  }
  if (!body_excerpt.empty()) {
    out += "```markdown\n";
    out += body_excerpt;
    if (body_excerpt.back() != '\n') out += '\n';
    out += "```\n";
  }
  return out;
}

}  // namespace lorewood
