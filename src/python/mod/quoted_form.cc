// Quoted form of text values.
#include "quoted_form.h"

#include <algorithm>
#include <charconv>

#include "error/display_path.h"
#include "escape_table.h"
#include "platform/unicode_text.h"

namespace lorewood::python {
namespace {

void append_unicode_escape(std::string& out, char32_t c) {
  char digits[8];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits,
                                 static_cast<unsigned long>(c), 16);
  out += "\\u{";
  out.append(digits, end);
  out += '}';
}

// Appends the escaped form of one character; `bytes` is its UTF-8 encoding.
void append_character(std::string& out, char32_t c, std::string_view bytes) {
  switch (c) {
    case U'\\': out += "\\\\"; return;
    case U'"': out += "\\\""; return;
    case U'\0': out += "\\0"; return;
    case U'\t': out += "\\t"; return;
    case U'\r': out += "\\r"; return;
    case U'\n': out += "\\n"; return;
    default: break;
  }
  if (needs_unicode_escape(c)) {
    append_unicode_escape(out, c);
  } else {
    out += bytes;
  }
}

std::string quoted_valid_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t start = i;
    const char32_t c = decode_utf8_at(text, i);
    append_character(out, c, text.substr(start, i - start));
  }
  out += '"';
  return out;
}

}  // namespace

bool needs_unicode_escape(char32_t c) {
  const CodePointRange* begin = kEscapedRanges;
  const CodePointRange* end = kEscapedRanges + kEscapedRangeCount;
  // The first range whose last code point is not below c.
  const CodePointRange* it = std::lower_bound(
      begin, end, c, [](const CodePointRange& range, char32_t value) { return range.last < value; });
  return it != end && it->first <= c;
}

std::string quoted_form(std::string_view text) {
  if (!is_valid_utf8(text)) return quoted_valid_utf8(utf8_lossy(text));
  return quoted_valid_utf8(text);
}

}  // namespace lorewood::python
