#include "wikilink/wikilink.h"

#include "platform/seeded_hash.h"
#include "platform/unicode_text.h"

namespace lorewood {
namespace {

// The body with every closed ``` ... ``` span removed. An opening fence with no
// closing one is copied like ordinary text.
std::string strip_fenced_code(std::string_view body) {
  std::string out;
  out.reserve(body.size());
  std::size_t i = 0;
  // Once a search for a closing fence fails, no later one can succeed.
  bool closing_fence_possible = true;
  while (i < body.size()) {
    std::size_t fence = closing_fence_possible ? body.find("```", i) : std::string_view::npos;
    if (fence == std::string_view::npos) {
      out.append(body.substr(i));
      break;
    }
    out.append(body.substr(i, fence - i));
    std::size_t close = body.find("```", fence + 3);
    if (close == std::string_view::npos) {
      closing_fence_possible = false;
      out += '`';
      i = fence + 1;
      continue;
    }
    i = close + 3;
  }
  return out;
}

std::string_view link_target(std::string_view inner) {
  inner = inner.substr(0, inner.find('|'));
  inner = inner.substr(0, inner.find('#'));
  return trim_unicode_whitespace(inner);
}

}  // namespace

std::vector<std::string> extract_wikilink_targets(std::string_view body) {
  std::vector<std::string> targets;
  if (body.size() < 4) return targets;
  const std::string text = strip_fenced_code(body);
  const std::string_view view(text);
  TextSet seen;
  std::size_t i = 0;
  while (i + 4 <= view.size()) {
    std::size_t open = view.find("[[", i);
    if (open == std::string_view::npos || open + 4 > view.size()) break;
    std::size_t close = view.find("]]", open + 2);
    // No "]]" after this opening means none after any later one either.
    if (close == std::string_view::npos) break;
    std::string_view target = link_target(view.substr(open + 2, close - open - 2));
    if (!target.empty() && seen.emplace(target).second) targets.emplace_back(target);
    i = close + 2;
  }
  return targets;
}

}  // namespace lorewood
