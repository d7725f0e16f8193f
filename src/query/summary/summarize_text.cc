#include "platform/unicode_text.h"
#include "query/summary.h"

namespace lorewood {
namespace {

constexpr std::size_t kSummaryLines = 3;
constexpr std::size_t kSummaryChars = 280;

// Appends at most `*room` characters of `piece`, and reduces `*room` by them.
void append_capped(std::string& out, std::string_view piece, std::size_t* room) {
  std::size_t bytes = prefix_bytes_for_scalars(piece, *room);
  std::string_view kept = piece.substr(0, bytes);
  std::size_t chars = 0;
  for (unsigned char c : kept) chars += (c & 0xC0) != 0x80;
  out.append(kept);
  *room -= chars;
}

}  // namespace

std::string summarize_text(std::string_view text) {
  std::string summary;
  std::size_t kept = 0;
  std::size_t room = kSummaryChars;
  std::size_t start = 0;
  while (kept < kSummaryLines && room > 0 && start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::size_t line_end = end == std::string_view::npos ? text.size() : end;
    std::string_view line = text.substr(start, line_end - start);
    if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (has_non_whitespace(line)) {
      if (kept > 0) append_capped(summary, "\n", &room);
      append_capped(summary, line, &room);
      ++kept;
    }
    start = line_end + 1;
  }
  return summary;
}

}  // namespace lorewood
