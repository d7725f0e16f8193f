#include <gtest/gtest.h>

#include "recall/recall_bundle.h"
#include "support/temp_root.h"

namespace lorewood {
namespace {

using testing::TempRoot;
using Ids = std::vector<std::string>;

RecallBundle bundle_of(std::string reason, Ids links, Ids backlinks, std::string summary,
                       std::string excerpt) {
  RecallBundle bundle;
  bundle.id = "a";
  bundle.node_type = "note";
  bundle.relevance_reason = std::move(reason);
  bundle.links = std::move(links);
  bundle.backlinks = std::move(backlinks);
  bundle.summary = std::move(summary);
  bundle.body_excerpt = std::move(excerpt);
  return bundle;
}

TEST(RecallMarkdown, RendersEachPartOnlyWhenPresent) {
  struct Case {
    RecallBundle bundle;
    std::string markdown;
  };
  const std::vector<Case> cases = {
      {bundle_of("", {}, {}, "", ""), "## `a` (note)\n\n\n"},
      {bundle_of("why `x`", {"a", "b"}, {"c"}, "", ""),
       "## `a` (note)\n\n- **Reason:** why `x`\n- **Links:** a, b\n- **Backlinks:** c\n\n"},
      {bundle_of("", {}, {"c", "d"}, "One\nTwo", "Hello"),
       "## `a` (note)\n\n- **Backlinks:** c, d\n\n**Summary:** One\nTwo\n\n"
       "```markdown\nHello\n```\n"},
      {bundle_of("", {}, {}, "", "Ends\n"), "## `a` (note)\n\n\n```markdown\nEnds\n```\n"},
      {bundle_of("", {}, {}, "", "\n\n"), "## `a` (note)\n\n\n```markdown\n\n\n```\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.bundle.to_markdown(), c.markdown);
}

class RecallBundleTest : public ::testing::Test {
 protected:
  GraphIndex open() {
    auto index = GraphIndex::open(root.path());
    EXPECT_TRUE(index) << index.error().message();
    return std::move(*index);
  }
  TempRoot root;
};

TEST_F(RecallBundleTest, BundlesTheFileAsItIsNow) {
  root.node("a.md", "a", "First line\n\nSecond [[c]]\n", "links:\n- b\n- c\npriority: 3\ntags:\n- x\n");
  root.node("b.md", "b", "Links to [[a]]");
  root.node("c.md", "c", "", "links:\n- a\n");
  root.node("d.md", "d", "no links");
  GraphIndex index = open();

  auto bundle = recall_bundle(index, "a", "asked", 1200);
  ASSERT_TRUE(bundle) << bundle.error().message();
  EXPECT_EQ(bundle->id, "a");
  EXPECT_EQ(bundle->node_type, "note");
  EXPECT_EQ(bundle->links, (Ids{"b", "c"}));  // frontmatter links only, not [[c]] of the body
  EXPECT_EQ(bundle->backlinks, (Ids{"b", "c"}));
  EXPECT_EQ(bundle->summary, "First line\nSecond [[c]]");
  EXPECT_EQ(bundle->body_excerpt, "First line\n\nSecond [[c]]\n");
  EXPECT_EQ(bundle->relevance_reason, "asked");
  EXPECT_EQ(bundle->metadata.size(), 2u);
  EXPECT_EQ(bundle->metadata.at("priority"), YamlValue::integer(3));
  EXPECT_EQ(bundle->to_markdown(),
            "## `a` (note)\n\n- **Reason:** asked\n- **Links:** b, c\n- **Backlinks:** b, c\n\n"
            "**Summary:** First line\nSecond [[c]]\n\n```markdown\nFirst line\n\nSecond [[c]]\n```\n");

  // Changed behind the index: the bundle reads the file, not the index entry.
  root.node("d.md", "d", "fresh text");
  auto fresh = recall_bundle(index, "d", "", 1200);
  ASSERT_TRUE(fresh) << fresh.error().message();
  EXPECT_EQ(fresh->body_excerpt, "fresh text");
  EXPECT_TRUE(fresh->backlinks.empty());
}

TEST_F(RecallBundleTest, ExcerptCountsCharactersAndTakesAtLeastOne) {
  root.node("m.md", "m", "\u00e9\u4e2d\U0001F600\u00e9\u00e9tail");
  root.node("blank.md", "blank", "\n\n  \n");
  GraphIndex index = open();
  const std::vector<std::pair<std::uint64_t, std::string>> cases = {
      {0, "\u00e9"}, {1, "\u00e9"}, {5, "\u00e9\u4e2d\U0001F600\u00e9\u00e9"},
      {1000, "\u00e9\u4e2d\U0001F600\u00e9\u00e9tail"},
      {UINT64_MAX, "\u00e9\u4e2d\U0001F600\u00e9\u00e9tail"}};
  for (const auto& [chars, excerpt] : cases) {
    auto bundle = recall_bundle(index, "m", "", chars);
    ASSERT_TRUE(bundle) << bundle.error().message();
    EXPECT_EQ(bundle->body_excerpt, excerpt) << chars;
  }
  auto blank = recall_bundle(index, "blank", "", 1200);
  ASSERT_TRUE(blank) << blank.error().message();
  EXPECT_EQ(blank->summary, "");
  EXPECT_EQ(blank->to_markdown(), "## `blank` (note)\n\n\n```markdown\n\n\n  \n```\n");
}

TEST_F(RecallBundleTest, ReadFailuresAreReturned) {
  root.node("a.md", "a", "x");
  GraphIndex index = open();
  auto missing = recall_bundle(index, "zz", "", 10);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().kind(), ErrorKind::NodeNotFound);
  EXPECT_EQ(missing.error().message(), "node zz not found");

  root.write("a.md", "no frontmatter any more");
  auto broken = recall_bundle(index, "a", "", 10);
  ASSERT_FALSE(broken);
  EXPECT_EQ(broken.error().kind(), ErrorKind::NodeParse);

  std::filesystem::remove(root.path() / "a.md");
  auto gone = recall_bundle(index, "a", "", 10);
  ASSERT_FALSE(gone);
  EXPECT_EQ(gone.error().kind(), ErrorKind::NodeRead);
}

}  // namespace
}  // namespace lorewood
