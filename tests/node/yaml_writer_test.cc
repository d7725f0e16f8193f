#include "node/frontmatter/yaml_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "node/frontmatter/yaml_reader.h"
#include "node/node.h"
#include "node/yaml_test_support.h"
#include "support/temp_root.h"

namespace lorewood {
namespace {

YamlValue str(std::string s) { return YamlValue::string(std::move(s)); }

// Strings that tempt a writer into output that reads back as something else.
const std::vector<std::string>& tricky_strings() {
  static const std::vector<std::string> strings = {
      "", " ", "~", "null", "Null", "NULL", "true", "False", "yes", "No", "ON", "off", "y", "N",
      "0", "123", "-7", "+5", "007", "08", "0x1F", "0o17", "0b101", "1_000", "12:30", "190:20:30",
      "1.5", "1e3", "1.0e+20", ".5", ".inf", "-.Inf", ".NaN", "1.2.3", "99999999999999999999",
      "2024-01-01", "2001-12-14t21:59:43.10-05:00", "2001-12-14 21:59:43.10 -5", "<<", "=",
      "a\n", "a\n\n", "\n", "\na", "a\nb", "a\n b", " lead", "trail ", "  a\nb", "a\nb ",
      "a\n\nb", "a\n  \nb", "tab\there", "\t", "\r\n", "a\rb", "a\r\nb\r\n", "#x", "a #b", "a#b",
      "- x", "-", "--", "---", "--- x", "...", ": x", "a: b", "a:", "?", "? x", "!tag", "&a",
      "*a", "%x", "@x", "`x", "{a}", "[a]", "'q'", "\"q\"", "a'b", "back\\slash", "|", ">",
      "x\n---\ny", "x\n---", "caf\xC3\xA9", "\xF0\x9F\x98\x80 emoji", "nbsp\xC2\xA0",
      "\xE3\x80\x80wide", "line\xE2\x80\xA8sep", "nel\xC2\x85x", "\xEF\xBB\xBF" "bom",
      std::string("nul\0byte", 8), std::string(300, 'k'), "ctrl\x01", "del\x7F"};
  return strings;
}

// A record whose every string field, and extra keys and values, hold `s`;
// "zzz" is the last key, so `s` also stands at the very end of the text.
NodeMetadata record_holding(const std::string& s) {
  NodeMetadata m;
  m.id = s;
  m.node_type = s;
  m.source = s;
  m.links = {s, s};
  m.extra["k " + s] = str(s);
  m.extra["nested"] = YamlValue::mapping(
      {{str(s), YamlValue::sequence({str(s), YamlValue::mapping({{str("v"), str(s)}})})}});
  m.extra["tagged"] = YamlValue::tagged("!t", str(s));
  m.extra["zzz"] = str(s);
  return m;
}

TEST(YamlWriter, TrickyStringsRoundTripInEveryPosition) {
  for (const std::string& s : tricky_strings()) {
    NodeMetadata m = record_holding(s);
    m.id = "id";
    m.node_type = "note";
    auto text = serialize_markdown_node(m, "body\n");
    ASSERT_TRUE(text) << text.error();
    auto parsed = parse_markdown_node(*text, "n.md");
    ASSERT_TRUE(parsed) << parsed.error() << "\n" << *text;
    EXPECT_EQ(parsed->metadata, m) << *text;
    EXPECT_EQ(parsed->body, "body\n");

    // The same string as id and type: the blank check aside, it comes back.
    NodeMetadata as_fields = record_holding(s);
    auto yaml = write_frontmatter_yaml(as_fields);
    ASSERT_TRUE(yaml) << yaml.error();
    auto value = parse_yaml(*yaml);
    ASSERT_TRUE(value) << value.error() << "\n" << *yaml;
    EXPECT_EQ(value->as_mapping()[0].second, str(s)) << *yaml;
    EXPECT_EQ(value->as_mapping()[1].second, str(s)) << *yaml;
  }
}

TEST(YamlWriter, LayoutOfARecord) {
  NodeMetadata m;
  m.id = "123";
  m.node_type = "true";
  m.source = "s3://bucket/key";
  m.links = {"beta", "gamma"};
  m.extra["b"] = YamlValue::sequence({YamlValue::integer(1), YamlValue::null()});
  m.extra["a"] = str("line one\nline two");
  m.extra["c"] = YamlValue::mapping({{YamlValue::integer(1), str("x")}});
  m.extra["d"] = str("trailing\n");
  auto yaml = write_frontmatter_yaml(m);
  ASSERT_TRUE(yaml) << yaml.error();
  EXPECT_EQ(*yaml,
            "id: '123'\n"
            "type: 'true'\n"
            "source: s3://bucket/key\n"
            "links:\n"
            "- beta\n"
            "- gamma\n"
            "a: |-\n"
            "  line one\n"
            "  line two\n"
            "b:\n"
            "- 1\n"
            "- null\n"
            "c:\n"
            "  1: x\n"
            "d: \"trailing\\n\"\n");
}

TEST(YamlWriter, FloatsKeepADecimalPoint) {
  struct Case {
    double value;
    const char* text;
  };
  const double inf = std::numeric_limits<double>::infinity();
  for (Case c : {Case{1.0, "1.0"}, Case{1e20, "1.0e+20"}, Case{1.5, "1.5"}, Case{-0.0, "-0.0"},
                 Case{1e-7, "1.0e-07"}, Case{0.1, "0.1"}, Case{inf, ".inf"}, Case{-inf, "-.inf"}}) {
    EXPECT_EQ(format_yaml_float(c.value), c.text);
    auto text = write_yaml(YamlValue::floating(c.value));
    ASSERT_TRUE(text);
    EXPECT_EQ(*parse_yaml(*text), YamlValue::floating(c.value)) << *text;
  }
  EXPECT_EQ(format_yaml_float(std::nan("")), ".nan");
}

TEST(YamlWriter, ValuesRoundTrip) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<YamlValue> values = {
      YamlValue::null(),
      YamlValue::boolean(false),
      YamlValue::integer(std::numeric_limits<std::int64_t>::min()),
      YamlValue::unsigned_integer(std::numeric_limits<std::uint64_t>::max()),
      YamlValue::floating(5e-324),
      YamlValue::floating(nan),
      YamlValue::sequence({}),
      YamlValue::mapping({}),
      YamlValue::mapping({{YamlValue::null(), str("n")},
                          {YamlValue::boolean(true), str("t")},
                          {YamlValue::integer(-3), str("i")},
                          {YamlValue::floating(2.5), str("f")},
                          {str("yes"), str("s")},
                          {YamlValue::sequence({str("k")}), str("complex key")}}),
      YamlValue::tagged("!secret", YamlValue::integer(12)),
      YamlValue::tagged("!secret", str("12")),
      YamlValue::tagged("!pair", YamlValue::sequence({YamlValue::integer(1), YamlValue::null()})),
      YamlValue::tagged("tag:example.com,2000:thing", YamlValue::mapping({{str("a"), str("b")}})),
      YamlValue::tagged("tag:yaml.org,2002:binary", str("AAAA")),
  };
  for (const YamlValue& value : values) {
    auto text = write_yaml(value);
    ASSERT_TRUE(text) << text.error();
    auto back = parse_yaml(*text);
    ASSERT_TRUE(back) << back.error() << "\n" << *text;
    if (value.kind() == YamlValue::Kind::Float && std::isnan(value.as_float())) {
      EXPECT_TRUE(std::isnan(back->as_float()));
    } else {
      EXPECT_EQ(*back, value) << *text;
    }
  }
}

TEST(YamlWriter, RefusesWhatCannotBeReadBack) {
  NodeMetadata m;
  m.id = "a";
  m.node_type = "note";
  m.extra["source_uri"] = str("x");
  auto yaml = write_frontmatter_yaml(m);
  ASSERT_FALSE(yaml);
  EXPECT_EQ(yaml.error(), "extra key `source_uri` names a field of the node");

  m.extra.clear();
  YamlValue deep = YamlValue::null();
  for (std::size_t k = 0; k < kYamlMaxDepth; ++k) deep = YamlValue::sequence({std::move(deep)});
  m.extra["deep"] = deep;  // one level too deep below the top-level mapping
  yaml = write_frontmatter_yaml(m);
  ASSERT_FALSE(yaml);
  EXPECT_EQ(yaml.error(), "value nested deeper than 256 levels");
  m.extra["deep"] = deep.as_sequence()[0];
  EXPECT_TRUE(parse_yaml(*write_frontmatter_yaml(m)));

  m.extra.clear();
  m.links = {"bad \xFF utf-8"};
  yaml = write_frontmatter_yaml(m);
  ASSERT_FALSE(yaml);
  EXPECT_EQ(yaml.error(), "string is not valid UTF-8");

  EXPECT_FALSE(write_yaml(YamlValue::tagged("!a", YamlValue::tagged("!b", str("x")))));
}

// A Python expression that builds the value `value` should read as.
std::string python_literal(const YamlValue& value) {
  switch (value.kind()) {
    case YamlValue::Kind::Null:
      return "None";
    case YamlValue::Kind::Bool:
      return value.as_bool() ? "True" : "False";
    case YamlValue::Kind::Int:
      return std::to_string(value.as_int());
    case YamlValue::Kind::UInt:
      return std::to_string(value.as_uint());
    case YamlValue::Kind::Float: {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "float.fromhex('%a')", value.as_float());
      return std::isnan(value.as_float()) ? "float('nan')" : std::isinf(value.as_float())
                                                                   ? (value.as_float() < 0 ? "float('-inf')" : "float('inf')")
                                                                   : buffer;
    }
    case YamlValue::Kind::String: {
      std::string hex;
      for (unsigned char c : value.as_string()) {
        char b[3];
        std::snprintf(b, sizeof b, "%02x", c);
        hex += b;
      }
      return "bytes.fromhex('" + hex + "').decode('utf-8')";
    }
    case YamlValue::Kind::Sequence: {
      std::string out = "[";
      for (const YamlValue& item : value.as_sequence()) out += python_literal(item) + ",";
      return out + "]";
    }
    case YamlValue::Kind::Mapping: {
      std::string out = "{";
      for (const auto& [k, v] : value.as_mapping()) out += python_literal(k) + ":" + python_literal(v) + ",";
      return out + "}";
    }
    case YamlValue::Kind::Tagged:
      return python_literal(value.tagged_value());
  }
  return "None";
}

