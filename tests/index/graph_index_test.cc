#include "index/graph_index.h"

#include <gtest/gtest.h>

#include "support/temp_root.h"

namespace lorewood {
namespace {

using testing::TempRoot;

std::string error_of(const Status& status) { return status ? "" : status.error().message(); }

TEST(GraphIndexOpen, RefusesMissingRootAndFiles) {
  TempRoot root;
  auto file = root.write("plain.txt", "x");
  for (const std::filesystem::path& bad : {file, root.path() / "missing"}) {
    auto index = GraphIndex::open(bad);
    ASSERT_FALSE(index);
    EXPECT_EQ(index.error().message(),
              "graph index error: graph root " + bad.string() + " does not exist or is not a directory");
  }
}

TEST(GraphIndexOpen, EmptyRootHasNoEntries) {
  TempRoot root;
  auto index = GraphIndex::open(root.path());
  ASSERT_TRUE(index);
  EXPECT_EQ(index->size(), 0u);
  EXPECT_TRUE(index->sorted_ids().empty());
}

TEST(GraphIndexOpen, IndexesOnlyMarkdownOutsideStateDir) {
  TempRoot root;
  root.node("a.md", "a", "See [[b]].\n");
  root.node(".hidden/b.md", "b");
  root.node(".lorewood/c.md", "c");
  root.node("deep/.lorewood/d.md", "d");
  root.node("e.MD", "e");
  root.node("f.markdown", "f");
  root.node(".md", "g");
  auto index = GraphIndex::open(root.path());
  ASSERT_TRUE(index) << index.error().message();
  EXPECT_EQ(index->sorted_ids(), (std::vector<std::string>{"a", "b"}));
  const NodeIndexEntry* a = index->entry("a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->relative_path, "a.md");
  EXPECT_EQ(a->summary, "See [[b]].");
  EXPECT_EQ(a->wikilinks, (std::vector<std::string>{"b"}));
  EXPECT_EQ(*a->body, "See [[b]].\n");
  EXPECT_EQ(index->entry("b")->relative_path, ".hidden/b.md");
}

TEST(GraphIndexOpen, MalformedFileFailsTheOpen) {
  TempRoot root;
  auto bad = root.write("bad.md", "no frontmatter");
  auto index = GraphIndex::open(root.path());
  ASSERT_FALSE(index);
  EXPECT_EQ(index.error().message(), "node parse error at " + bad.string() + ": node at " +
                                         bad.string() +
                                         " must start with YAML frontmatter delimited by ---");
}

TEST(GraphIndexOpen, InvalidUtf8FailsWithNodeRead) {
  TempRoot root;
  auto bad = root.write("bad.md", "---\nid: a\ntype: note\n---\n\xFF\xFE");
  auto index = GraphIndex::open(root.path());
  ASSERT_FALSE(index);
  EXPECT_EQ(index.error().kind(), ErrorKind::NodeRead);
}

TEST(GraphIndexOpen, DuplicateIdNamesFirstWalkedFileFirst) {
  TempRoot root;
  root.node("one.md", "same");
  root.node("two.md", "same");
  auto index = GraphIndex::open(root.path());
  ASSERT_FALSE(index);
  std::string message = index.error().message();
  bool one_first = message == "duplicate node id same: one.md and two.md";
  bool two_first = message == "duplicate node id same: two.md and one.md";
  EXPECT_TRUE(one_first || two_first) << message;
}

TEST(GraphIndexRead, ReadsCurrentFileAndReportsMissingIds) {
  TempRoot root;
  root.node("a.md", "a", "old\n");
  auto index = GraphIndex::open(root.path());
  ASSERT_TRUE(index);
  root.node("a.md", "a", "new\n");
  auto node = index->read_node("a");
  ASSERT_TRUE(node);
  EXPECT_EQ(node->body, "new\n");
  EXPECT_EQ(*index->entry("a")->body, "old\n");

  auto missing = index->read_node(" missing ");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().message(), "node  missing  not found");

  std::filesystem::remove(root.path() / "a.md");
  auto gone = index->read_node("a");
  ASSERT_FALSE(gone);
  EXPECT_EQ(gone.error().message(), "failed to read node at " + (root.path() / "a.md").string() +
                                        ": No such file or directory (os error 2)");
}

TEST(GraphIndexUpdateFile, FollowsChangesOfOneFile) {
  TempRoot root;
  root.node("a.md", "a");
  auto index = GraphIndex::open(root.path());
  ASSERT_TRUE(index);

  root.write("notes.txt", "text");
  auto text = index->update_file("notes.txt");
  ASSERT_TRUE(text);
  EXPECT_FALSE(text->has_value());

  root.node("a.md", "b");  // the file changed its id
  auto renamed = index->update_file("a.md");  // relative: resolved against the root
  ASSERT_TRUE(renamed) << renamed.error().message();
  EXPECT_EQ(**renamed, "b");
  EXPECT_EQ(index->sorted_ids(), (std::vector<std::string>{"b"}));

  std::filesystem::remove(root.path() / "a.md");
  auto removed = index->update_file(root.path() / "a.md");
  ASSERT_TRUE(removed);
  EXPECT_FALSE(removed->has_value());
  EXPECT_EQ(index->size(), 0u);
}

TEST(GraphIndexUpdateFile, RefusalsLeaveIndexUnchanged) {
  TempRoot root;
  root.node("a.md", "a");
  root.node("b.md", "b");
  auto index = GraphIndex::open(root.path());
  ASSERT_TRUE(index);

  auto outside = index->update_file("/elsewhere/x.md");
  ASSERT_FALSE(outside);
  EXPECT_EQ(outside.error().message(), "graph index error: path /elsewhere/x.md is not under graph root " +
                                           root.path().string());

  auto state = index->update_file(".lorewood/notes.txt");
  ASSERT_FALSE(state);
  EXPECT_EQ(state.error().message(), "graph index error: node paths must not live under `.lorewood/`");

  root.node("b.md", "a");  // b.md now claims a's id
  auto duplicate = index->update_file("b.md");
  ASSERT_FALSE(duplicate);
  EXPECT_EQ(duplicate.error().message(), "duplicate node id a: a.md and b.md");

  root.write("a.md", "broken");
  EXPECT_FALSE(index->update_file("a.md"));
  EXPECT_EQ(index->sorted_ids(), (std::vector<std::string>{"a", "b"}));
}

TEST(GraphIndexInsert, RefusesTakenIdAndPath) {
  TempRoot root;
  root.node("a.md", "a");
  auto index = GraphIndex::open(root.path());
  ASSERT_TRUE(index);
  NodeMetadata same_id{"a", "note", {}, {}, {}};
  EXPECT_EQ(error_of(index->insert_entry(same_id, "other.md", "")),
            "duplicate node id a: a.md and other.md");
  NodeMetadata other{"z", "note", {}, {}, {}};
  EXPECT_EQ(error_of(index->insert_entry(other, "./a.md", "")),
            "graph index error: path ./a.md is already indexed as node `a`");
}

TEST(GraphIndexCopy, IsASnapshotSharingBodies) {
  TempRoot root;
  root.node("a.md", "a", "body\n");
  auto index = GraphIndex::open(root.path());
  ASSERT_TRUE(index);
  GraphIndex snapshot = *index;
  EXPECT_EQ(snapshot.entry("a")->body.get(), index->entry("a")->body.get());
  std::filesystem::remove(root.path() / "a.md");
  ASSERT_TRUE(index->update_file("a.md"));
  EXPECT_EQ(index->size(), 0u);
  EXPECT_EQ(snapshot.size(), 1u);
}

}  // namespace
}  // namespace lorewood

namespace lorewood {
namespace {

TEST(GraphIndexOpen, SymbolicLinksFollowTheWalkRules) {
  TempRoot outside;
  outside.node("linked-dir/inner.md", "inner");
  outside.node("target.md", "linked-file");
  TempRoot root;
  root.node("a.md", "a");
  std::filesystem::create_symlink(outside.path() / "linked-dir", root.path() / "dir-link");
  std::filesystem::create_symlink(outside.path() / "target.md", root.path() / "file-link.md");
  std::filesystem::create_symlink(root.path() / "gone.md", root.path() / "broken.md");

  auto index = GraphIndex::open(root.path());
  ASSERT_TRUE(index) << index.error().message();
  EXPECT_EQ(index->sorted_ids(), (std::vector<std::string>{"a", "linked-file"}));
  EXPECT_EQ(index->entry("linked-file")->relative_path, "file-link.md");

  TempRoot holder;
  std::filesystem::create_symlink(root.path(), holder.path() / "root-link");
  auto through_link = GraphIndex::open(holder.path() / "root-link");
  ASSERT_TRUE(through_link) << through_link.error().message();
  EXPECT_EQ(through_link->size(), 2u);
}

}  // namespace
}  // namespace lorewood
