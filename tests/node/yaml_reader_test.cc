#include "node/frontmatter/yaml_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "node/yaml_test_support.h"

namespace lorewood {
namespace {

YamlValue str(const char* s) { return YamlValue::string(s); }
YamlValue i64(std::int64_t i) { return YamlValue::integer(i); }

// The value of `key` in a one-entry document "key: <text>".
YamlValue scalar_of(const std::string& text) {
  auto parsed = parse_yaml("k: " + text);
  EXPECT_TRUE(parsed) << text << ": " << parsed.error();
  if (!parsed || !parsed->is_mapping() || parsed->as_mapping().size() != 1) return YamlValue::string("<bad>");
  return parsed->as_mapping()[0].second;
}

struct ScalarCase {
  const char* text;
  YamlValue expected;
};

class CoreSchema : public ::testing::TestWithParam<ScalarCase> {};

TEST_P(CoreSchema, ResolvesPlainScalar) {
  EXPECT_EQ(scalar_of(GetParam().text), GetParam().expected) << GetParam().text;
}

const double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Table, CoreSchema,
    ::testing::Values(
        ScalarCase{"~", YamlValue::null()}, ScalarCase{"null", YamlValue::null()},
        ScalarCase{"Null", YamlValue::null()}, ScalarCase{"NULL", YamlValue::null()},
        ScalarCase{"", YamlValue::null()}, ScalarCase{"nULL", str("nULL")},
        ScalarCase{"true", YamlValue::boolean(true)}, ScalarCase{"True", YamlValue::boolean(true)},
        ScalarCase{"TRUE", YamlValue::boolean(true)}, ScalarCase{"False", YamlValue::boolean(false)},
        // YAML 1.1 booleans are strings under the 1.2 core schema.
        ScalarCase{"yes", str("yes")}, ScalarCase{"off", str("off")}, ScalarCase{"tRUE", str("tRUE")},
        ScalarCase{"0", i64(0)}, ScalarCase{"-17", i64(-17)}, ScalarCase{"+5", i64(5)},
        ScalarCase{"007", i64(7)}, ScalarCase{"0x1F", i64(31)}, ScalarCase{"0o17", i64(15)},
        ScalarCase{"-0x10", i64(-16)}, ScalarCase{"0b101", str("0b101")},
        ScalarCase{"0x", str("0x")}, ScalarCase{"0o8", str("0o8")}, ScalarCase{"1_000", str("1_000")},
        ScalarCase{"12:30", str("12:30")},
        ScalarCase{"9223372036854775807", i64(std::numeric_limits<std::int64_t>::max())},
        ScalarCase{"-9223372036854775808", i64(std::numeric_limits<std::int64_t>::min())},
        ScalarCase{"9223372036854775808", YamlValue::unsigned_integer(9223372036854775808ULL)},
        ScalarCase{"18446744073709551615", YamlValue::unsigned_integer(18446744073709551615ULL)},
        ScalarCase{"0xFFFFFFFFFFFFFFFF", YamlValue::unsigned_integer(18446744073709551615ULL)},
        // Out of both ranges: kept as the exact digits.
        ScalarCase{"18446744073709551616", str("18446744073709551616")},
        ScalarCase{"-9223372036854775809", str("-9223372036854775809")},
        ScalarCase{"1.5", YamlValue::floating(1.5)}, ScalarCase{"-2.", YamlValue::floating(-2.0)},
        ScalarCase{".5", YamlValue::floating(0.5)}, ScalarCase{"+.5", YamlValue::floating(0.5)},
        ScalarCase{"1e3", YamlValue::floating(1000.0)}, ScalarCase{"1.0e+20", YamlValue::floating(1e20)},
        ScalarCase{"2E-2", YamlValue::floating(0.02)}, ScalarCase{"1e999", YamlValue::floating(kInf)},
        ScalarCase{"5.0e-324", YamlValue::floating(5e-324)},
        ScalarCase{".inf", YamlValue::floating(kInf)}, ScalarCase{"-.Inf", YamlValue::floating(-kInf)},
        ScalarCase{"+.INF", YamlValue::floating(kInf)}, ScalarCase{".inF", str(".inF")},
        ScalarCase{"1.2.3", str("1.2.3")}, ScalarCase{"1e", str("1e")}, ScalarCase{".", str(".")},
        ScalarCase{"-x", str("-x")}, ScalarCase{"2024-01-01", str("2024-01-01")},
        // Quoted and block scalars are strings whatever they look like.
        ScalarCase{"'123'", str("123")}, ScalarCase{"\"true\"", str("true")},
        ScalarCase{"''", str("")}, ScalarCase{"|-\n  12", str("12")}));

TEST(CoreSchema, NanInAllSpellings) {
  for (const char* text : {".nan", ".NaN", ".NAN"}) {
    YamlValue v = scalar_of(text);
    ASSERT_EQ(v.kind(), YamlValue::Kind::Float) << text;
    EXPECT_TRUE(std::isnan(v.as_float()));
  }
  EXPECT_EQ(scalar_of("-.nan"), str("-.nan"));
}

TEST(YamlReader, StandardTagsGivePlainValues) {
  EXPECT_EQ(scalar_of("!!str 12"), str("12"));
  EXPECT_EQ(scalar_of("!!int '12'"), i64(12));
  EXPECT_EQ(scalar_of("!!float 1"), YamlValue::floating(1.0));
  EXPECT_EQ(scalar_of("!!bool \"true\""), YamlValue::boolean(true));
  EXPECT_EQ(scalar_of("!!null ''"), YamlValue::null());
  EXPECT_EQ(scalar_of("!<tag:yaml.org,2002:str> x"), str("x"));
  EXPECT_EQ(scalar_of("! 12"), str("12"));
  EXPECT_EQ(scalar_of("!!seq [1]"), YamlValue::sequence({i64(1)}));
  EXPECT_EQ(scalar_of("!!map {a: 1}"), YamlValue::mapping({{str("a"), i64(1)}}));
}

TEST(YamlReader, OtherTagsGiveTaggedValues) {
  EXPECT_EQ(scalar_of("!secret 12"), YamlValue::tagged("!secret", i64(12)));
  EXPECT_EQ(scalar_of("!secret '12'"), YamlValue::tagged("!secret", str("12")));
  EXPECT_EQ(scalar_of("!!binary AAA"), YamlValue::tagged("tag:yaml.org,2002:binary", str("AAA")));
  EXPECT_EQ(scalar_of("!pair [1, 2]"), YamlValue::tagged("!pair", YamlValue::sequence({i64(1), i64(2)})));
  auto with_directive = parse_yaml("%TAG !e! tag:example.com,2000:\n---\nk: !e!x {}");
  ASSERT_TRUE(with_directive) << with_directive.error();
  EXPECT_EQ(with_directive->as_mapping()[0].second,
            YamlValue::tagged("tag:example.com,2000:x", YamlValue::mapping({})));
}

TEST(YamlReader, MappingsKeepWrittenOrderAndKeyTypes) {
  auto parsed = parse_yaml("b: 1\na: [x, {c: d}]\n1: one\nnull: nothing\n? [k]\n: complex\n");
  ASSERT_TRUE(parsed) << parsed.error();
  YamlValue expected = YamlValue::mapping({
      {str("b"), i64(1)},
      {str("a"), YamlValue::sequence({str("x"), YamlValue::mapping({{str("c"), str("d")}})})},
      {i64(1), str("one")},
      {YamlValue::null(), str("nothing")},
      {YamlValue::sequence({str("k")}), str("complex")},
  });
  EXPECT_EQ(*parsed, expected);
}

TEST(YamlReader, EmptyStreamsReadAsNull) {
  for (const char* text : {"", "   \n", "# only a comment\n"}) {
    auto parsed = parse_yaml(text);
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_TRUE(parsed->is_null());
  }
}

TEST(YamlReader, AliasesExpandToCopies) {
  auto parsed = parse_yaml("base: &b {x: 1}\nuse: *b\nlist: [&s hi, *s]\n");
  ASSERT_TRUE(parsed) << parsed.error();
  const YamlMapping& m = parsed->as_mapping();
  EXPECT_EQ(m[1].second, m[0].second);
  EXPECT_EQ(m[2].second, YamlValue::sequence({str("hi"), str("hi")}));
}

struct ErrorCase {
  const char* name;
  std::string text;
  std::string expected;
};

class YamlReaderErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(YamlReaderErrors, FailsWithDescription) {
  auto parsed = parse_yaml(GetParam().text);
  ASSERT_FALSE(parsed);
  EXPECT_EQ(parsed.error(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, YamlReaderErrors,
    ::testing::Values(
        ErrorCase{"Syntax", "a: 1\nb: [\n", "did not find expected node content at line 3 column 1 "
                                               "(while parsing a flow node at line 3 column 1)"},
        ErrorCase{"BadIndent", "a: 1\n  b: 2\n",
                  "mapping values are not allowed in this context at line 2 column 4"},
        ErrorCase{"DuplicateKey", "a: 1\nb: 2\na: 3\n", "duplicate mapping key `a` at line 3 column 1"},
        ErrorCase{"DuplicateQuotedKey", "a: 1\n'a': 2\n", "duplicate mapping key `a` at line 2 column 1"},
        ErrorCase{"DuplicateIntKey", "m: {1: a, 0x1: b}\n",
                  "duplicate mapping key integer `1` at line 1 column 11"},
        ErrorCase{"SecondDocument", "a: 1\n---\nb: 2\n",
                  "expected a single YAML document but found another at line 2 column 1"},
        ErrorCase{"BadIntTag", "a: !!int abc\n", "invalid value `abc` for !!int at line 1 column 4"},
        ErrorCase{"IntTagOutOfRange", "a: !!int 99999999999999999999\n",
                  "integer `99999999999999999999` is out of range for !!int at line 1 column 4"},
        ErrorCase{"BadBoolTag", "a: !!bool yes\n", "invalid value `yes` for !!bool at line 1 column 4"},
        ErrorCase{"SeqTagOnScalar", "a: !!seq x\n", "tag !!seq cannot be applied to a scalar at line 1 column 4"},
        ErrorCase{"MapTagOnSequence", "a: !!map [x]\n",
                  "tag !!map cannot be applied to a sequence at line 1 column 4"},
        ErrorCase{"UndefinedAlias", "a: *nowhere\n", "found undefined alias `nowhere` at line 1 column 4"},
        ErrorCase{"ControlCharacter", "a: b\nc: \x01\n",
                  "control characters are not allowed (#x01) at line 2 column 4"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(YamlReader, ManyKeysStillCatchDuplicates) {
  std::string text;
  for (int k = 0; k < 2000; ++k) text += "k" + std::to_string(k) + ": " + std::to_string(k) + "\n";
  ASSERT_TRUE(parse_yaml(text));
  auto parsed = parse_yaml(text + "k1234: again\n");
  ASSERT_FALSE(parsed);
  EXPECT_EQ(parsed.error(), "duplicate mapping key `k1234` at line 2001 column 1");
  // 0.0 and -0.0 are the same key, as are keys equal after resolution.
  EXPECT_FALSE(parse_yaml("{a: 1, b: 2, c: 3, d: 4, e: 5, f: 6, g: 7, h: 8, 0.0: x, -0.0: y}"));
}

TEST(YamlReader, ErrorPositionsFollowTheOrigin) {
  auto parsed = parse_yaml("a: 1\na: 2", YamlTextOrigin{5, 9});
  ASSERT_FALSE(parsed);
  EXPECT_EQ(parsed.error(), "duplicate mapping key `a` at line 6 column 1");
  parsed = parse_yaml("a: !!int x", YamlTextOrigin{5, 9});
  ASSERT_FALSE(parsed);
  EXPECT_EQ(parsed.error(), "invalid value `x` for !!int at line 5 column 12");
}

TEST(YamlReaderLimits, DeepFlowNestingFailsCleanly) {
  std::string text = "k: " + std::string(100000, '[') + std::string(100000, ']');
  auto parsed = parse_yaml(text);
  ASSERT_FALSE(parsed);
  EXPECT_EQ(parsed.error(), "nesting deeper than 256 levels at line 1 column 259");
}

TEST(YamlReaderLimits, DepthLimitIsExact) {
  auto nested = [](std::size_t depth) {
    return std::string(depth, '[') + std::string(depth, ']');
  };
  EXPECT_TRUE(parse_yaml(nested(kYamlMaxDepth)));
  EXPECT_FALSE(parse_yaml(nested(kYamlMaxDepth + 1)));
  // An alias cannot smuggle its anchor's depth past the limit.
  std::string deep = nested(kYamlMaxDepth - 1);
  EXPECT_TRUE(parse_yaml("[&a " + deep + ", *a]"));
  auto parsed = parse_yaml("- &a " + deep + "\n- [*a]\n");
  ASSERT_FALSE(parsed);
  EXPECT_EQ(parsed.error(), "nesting deeper than 256 levels at line 2 column 4");
}

TEST(YamlReaderLimits, AliasBombFails) {
  std::string text = "a: &a [x, x, x, x, x, x, x, x, x, x]\n";
  char prev = 'a';
  for (char name = 'b'; name <= 'j'; ++name) {
    text += std::string(1, name) + ": &" + name + " [";
    for (int k = 0; k < 10; ++k) text += std::string(k ? ", *" : "*") + prev;
    text += "]\n";
    prev = name;
  }
  auto parsed = parse_yaml(text);
  ASSERT_FALSE(parsed);
  EXPECT_NE(parsed.error().find("anchors and aliases expand to more than 100000 nodes"),
            std::string::npos)
      << parsed.error();
}

TEST(YamlReaderLimits, LargeAliasedStringsFail) {
  std::string text = "a: &a " + std::string(1 << 20, 'x') + "\nb: [";
  for (int k = 0; k < 20; ++k) text += "*a, ";
  text += "]\n";
  auto parsed = parse_yaml(text);
  ASSERT_FALSE(parsed);
  EXPECT_NE(parsed.error().find("bytes"), std::string::npos) << parsed.error();
}

}  // namespace
}  // namespace lorewood