bool python_yaml_available() {
  return std::system("python3 -c 'import yaml' >/dev/null 2>&1") == 0;
}

// Every written value reads back the same through PyYAML's safe_load (a YAML
// 1.1 reader): same types (a bool is not an int), same strings, same keys.
TEST(YamlWriterInterop, PyYamlSafeLoadReadsTheSameValues) {
  if (!python_yaml_available()) GTEST_SKIP() << "python3 with PyYAML is not available";
  YamlMapping entries;
  int n = 0;
  for (const std::string& s : tricky_strings()) {
    entries.emplace_back(str("v" + std::to_string(n++)), str(s));
    entries.emplace_back(str(s), str("key"));  // the string as a key
  }
  entries.emplace_back(str("ints"), YamlValue::sequence({YamlValue::integer(-5), YamlValue::integer(0),
                                                         YamlValue::unsigned_integer(18446744073709551615ULL)}));
  entries.emplace_back(str("floats"),
                       YamlValue::sequence({YamlValue::floating(1.0), YamlValue::floating(1e20),
                                            YamlValue::floating(-2.5e-8), YamlValue::floating(0.1),
                                            YamlValue::floating(std::numeric_limits<double>::infinity()),
                                            YamlValue::floating(std::nan(""))}));
  entries.emplace_back(str("scalars"), YamlValue::sequence({YamlValue::null(), YamlValue::boolean(true)}));
  entries.emplace_back(str("keys"), YamlValue::mapping({{YamlValue::integer(1), str("i")},
                                                       {YamlValue::boolean(false), str("b")},
                                                       {YamlValue::null(), str("n")},
                                                       {YamlValue::floating(2.5), str("f")}}));
  entries.emplace_back(str("empty"), YamlValue::mapping({{str("s"), YamlValue::sequence({})},
                                                        {str("m"), YamlValue::mapping({})}}));
  YamlValue document = YamlValue::mapping(std::move(entries));
  auto yaml = write_yaml(document);
  ASSERT_TRUE(yaml) << yaml.error();

  testing::TempRoot dir;
  std::filesystem::path yaml_file = dir.write("doc.yaml", *yaml);
  std::filesystem::path expected_file = dir.write("expected.py", python_literal(document));
  const char* script =
      "import math, sys, yaml\n"
      "def same(a, b, where):\n"
      "    if type(a) is not type(b):\n"
      "        print(where, 'type', repr(a), repr(b)); return False\n"
      "    if isinstance(a, float) and math.isnan(a): return math.isnan(b)\n"
      "    if isinstance(a, list):\n"
      "        return len(a) == len(b) and all(same(x, y, where + [i]) for i, (x, y) in enumerate(zip(a, b)))\n"
      "    if isinstance(a, dict):\n"
      "        if list(a.keys()) != list(b.keys()):\n"
      "            print(where, 'keys', [k for k in a if k not in b], [k for k in b if k not in a]); return False\n"
      "        return all(same(a[k], b[k], where + [k]) for k in a)\n"
      "    if a != b: print(where, repr(a), repr(b))\n"
      "    return a == b\n"
      "expected = eval(open(sys.argv[2], encoding='utf-8').read())\n"
      "got = yaml.safe_load(open(sys.argv[1], encoding='utf-8'))\n"
      "sys.exit(0 if same(expected, got, []) else 1)\n";
  std::filesystem::path script_file = dir.write("check.py", script);
  std::string command = "python3 '" + script_file.string() + "' '" + yaml_file.string() + "' '" +
                        expected_file.string() + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  int status = ::pclose(pipe);
  EXPECT_EQ(status, 0) << output << "\n" << *yaml;
}

}  // namespace
}  // namespace lorewood
