#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "memory/create_memory_node.h"
#include "memory/memory_kind.h"
#include "memory/memory_node.h"
#include "support/temp_root.h"

namespace lorewood {
namespace {

using testing::TempRoot;

TEST(MemoryKind, NamesRoundTripExactly) {
  const std::vector<std::pair<MemoryKind, std::string>> kinds = {
      {MemoryKind::Preference, "preference"},   {MemoryKind::ProjectFact, "project_fact"},
      {MemoryKind::Decision, "decision"},       {MemoryKind::Task, "task"},
      {MemoryKind::SessionSummary, "session_summary"}, {MemoryKind::Bookmark, "bookmark"},
      {MemoryKind::ToolFailure, "tool_failure"},
  };
  for (const auto& [kind, name] : kinds) {
    EXPECT_EQ(memory_kind_name(kind), name);
    EXPECT_EQ(memory_kind_from_name(name), kind) << name;
    EXPECT_TRUE(validate_memory_type(name)) << name;
  }
  const std::vector<std::string> rejected = {"Preference", "preference ", " task", "project-fact",
                                             "", "note", std::string("task\0", 5)};
  for (const std::string& bad : rejected) {
    EXPECT_FALSE(validate_memory_type(bad)) << bad;
    EXPECT_EQ(memory_kind_from_name(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(unsupported_memory_kind_message("Decision "), "unsupported memory kind: Decision ");
}

TEST(MemoryNode, ContextFieldsGoToExtraOnlyWhenTheyCarryText) {
  MemoryContext context;
  context.project = "  spaced  ";
  context.source_task = "   ";  // white space only: left out
  context.source_session = "";
  context.source_tool = "\u3000\t";  // Unicode white space too
  context.extraction_method = "llm";
  context.valid_from = "2024-01-01T00:00:00Z";
  context.valid_until = "1700000000";
  context.supersedes = "old-pref";
  context.canonical_id = "pref";
  Node node = new_memory_node_with_context("pref-1", MemoryKind::Preference, "Body\n",
                                           {"b", "a", "b"}, context);
  EXPECT_EQ(node.relative_path, "pref-1.md");
  EXPECT_EQ(node.metadata.id, "pref-1");
  EXPECT_EQ(node.metadata.node_type, "preference");
  EXPECT_EQ(node.metadata.links, (std::vector<std::string>{"b", "a", "b"}));
  EXPECT_EQ(node.metadata.source, std::nullopt);
  EXPECT_EQ(node.body, "Body\n");
  std::map<std::string, YamlValue> expected = {
      {"project", YamlValue::string("  spaced  ")},
      {"extraction_method", YamlValue::string("llm")},
      {"valid_from", YamlValue::string("2024-01-01T00:00:00Z")},
      {"valid_until", YamlValue::string("1700000000")},
      {"supersedes", YamlValue::string("old-pref")},
      {"canonical_id", YamlValue::string("pref")},
  };
  EXPECT_EQ(node.metadata.extra, expected);
}

TEST(MemoryNode, ConfidenceIsClampedAndZeroIsKept) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::pair<double, double>> cases = {
      {1.5, 1.0}, {-2.0, 0.0}, {0.0, 0.0}, {0.25, 0.25}, {1.0, 1.0},
      {std::numeric_limits<double>::infinity(), 1.0}, {-0.0, -0.0}};
  for (const auto& [given, stored] : cases) {
    MemoryContext context;
    context.confidence = given;
    Node node = new_memory_node_with_context("m", MemoryKind::Task, "", {}, context);
    ASSERT_TRUE(node.metadata.extra.contains("confidence")) << given;
    EXPECT_EQ(node.metadata.extra.at("confidence"), YamlValue::floating(stored)) << given;
  }
  EXPECT_TRUE(std::isnan(clamp_confidence(nan)));
  Node without = new_memory_node_with_context("m", MemoryKind::Task, "", {}, {});
  EXPECT_TRUE(without.metadata.extra.empty());
}

class CreateMemoryNode : public ::testing::Test {
 protected:
  GraphIndex open() {
    auto index = GraphIndex::open(root.path());
    EXPECT_TRUE(index) << index.error().message();
    return std::move(*index);
  }
  TempRoot root;
};

TEST_F(CreateMemoryNode, WritesAMinimalFileAndIndexesIt) {
  GraphIndex index = open();
  auto created = create_memory_node(index, "pref-1", MemoryKind::Preference, "Tabs.", {}, {});
  ASSERT_TRUE(created) << created.error().message();
  // Only id and type in the frontmatter: no links, no extra keys.
  EXPECT_TRUE(root.read("pref-1.md").starts_with("---\nid: pref-1\ntype: preference\n---\nTabs."))
      << root.read("pref-1.md");
  ASSERT_NE(index.entry("pref-1"), nullptr);
  EXPECT_EQ(index.entry("pref-1")->metadata.node_type, "preference");

  MemoryContext context;
  context.project = "apollo";
  context.confidence = 7.0;
  created = create_memory_node(index, "dec", MemoryKind::Decision, "", {"pref-1"}, context);
  ASSERT_TRUE(created) << created.error().message();
  auto reopened = GraphIndex::open(root.path());
  ASSERT_TRUE(reopened) << reopened.error().message();
  auto read = reopened->read_node("dec");
  ASSERT_TRUE(read) << read.error().message();
  EXPECT_EQ(read->metadata, created->metadata);
  EXPECT_EQ(read->metadata.extra.at("confidence"), YamlValue::floating(1.0));
}

TEST_F(CreateMemoryNode, CreateFailuresPassThroughAndWriteNothing) {
  root.node("taken.md", "taken", "original");
  GraphIndex index = open();
  auto again = create_memory_node(index, "taken", MemoryKind::Task, "new", {}, {});
  ASSERT_FALSE(again);
  EXPECT_EQ(again.error().kind(), ErrorKind::NodeExists);
  EXPECT_EQ(root.read("taken.md"), "---\nid: taken\ntype: note\n---\noriginal");

  auto hidden = create_memory_node(index, ".lorewood/x", MemoryKind::Task, "", {}, {});
  ASSERT_FALSE(hidden);
  EXPECT_EQ(hidden.error().kind(), ErrorKind::Index);
  EXPECT_FALSE(std::filesystem::exists(root.path() / ".lorewood"));

  auto nested = create_memory_node(index, "sub/dir node", MemoryKind::Bookmark, "", {}, {});
  ASSERT_TRUE(nested) << nested.error().message();
  EXPECT_TRUE(std::filesystem::exists(root.path() / "sub" / "dir node.md"));
}

}  // namespace
}  // namespace lorewood
