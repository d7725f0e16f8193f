#include "platform/unicode_text.h"

#include <algorithm>

namespace lorewood {

bool is_unicode_whitespace(char32_t c) {
  if (c <= 0x20) return c == 0x20 || (c >= 0x09 && c <= 0x0D);
  if (c < 0x85) return false;
  switch (c) {
    case 0x85: case 0xA0: case 0x1680: case 0x2028: case 0x2029:
    case 0x202F: case 0x205F: case 0x3000:
      return true;
    default:
      return c >= 0x2000 && c <= 0x200A;
  }
}

char32_t decode_utf8_at(std::string_view text, std::size_t& i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char c = byte(i);
  if (c < 0x80) {
    ++i;
    return c;
  }
  std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
  char32_t value = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
  for (std::size_t k = 1; k < len && i + k < text.size(); ++k)
    value = (value << 6) | (byte(i + k) & 0x3F);
  // A truncated sequence (invalid input) ends at the end of the text.
  i = std::min(i + len, text.size());
  return value;
}

namespace {

// Start of the last scalar ending at `end` (exclusive).
std::size_t last_scalar_start(std::string_view text, std::size_t end) {
  std::size_t start = end - 1;
  while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
  return start;
}

}  // namespace

std::string_view trim_unicode_whitespace(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t next = begin;
    if (!is_unicode_whitespace(decode_utf8_at(text, next))) break;
    begin = next;
  }
  std::size_t end = text.size();
  while (end > begin) {
    std::size_t start = last_scalar_start(text, end);
    std::size_t probe = start;
    if (!is_unicode_whitespace(decode_utf8_at(text, probe))) break;
    end = start;
  }
  return text.substr(begin, end - begin);
}

bool has_non_whitespace(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    if (!is_unicode_whitespace(decode_utf8_at(text, i))) return true;
  }
  return false;
}

std::size_t prefix_bytes_for_scalars(std::string_view text, std::size_t count) {
  std::size_t i = 0;
  for (std::size_t n = 0; n < count && i < text.size(); ++n) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    i += c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
  }
  return i < text.size() ? i : text.size();
}

}  // namespace lorewood
