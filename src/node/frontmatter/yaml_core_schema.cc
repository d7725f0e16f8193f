#include "node/frontmatter/yaml_core_schema.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace lorewood {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_octal(char c) { return c >= '0' && c <= '7'; }
bool is_hex(char c) {
  return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

template <typename Pred>
bool all_of(std::string_view text, Pred pred) {
  if (text.empty()) return false;
  for (char c : text)
    if (!pred(c)) return false;
  return true;
}

// The digits of an integer literal split from its sign and base prefix.
struct IntLiteral {
  bool negative = false;
  int base = 10;
  std::string_view digits;
};

std::optional<IntLiteral> split_int_literal(std::string_view text) {
  IntLiteral lit;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    lit.negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'o' || text[1] == 'x')) {
    lit.base = text[1] == 'o' ? 8 : 16;
    lit.digits = text.substr(2);
    if (!all_of(lit.digits, lit.base == 8 ? is_octal : is_hex)) return std::nullopt;
    return lit;
  }
  if (!all_of(text, is_digit)) return std::nullopt;
  lit.digits = text;
  return lit;
}

// The magnitude of the literal, or nullopt when it exceeds 64 bits.
std::optional<std::uint64_t> magnitude(const IntLiteral& lit) {
  std::uint64_t value = 0;
  auto [end, ec] = std::from_chars(lit.digits.data(), lit.digits.data() + lit.digits.size(),
                                   value, lit.base);
  if (ec != std::errc() || end != lit.digits.data() + lit.digits.size()) return std::nullopt;
  return value;
}

std::optional<YamlValue> int_value(const IntLiteral& lit) {
  auto mag = magnitude(lit);
  if (!mag) return std::nullopt;
  constexpr std::uint64_t kMax = std::numeric_limits<std::int64_t>::max();
  if (!lit.negative) {
    if (*mag <= kMax) return YamlValue::integer(static_cast<std::int64_t>(*mag));
    return YamlValue::unsigned_integer(*mag);
  }
  if (*mag <= kMax) return YamlValue::integer(-static_cast<std::int64_t>(*mag));
  if (*mag == kMax + 1) return YamlValue::integer(std::numeric_limits<std::int64_t>::min());
  return std::nullopt;
}

// [-+]?(\.[0-9]+|[0-9]+(\.[0-9]*)?)([eE][-+]?[0-9]+)?
bool has_float_form(std::string_view text) {
  std::size_t i = 0;
  auto digits = [&] {
    std::size_t start = i;
    while (i < text.size() && is_digit(text[i])) ++i;
    return i - start;
  };
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  if (i < text.size() && text[i] == '.') {
    ++i;
    if (digits() == 0) return false;
  } else {
    if (digits() == 0) return false;
    if (i < text.size() && text[i] == '.') {
      ++i;
      digits();
    }
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    if (digits() == 0) return false;
  }
  return i == text.size();
}

std::optional<double> special_float(std::string_view text) {
  std::string_view body = text;
  bool negative = false;
  if (!body.empty() && (body[0] == '-' || body[0] == '+')) {
    negative = body[0] == '-';
    body.remove_prefix(1);
  }
  if (body == ".inf" || body == ".Inf" || body == ".INF") {
    double inf = std::numeric_limits<double>::infinity();
    return negative ? -inf : inf;
  }
  if (body.size() == text.size() && (text == ".nan" || text == ".NaN" || text == ".NAN"))
    return std::numeric_limits<double>::quiet_NaN();
  return std::nullopt;
}

// Converts text of the float form; out-of-range values become the infinities
// or (for underflow) the nearest value strtod gives.
double float_value(std::string_view text) {
  std::string_view body = text;
  if (!body.empty() && body[0] == '+') body.remove_prefix(1);
  double value = 0;
  auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
  if (ec == std::errc() && end == body.data() + body.size()) return value;
  std::string copy(body);  // rare: out of range
  return std::strtod(copy.c_str(), nullptr);
}

}  // namespace

std::optional<YamlValue> parse_core_null(std::string_view text) {
  if (text.empty() || text == "~" || text == "null" || text == "Null" || text == "NULL")
    return YamlValue::null();
  return std::nullopt;
}

std::optional<YamlValue> parse_core_bool(std::string_view text) {
  if (text == "true" || text == "True" || text == "TRUE") return YamlValue::boolean(true);
  if (text == "false" || text == "False" || text == "FALSE") return YamlValue::boolean(false);
  return std::nullopt;
}

std::optional<YamlValue> parse_core_int(std::string_view text) {
  auto lit = split_int_literal(text);
  if (!lit) return std::nullopt;
  return int_value(*lit);
}

bool is_out_of_range_core_int(std::string_view text) {
  auto lit = split_int_literal(text);
  return lit && !int_value(*lit);
}

std::optional<YamlValue> parse_core_float(std::string_view text) {
  if (auto special = special_float(text)) return YamlValue::floating(*special);
  if (!has_float_form(text)) return std::nullopt;
  return YamlValue::floating(float_value(text));
}

std::optional<YamlValue> resolve_core_scalar(std::string_view text) {
  if (text.empty()) return YamlValue::null();
  // Every non-string form starts with one of these characters.
  char c = text[0];
  if (!(is_digit(c) || c == '-' || c == '+' || c == '.' || c == '~' || c == 'n' || c == 'N' ||
        c == 't' || c == 'T' || c == 'f' || c == 'F'))
    return std::nullopt;
  if (auto v = parse_core_null(text)) return v;
  if (auto v = parse_core_bool(text)) return v;
  if (auto lit = split_int_literal(text)) return int_value(*lit);  // nullopt: kept as string
  return parse_core_float(text);
}

}  // namespace lorewood
