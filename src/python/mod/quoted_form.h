// Quoted form: how repr texts and Python-side messages show a text value.
//
//   quoted_form("a\"b\n")  ->  "a\"b\n" with the quotes, backslashes written out
//
// The text is enclosed in double quotes. Backslash and double quote are
// escaped with a backslash; NUL, tab, carriage return and line feed become
// \0 \t \r \n; characters that are not printable (Cc, Cf, Cs, Co, unassigned,
// Zl, Zp, and Zs other than space) and grapheme-extending characters become
// \u{<lowercase hex>}; every other character, the single quote included, is
// written unchanged. The character tables are those of escape_table.cc.
#pragma once

#include <string>
#include <string_view>

namespace lorewood::python {

// The quoted form of UTF-8 text. Invalid UTF-8 is first replaced by U+FFFD.
std::string quoted_form(std::string_view text);

// True when the quoted form writes `c` as \u{...} (not printable or
// grapheme-extending).
bool needs_unicode_escape(char32_t c);

}  // namespace lorewood::python
