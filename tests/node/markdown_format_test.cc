#include <gtest/gtest.h>

#include <string>

#include "node/node.h"
#include "node/yaml_test_support.h"

namespace lorewood {
namespace {

const std::filesystem::path kPath = "notes/a.md";

ParsedNode parse_ok(const std::string& text) {
  auto parsed = parse_markdown_node(text, kPath);
  EXPECT_TRUE(parsed) << parsed.error();
  return parsed ? std::move(*parsed) : ParsedNode{};
}

std::string parse_error(const std::string& text) {
  auto parsed = parse_markdown_node(text, kPath);
  EXPECT_FALSE(parsed) << text;
  return parsed ? std::string() : parsed.error();
}

TEST(ParseMarkdownNode, ReadsFieldsExtraAndBody) {
  ParsedNode node = parse_ok(
      "---\nid: alpha\ntype: note\nlinks: [beta, gamma]\nsource_uri: s3://b/k\n"
      "zeta: 1\nalpha: {x: [1, 2]}\n---\nBody [[beta]].\n");
  EXPECT_EQ(node.metadata.id, "alpha");
  EXPECT_EQ(node.metadata.node_type, "note");
  EXPECT_EQ(node.metadata.links, (std::vector<std::string>{"beta", "gamma"}));
  EXPECT_EQ(node.metadata.source, "s3://b/k");
  ASSERT_EQ(node.metadata.extra.size(), 2u);
  EXPECT_EQ(node.metadata.extra.begin()->first, "alpha");
  EXPECT_EQ(node.metadata.extra.at("zeta"), YamlValue::integer(1));
  EXPECT_EQ(node.body, "Body [[beta]].\n");
}

TEST(ParseMarkdownNode, DelimitersAndBody) {
  struct Case {
    std::string text;
    std::string body;
  };
  for (const Case& c : {
           Case{"\xEF\xBB\xBF\xEF\xBB\xBF---\nid: a\ntype: t\n---\nx\n", "x\n"},  // byte order marks
           Case{"---\r\nid: a\r\ntype: t\r\n---\r\nx\r\n", "\r\nx\r\n"},          // CRLF line ends
           Case{"--- id: a\ntype: t\n---", ""},              // frontmatter on the opening line
           Case{"---\nid: a\ntype: t\n---\n\n\nx", "\n\nx"},  // only one line feed dropped
           Case{"---\nid: a\ntype: t\n--- tail\nx", " tail\nx"},
           Case{"---\nid: a\ntype: t\n------\n", "---\n"},
       }) {
    auto parsed = parse_markdown_node(c.text, kPath);
    ASSERT_TRUE(parsed) << parsed.error() << "\n" << c.text;
    EXPECT_EQ(parsed->metadata.id, "a");
    EXPECT_EQ(parsed->body, c.body) << c.text;
  }
}

struct ErrorCase {
  const char* name;
  std::string text;
  std::string error;
};

class ParseMarkdownNodeErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ParseMarkdownNodeErrors, FailsWithText) { EXPECT_EQ(parse_error(GetParam().text), GetParam().error); }

const std::string kSchema = "invalid node frontmatter schema in notes/a.md: ";

INSTANTIATE_TEST_SUITE_P(
    Table, ParseMarkdownNodeErrors,
    ::testing::Values(
        ErrorCase{"NoFrontmatter", "# Title\n",
                  "node at notes/a.md must start with YAML frontmatter delimited by ---"},
        ErrorCase{"LeadingBlankLine", "\n---\nid: a\n---\n",
                  "node at notes/a.md must start with YAML frontmatter delimited by ---"},
        ErrorCase{"InvalidUtf8", "---\nid: a\xE2\x05\n---\n",
                  "invalid YAML frontmatter in notes/a.md: frontmatter is not valid UTF-8"},
        ErrorCase{"NoClosing", "---\nid: a\ntype: t\n",
                  "markdown file is missing closing frontmatter delimiter (---)"},
        ErrorCase{"Empty", "---\n---\n", kSchema + "missing field `id`"},
        ErrorCase{"TypeOnly", "---\ntype: note\n---\n", kSchema + "missing field `id`"},
        ErrorCase{"IdOnly", "---\nid: a\n---\n", kSchema + "missing field `type`"},
        ErrorCase{"NullId", "---\nid:\ntype: t\n---\n",
                  kSchema + "invalid type: null, expected a string for key `id`"},
        ErrorCase{"NumericId", "---\nid: 3\ntype: t\n---\n",
                  kSchema + "invalid type: integer `3`, expected a string for key `id`"},
        ErrorCase{"TaggedType", "---\nid: a\ntype: !t x\n---\n",
                  kSchema + "invalid type: tagged value `!t`, expected a string for key `type`"},
        ErrorCase{"BlankId", "---\nid: '  '\ntype: t\n---\n",
                  "node at notes/a.md is missing required frontmatter field `id`"},
        ErrorCase{"EmptyType", "---\nid: a\ntype: ''\n---\n",
                  "node at notes/a.md is missing required frontmatter field `type`"},
        ErrorCase{"SourceTwice", "---\nid: a\ntype: t\nsource: x\nsource_uri: y\n---\n",
                  kSchema + "duplicate field `source`"},
        ErrorCase{"SourceNotString", "---\nid: a\ntype: t\nsource_uri: [x]\n---\n",
                  kSchema + "invalid type: sequence, expected a string for key `source_uri`"},
        ErrorCase{"LinksNotSequence", "---\nid: a\ntype: t\nlinks: b\n---\n",
                  kSchema + "invalid type: string \"b\", expected a sequence of strings for key `links`"},
        ErrorCase{"LinkNotString", "---\nid: a\ntype: t\nlinks: [b, 2]\n---\n",
                  kSchema + "invalid type: integer `2`, expected a string in `links`"},
        ErrorCase{"NumericKey", "---\nid: a\ntype: t\n7: x\n---\n",
                  kSchema + "invalid type: integer `7`, expected a string key"},
        ErrorCase{"NotAMapping", "---\n- a\n---\n", kSchema + "invalid type: sequence, expected a map"},
        ErrorCase{"BadYaml", "---\nid: a\ntype: [t\n---\n",
                  "invalid YAML frontmatter in notes/a.md: did not find expected ',' or ']' at line 4 "
                  "column 1 (while parsing a flow sequence at line 3 column 7)"},
        // Positions are those of the file, past byte order marks and trimmed blanks.
        ErrorCase{"DuplicateKey", "\xEF\xBB\xBF---\n\nid: a\nid: b\n---\n",
                  "invalid YAML frontmatter in notes/a.md: duplicate mapping key `id` at line 4 column 1"},
        ErrorCase{"ErrorOnOpeningLine", "---   id: !!int x\ntype: t\n---\n",
                  "invalid YAML frontmatter in notes/a.md: invalid value `x` for !!int at line 1 column 11"},
        ErrorCase{"FourDashes", "----\nid: a\ntype: t\n---\n",
                  "invalid YAML frontmatter in notes/a.md: did not find expected node content at line 2 "
                  "column 1 (while parsing a block node at line 2 column 1)"},
        ErrorCase{"DeepNesting", "---\nid: a\ntype: t\nx: " + std::string(100000, '[') + "\n---\n",
                  "invalid YAML frontmatter in notes/a.md: nesting deeper than 256 levels at line 4 "
                  "column 259"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseMarkdownNode, NullOptionalFieldsAndBlankStoredUntrimmed) {
  ParsedNode node = parse_ok("---\nid: ' a '\ntype: t\nlinks:\nsource: ~\n---\n");
  EXPECT_EQ(node.metadata.id, " a ");
  EXPECT_TRUE(node.metadata.links.empty());
  EXPECT_FALSE(node.metadata.source.has_value());
}

TEST(SerializeMarkdownNode, WritesFileText) {
  NodeMetadata m;
  m.id = "alpha";
  m.node_type = "note";
  m.links = {"beta"};
  m.extra["b"] = YamlValue::integer(2);
  m.extra["a"] = YamlValue::string("x");
  auto text = serialize_markdown_node(m, "Body");
  ASSERT_TRUE(text) << text.error();
  EXPECT_EQ(*text, "---\nid: alpha\ntype: note\nlinks:\n- beta\na: x\nb: 2\n---\nBody\n");
  EXPECT_EQ(*serialize_markdown_node(m, ""),
            "---\nid: alpha\ntype: note\nlinks:\n- beta\na: x\nb: 2\n---\n");
  EXPECT_EQ(*serialize_markdown_node(m, "x\n\n"),
            "---\nid: alpha\ntype: note\nlinks:\n- beta\na: x\nb: 2\n---\nx\n\n");
}

TEST(SerializeMarkdownNode, ReadWriteCycle) {
  const std::string original =
      "---\n# a comment\nzeta: [1, {k: v}]\ntype: note\nsource_uri: s3://x\nid: alpha\n"
      "alpha: !secret 'yes'\n---\nbody without newline";
  ParsedNode node = parse_ok(original);
  auto text = serialize_markdown_node(node.metadata, node.body);
  ASSERT_TRUE(text) << text.error();
  EXPECT_EQ(*text,
            "---\nid: alpha\ntype: note\nsource: s3://x\nalpha: !secret 'yes'\nzeta:\n- 1\n- k: v\n"
            "---\nbody without newline\n");
  ParsedNode again = parse_ok(*text);
  EXPECT_EQ(again.metadata, node.metadata);
  EXPECT_EQ(again.body, node.body + "\n");
}

TEST(SerializeMarkdownNode, WriterFailureText) {
  NodeMetadata m;
  m.id = "a";
  m.node_type = "t";
  m.extra["id"] = YamlValue::string("again");
  auto text = serialize_markdown_node(m, "");
  ASSERT_FALSE(text);
  EXPECT_EQ(text.error(), "failed to serialize frontmatter: extra key `id` names a field of the node");
}

}  // namespace
}  // namespace lorewood
