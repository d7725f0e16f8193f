#include "query/search_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "query/tags.h"

namespace lorewood {
namespace {

YamlValue str(std::string s) { return YamlValue::string(std::move(s)); }
YamlValue seq(YamlSequence items) { return YamlValue::sequence(std::move(items)); }
YamlValue tagged(YamlValue v) { return YamlValue::tagged("!t", std::move(v)); }

TEST(ValueToSearchText, ScalarsAndContainers) {
  YamlValue nested = YamlValue::mapping(
      {{str("a"), YamlValue::mapping({{str("b"), YamlValue::integer(1)}})},
       {str("c"), seq({str("x"), YamlValue::boolean(true)})}});
  const std::pair<YamlValue, std::string> cases[] = {
      {YamlValue::null(), ""},
      {YamlValue::boolean(false), "false"},
      {YamlValue::integer(-42), "-42"},
      {YamlValue::unsigned_integer(std::numeric_limits<std::uint64_t>::max()),
       "18446744073709551615"},
      {YamlValue::floating(1.5), "1.5"},
      {YamlValue::floating(3.0), "3.0"},
      {YamlValue::floating(std::nan("")), ".nan"},
      {YamlValue::floating(-INFINITY), "-.inf"},
      {str("As Written "), "As Written "},
      {nested, "a b 1 c x true"},
      {seq({}), ""},
      {YamlValue::mapping({}), ""},
      // Empty parts still take their place between single spaces.
      {seq({str("a"), YamlValue::null(), seq({}), str("b")}), "a   b"},
      {seq({seq({str("x"), str("y")}), str("z")}), "x y z"},
      // Tags are removed at every level, keys included.
      {tagged(seq({tagged(str("t")), YamlValue::mapping({{tagged(str("k")), tagged(YamlValue::integer(2))}})})),
       "t k 2"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(value_to_search_text(value), text) << text;
}

TEST(ValueToSearchText, DeepNestingNeedsNoRecursion) {
  YamlValue v = str("core");
  for (int i = 0; i < 100000; ++i) {
    YamlSequence items;
    items.push_back(std::move(v));
    v = YamlValue::sequence(std::move(items));
  }
  EXPECT_EQ(value_to_search_text(v), "core");
  // Take the value apart level by level (its destructor would recurse).
  while (v.is_sequence() && !v.as_sequence().empty()) {
    YamlValue inner = std::move(v.as_sequence().front());
    v = std::move(inner);
  }
}

TEST(Tags, FromValue) {
  using Tags = std::vector<std::string>;
  EXPECT_EQ(tags_from_value(seq({str("research"), YamlValue::integer(42), tagged(str("x")),
                                 seq({str("nested")}), str("notes")})),
            (Tags{"research", "x", "notes"}));
  EXPECT_EQ(tags_from_value(str("a, b")), Tags{"a, b"});
  EXPECT_EQ(tags_from_value(tagged(seq({str("hidden")}))), Tags{});
  EXPECT_EQ(tags_from_value(YamlValue::null()), Tags{});
  EXPECT_EQ(tags_from_value(YamlValue::mapping({{str("k"), str("v")}})), Tags{});
}

TEST(Tags, MatchIsAConjunctionAfterFolding) {
  auto extra_with = [](YamlValue tags) {
    std::map<std::string, YamlValue> extra;
    extra.emplace("tags", std::move(tags));
    return extra;
  };
  auto list = extra_with(seq({str("research"), str("Notes")}));
  EXPECT_TRUE(tags_match(list, {"Research"}));
  EXPECT_TRUE(tags_match(list, {"NOTES", "research"}));
  EXPECT_FALSE(tags_match(list, {"research", "ops"}));
  EXPECT_TRUE(tags_match(extra_with(str("RESEARCH")), {"Research"}));
  EXPECT_FALSE(tags_match(extra_with(seq({YamlValue::integer(42)})), {"42"}));
  EXPECT_FALSE(tags_match(extra_with(tagged(seq({str("research")}))), {"research"}));
  EXPECT_FALSE(tags_match({}, {"research"}));
  EXPECT_TRUE(tags_match({}, {}));
  EXPECT_FALSE(tags_match(list, {""}));
}

TEST(Tags, ManyTagsOnBothSides) {
  YamlSequence node_tags;
  std::vector<std::string> required;
  for (int i = 0; i < 2000; ++i) {
    node_tags.push_back(str("Tag" + std::to_string(i)));
    required.push_back("TAG" + std::to_string(1999 - i));
  }
  std::map<std::string, YamlValue> extra;
  extra.emplace("tags", seq(node_tags));
  EXPECT_TRUE(tags_match(extra, required));
  required.push_back("tag2000");
  EXPECT_FALSE(tags_match(extra, required));
}

}  // namespace
}  // namespace lorewood
