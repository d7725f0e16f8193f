#include "node/yaml_value.h"

#include <bit>
#include <charconv>
#include <cmath>

namespace lorewood {

bool YamlValue::operator==(const YamlValue& other) const {
  if (kind() != other.kind()) return false;
  switch (kind()) {
    case Kind::Null:
      return true;
    case Kind::Bool:
      return as_bool() == other.as_bool();
    case Kind::Int:
      return as_int() == other.as_int();
    case Kind::UInt:
      return as_uint() == other.as_uint();
    case Kind::Float:
      return std::bit_cast<std::uint64_t>(as_float()) ==
                 std::bit_cast<std::uint64_t>(other.as_float()) ||
             as_float() == other.as_float();
    case Kind::String:
      return as_string() == other.as_string();
    case Kind::Sequence:
      return as_sequence() == other.as_sequence();
    case Kind::Mapping:
      return as_mapping() == other.as_mapping();
    case Kind::Tagged:
      return tag() == other.tag() && tagged_value() == other.tagged_value();
  }
  return false;
}

std::string format_yaml_float(double value) {
  if (std::isnan(value)) return ".nan";
  if (std::isinf(value)) return value < 0 ? "-.inf" : ".inf";
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, ec == std::errc() ? end : buffer);
  std::size_t exponent = text.find('e');
  std::string_view mantissa = std::string_view(text).substr(0, exponent);
  if (mantissa.find('.') == std::string_view::npos) text.insert(mantissa.size(), ".0");
  return text;
}

namespace {

// `text` cut to at most `limit` bytes at a character boundary, marked with "...".
std::string shortened(std::string_view text, std::size_t limit = 64) {
  if (text.size() <= limit) return std::string(text);
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return std::string(text.substr(0, cut)) + "...";
}

}  // namespace

std::string describe_yaml_value(const YamlValue& value) {
  switch (value.kind()) {
    case YamlValue::Kind::Null:
      return "null";
    case YamlValue::Kind::Bool:
      return value.as_bool() ? "boolean `true`" : "boolean `false`";
    case YamlValue::Kind::Int:
      return "integer `" + std::to_string(value.as_int()) + "`";
    case YamlValue::Kind::UInt:
      return "integer `" + std::to_string(value.as_uint()) + "`";
    case YamlValue::Kind::Float:
      return "floating point `" + format_yaml_float(value.as_float()) + "`";
    case YamlValue::Kind::String:
      return "string \"" + shortened(value.as_string()) + "\"";
    case YamlValue::Kind::Sequence:
      return "sequence";
    case YamlValue::Kind::Mapping:
      return "map";
    case YamlValue::Kind::Tagged:
      return "tagged value `" + shortened(value.tag()) + "`";
  }
  return "value";
}

}  // namespace lorewood
