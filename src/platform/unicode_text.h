// Small Unicode helpers over UTF-8 text: white space and scalar counting.
#pragma once

#include <cstddef>
#include <string_view>

namespace lorewood {

// Unicode White_Space property.
bool is_unicode_whitespace(char32_t c);

// Decodes the scalar starting at `text[i]` (text must be valid UTF-8) and
// advances `i` past it.
char32_t decode_utf8_at(std::string_view text, std::size_t& i);

// `text` without leading and trailing Unicode white space.
std::string_view trim_unicode_whitespace(std::string_view text);

// True when `text` holds a character that is not Unicode white space.
bool has_non_whitespace(std::string_view text);

// Byte length of the first `count` scalars of `text` (all of it when shorter).
std::size_t prefix_bytes_for_scalars(std::string_view text, std::size_t count);

}  // namespace lorewood
