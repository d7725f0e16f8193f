#include "platform/unicode_text.h"
#include "query/summary.h"

namespace lorewood {
namespace {

constexpr std::size_t kSummaryLines = 3;
constexpr std::size_t kSummaryChars = 280;

}  // namespace

std::string summarize_text(std::string_view text) {
  std::string summary;
  std::size_t kept = 0;
  std::size_t start = 0;
  while (kept < kSummaryLines && start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    std::string_view line = text.substr(start, (end == std::string_view::npos ? text.size() : end) - start);
    if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (has_non_whitespace(line)) {
      if (kept > 0) summary += '\n';
      summary += line;
      ++kept;
      // Once the cap is reached, further lines cannot show.
      if (summary.size() >= kSummaryChars * 4) break;
    }
    start = next;
  }
  summary.resize(prefix_bytes_for_scalars(summary, kSummaryChars));
  return summary;
}

}  // namespace lorewood
