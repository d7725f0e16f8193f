#include "node/frontmatter/yaml_lookalikes.h"

#include "node/frontmatter/yaml_core_schema.h"

namespace lorewood {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_one_of(std::string_view text, std::initializer_list<std::string_view> words) {
  for (std::string_view word : words)
    if (text == word) return true;
  return false;
}

// YAML 1.1 booleans, including the single letters of the 1.1 type repository.
bool is_yaml11_bool(std::string_view text) {
  return is_one_of(text, {"y", "Y", "yes", "Yes", "YES", "n", "N", "no", "No", "NO", "true",
                          "True", "TRUE", "false", "False", "FALSE", "on", "On", "ON", "off",
                          "Off", "OFF"});
}

bool is_yaml11_special(std::string_view text) {
  return is_one_of(text, {"~", "null", "Null", "NULL", "<<", "=", ".inf", ".Inf", ".INF", "-.inf",
                          "-.Inf", "-.INF", "+.inf", "+.Inf", "+.INF", ".nan", ".NaN", ".NAN"});
}

// Text made only of the characters of 1.1 and 1.2 number forms (digits, sign,
// point, exponent, base prefixes, hex digits, underscores, base-60 colons),
// starting with a digit or a point after an optional sign.
bool is_number_like(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  if (i == text.size()) return false;
  if (!is_digit(text[i]) && !(text[i] == '.' && i + 1 < text.size() && is_digit(text[i + 1])))
    return false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    bool allowed = is_digit(c) || c == '.' || c == '_' || c == ':' || c == '+' || c == '-' ||
                   c == 'x' || c == 'X' || c == 'o' || c == 'O' || c == 'b' || c == 'B' ||
                   (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!allowed) return false;
  }
  return true;
}

// Matches `count` digits at `i` (a range when min < max) and advances.
bool digits(std::string_view text, std::size_t& i, std::size_t min, std::size_t max) {
  std::size_t n = 0;
  while (i < text.size() && n < max && is_digit(text[i])) {
    ++i;
    ++n;
  }
  return n >= min;
}

bool literal(std::string_view text, std::size_t& i, char c) {
  if (i < text.size() && text[i] == c) {
    ++i;
    return true;
  }
  return false;
}

void blanks(std::string_view text, std::size_t& i) {
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
}

// The YAML 1.1 timestamp forms: YYYY-MM-DD, or
// YYYY-M-D(T|t|blanks)H:MM:SS(.fraction)?(blanks*(Z|[-+]H(:MM)?))?
bool is_yaml11_timestamp(std::string_view text) {
  std::size_t i = 0;
  if (!digits(text, i, 4, 4) || !literal(text, i, '-')) return false;
  std::size_t date_start = i;
  if (digits(text, i, 2, 2) && literal(text, i, '-') && digits(text, i, 2, 2) && i == text.size())
    return true;
  i = date_start;
  if (!digits(text, i, 1, 2) || !literal(text, i, '-') || !digits(text, i, 1, 2)) return false;
  if (!literal(text, i, 'T') && !literal(text, i, 't')) {
    std::size_t before = i;
    blanks(text, i);
    if (i == before) return false;
  }
  if (!digits(text, i, 1, 2) || !literal(text, i, ':') || !digits(text, i, 2, 2) ||
      !literal(text, i, ':') || !digits(text, i, 2, 2))
    return false;
  if (literal(text, i, '.')) digits(text, i, 0, text.size());
  if (i == text.size()) return true;
  blanks(text, i);
  if (literal(text, i, 'Z')) return i == text.size();
  if (!literal(text, i, '-') && !literal(text, i, '+')) return false;
  if (!digits(text, i, 1, 2)) return false;
  if (literal(text, i, ':') && !digits(text, i, 2, 2)) return false;
  return i == text.size();
}

}  // namespace

bool plain_reads_as_non_string(std::string_view text) {
  if (text.empty()) return true;
  if (resolve_core_scalar(text).has_value()) return true;
  return is_yaml11_bool(text) || is_yaml11_special(text) || is_number_like(text) ||
         is_yaml11_timestamp(text);
}

}  // namespace lorewood
