// YamlValue: the frontmatter value tree.
//
// Null, booleans, integers (signed 64-bit, or unsigned above the signed range),
// floats, strings, sequences, mappings in written order, and tagged values (a
// value with a non-standard tag such as `!secret`). Keys of a mapping are values
// too; the node record requires string keys only at the top level.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace lorewood {

class YamlValue;

using YamlSequence = std::vector<YamlValue>;
using YamlMapping = std::vector<std::pair<YamlValue, YamlValue>>;

struct YamlNull {
  bool operator==(const YamlNull&) const = default;
};

struct YamlTagged;

class YamlValue {
 public:
  enum class Kind { Null, Bool, Int, UInt, Float, String, Sequence, Mapping, Tagged };

  YamlValue() : value_(YamlNull{}) {}
  static YamlValue null() { return YamlValue(); }
  static YamlValue boolean(bool b) { return YamlValue(Storage(std::in_place_index<1>, b)); }
  static YamlValue integer(std::int64_t i) { return YamlValue(Storage(std::in_place_index<2>, i)); }
  static YamlValue unsigned_integer(std::uint64_t u) {
    return YamlValue(Storage(std::in_place_index<3>, u));
  }
  static YamlValue floating(double d) { return YamlValue(Storage(std::in_place_index<4>, d)); }
  static YamlValue string(std::string s) {
    return YamlValue(Storage(std::in_place_index<5>, std::move(s)));
  }
  static YamlValue sequence(YamlSequence items) {
    return YamlValue(Storage(std::in_place_index<6>, std::move(items)));
  }
  static YamlValue mapping(YamlMapping entries) {
    return YamlValue(Storage(std::in_place_index<7>, std::move(entries)));
  }
  static YamlValue tagged(std::string tag, YamlValue inner);

  Kind kind() const { return static_cast<Kind>(value_.index()); }
  bool is_null() const { return kind() == Kind::Null; }
  bool is_string() const { return kind() == Kind::String; }
  bool is_sequence() const { return kind() == Kind::Sequence; }
  bool is_mapping() const { return kind() == Kind::Mapping; }

  bool as_bool() const { return std::get<1>(value_); }
  std::int64_t as_int() const { return std::get<2>(value_); }
  std::uint64_t as_uint() const { return std::get<3>(value_); }
  double as_float() const { return std::get<4>(value_); }
  const std::string& as_string() const { return std::get<5>(value_); }
  std::string& as_string() { return std::get<5>(value_); }
  const YamlSequence& as_sequence() const { return std::get<6>(value_); }
  YamlSequence& as_sequence() { return std::get<6>(value_); }
  const YamlMapping& as_mapping() const { return std::get<7>(value_); }
  YamlMapping& as_mapping() { return std::get<7>(value_); }
  // Tagged values: the tag as written (for example "!secret") and the value.
  const std::string& tag() const;
  const YamlValue& tagged_value() const;

  // The value with every tag wrapper removed (the value itself if untagged).
  const YamlValue& untagged() const;

  // Deep structural equality; floats compare bitwise-equal or by value.
  bool operator==(const YamlValue& other) const;

 private:
  using Storage = std::variant<YamlNull, bool, std::int64_t, std::uint64_t, double, std::string,
                               YamlSequence, YamlMapping, std::shared_ptr<const YamlTagged>>;
  explicit YamlValue(Storage value) : value_(std::move(value)) {}

  Storage value_;
};

struct YamlTagged {
  std::string tag;
  YamlValue value;
};

inline YamlValue YamlValue::tagged(std::string tag, YamlValue inner) {
  return YamlValue(Storage(std::in_place_index<8>,
                           std::make_shared<const YamlTagged>(YamlTagged{std::move(tag), std::move(inner)})));
}

inline const std::string& YamlValue::tag() const { return std::get<8>(value_)->tag; }
inline const YamlValue& YamlValue::tagged_value() const { return std::get<8>(value_)->value; }

inline const YamlValue& YamlValue::untagged() const {
  const YamlValue* v = this;
  while (v->kind() == Kind::Tagged) v = &v->tagged_value();
  return *v;
}

// A short description of a value for error texts: "null", "boolean `true`",
// "integer `3`", "floating point `1.5`", "string \"abc\"" (long strings cut),
// "sequence", "map", "tagged value `!tag`".
std::string describe_yaml_value(const YamlValue& value);

// Shortest text of a float that reads back as the same value, with a decimal
// point ("1.0", "1.0e+20", "-0.0"), or ".inf", "-.inf", ".nan".
std::string format_yaml_float(double value);

}  // namespace lorewood
