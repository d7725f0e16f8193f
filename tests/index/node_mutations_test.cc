#include <gtest/gtest.h>

#include <cerrno>
#include <map>

#include "index/graph_index.h"
#include "platform/file_system.h"
#include "support/temp_root.h"

namespace lorewood {
namespace {

namespace fs = std::filesystem;
using testing::TempRoot;
using Ids = std::vector<std::string>;

std::string error_of(const Status& status) { return status ? "" : status.error().message(); }
template <typename T>
std::string error_of(const Result<T>& result) {
  return result ? "" : result.error().message();
}

Node make_node(const std::string& id, const std::string& body = "", Ids links = {},
               const std::string& type = "note", const std::string& path = "") {
  Node node;
  node.metadata.id = id;
  node.metadata.node_type = type;
  node.metadata.links = std::move(links);
  node.body = body;
  node.relative_path = path.empty() ? id + ".md" : path;
  return node;
}

// Every entry under the root (directories too) with the contents of files.
std::map<std::string, std::string> disk_state(const TempRoot& root) {
  std::map<std::string, std::string> state;
  for (const auto& item : fs::recursive_directory_iterator(root.path())) {
    std::string rel = fs::relative(item.path(), root.path()).string();
    state[rel] = item.is_regular_file() ? root.read(rel) : "<dir>";
  }
  return state;
}

// Everything the index holds, in a comparable form.
std::map<std::string, std::string> index_state(const GraphIndex& index) {
  std::map<std::string, std::string> state;
  for (const auto& [id, entry] : index.entries()) {
    std::string text = entry.relative_path.string() + "|" + entry.metadata.node_type + "|" +
                       *entry.body + "|" + entry.summary + "|";
    for (const auto& link : entry.metadata.links) text += link + ",";
    for (const auto& link : entry.wikilinks) text += link + ";";
    text += std::to_string(entry.metadata.extra.size());
    state[id] = text;
  }
  return state;
}

// Installs a fault injector for the test's duration.
class FaultGuard {
 public:
  FaultGuard(platform::FsOp op, int error) {
    platform::set_fault_injector(
        [op, error](platform::FsOp seen, const fs::path&) { return seen == op ? error : 0; });
  }
  ~FaultGuard() { platform::set_fault_injector({}); }
};

class NodeMutations : public ::testing::Test {
 protected:
  GraphIndex open() {
    auto index = GraphIndex::open(root.path());
    EXPECT_TRUE(index) << index.error().message();
    return std::move(*index);
  }

  // Runs a failing mutation and checks its message and that neither the disk
  // nor the index changed.
  template <typename Mutation>
  void expect_refused(GraphIndex& index, Mutation mutation, const std::string& message) {
    auto disk_before = disk_state(root);
    auto index_before = index_state(index);
    EXPECT_EQ(error_of(mutation()), message);
    EXPECT_EQ(disk_state(root), disk_before);
    EXPECT_EQ(index_state(index), index_before);
  }

  std::string at(const std::string& rel) const { return (root.path() / rel).string(); }

  TempRoot root;
};

TEST_F(NodeMutations, CreateWritesIndexesAndReadsBack) {
  GraphIndex index = open();
  for (const std::string id : {"plain", "with space", "sub/dir/nested", "caf\u00e9", " padded "}) {
    auto created = index.create_node(make_node(id, "Body [[plain]]", {"x"}));
    ASSERT_TRUE(created) << error_of(created);
    EXPECT_EQ(created->relative_path, id + ".md");
    const NodeIndexEntry* entry = index.entry(id);
    ASSERT_NE(entry, nullptr) << id;
    EXPECT_EQ(entry->wikilinks, Ids{"plain"});
    EXPECT_EQ(entry->summary, "Body [[plain]]");
  }
  EXPECT_TRUE(fs::is_regular_file(root.path() / "sub/dir/nested.md"));
  // What was created comes back from a fresh open as the same nodes.
  GraphIndex reopened = open();
  EXPECT_EQ(reopened.sorted_ids(), index.sorted_ids());
  for (const std::string& id : index.sorted_ids())
    EXPECT_EQ(reopened.entry(id)->metadata, index.entry(id)->metadata) << id;
}

TEST_F(NodeMutations, CreateRefusalsLeaveDiskAndIndexUnchanged) {
  root.node("taken.md", "taken");
  root.write("notes.txt", "other file");
  GraphIndex index = open();
  root.node("stray.md", "stray");  // never scanned
  struct Case {
    Node node;
    std::string message;
  };
  const Case cases[] = {
      {make_node("taken"), "node taken already exists at taken.md"},
      {make_node("taken", "", {}, "note", "elsewhere.md"), "node taken already exists at taken.md"},
      {make_node("fresh", "", {}, "note", "./taken.md"),
       "graph index error: a node already exists at path ./taken.md"},
      {make_node("fresh", "", {}, "note", "stray.md"), "node fresh already exists at stray.md"},
      {make_node("fresh", "", {}, "note", "notes.txt"), "node fresh already exists at notes.txt"},
      {make_node("fresh", "", {}, "note", ".lorewood/fresh.md"),
       "graph index error: node paths must not live under `.lorewood/`"},
      {make_node("fresh", "", {}, "note", "a/../fresh.md"),
       "graph index error: node relative_path must not contain '..' components"},
  };
  for (const Case& c : cases)
    expect_refused(index, [&] { return index.create_node(c.node); }, c.message);
  Node unplaced = make_node("fresh");
  unplaced.relative_path.clear();
  expect_refused(index, [&] { return index.create_node(unplaced); },
                 "graph index error: node relative_path must not be empty");
}

// A node whose file the next open would reject (blank id or type) or skip (a
// file name without a stem or without the .md extension) is refused unwritten,
// with the error a scan would report.
TEST_F(NodeMutations, CreateRefusesNodesThatWouldNotReadBack) {
  GraphIndex index = open();
  const std::string missing_id = "node parse error at " + at(".md") + ": node at " + at(".md") +
                                 " is missing required frontmatter field `id`";
  struct Case {
    Node node;
    std::string message;
  };
  const Case cases[] = {
      {make_node(""), missing_id},
      {make_node(" \t"), "node parse error at " + at(" \t.md") + ": node at " + at(" \t.md") +
                             " is missing required frontmatter field `id`"},
      {make_node("t", "", {}, ""), "node parse error at " + at("t.md") + ": node at " + at("t.md") +
                                       " is missing required frontmatter field `type`"},
      {make_node("t", "", {}, "\u3000"), "node parse error at " + at("t.md") + ": node at " +
                                             at("t.md") + " is missing required frontmatter field `type`"},
      {make_node("dir/./x", "", {}, " "), "node parse error at " + at("dir/x.md") + ": node at " +
                                              at("dir/x.md") +
                                              " is missing required frontmatter field `type`"},
      {make_node("x/"), "graph index error: node relative_path x/.md must end in a file name of the "
                        "form <name>.md"},
      {make_node("y", "", {}, "note", "y.MD"),
       "graph index error: node relative_path y.MD must end in a file name of the form <name>.md"},
      {make_node("y", "", {}, "note", "y.md/"),
       "graph index error: node relative_path y.md/ must end in a file name of the form <name>.md"},
      {make_node("y", "", {}, "note", std::string("y\0z.md", 6)),
       "graph index error: node relative_path " + std::string("y\0z.md", 6) +
           " must end in a file name of the form <name>.md"},
  };
  for (const Case& c : cases)
    expect_refused(index, [&] { return index.create_node(c.node); }, c.message);
}

TEST_F(NodeMutations, FailedWritesAndRemovalsChangeNothing) {
  root.node("a.md", "a", "old body\n");
  GraphIndex index = open();
  const std::string denied = "Permission denied (os error 13)";
  for (platform::FsOp op : {platform::FsOp::Write, platform::FsOp::Sync, platform::FsOp::Rename}) {
    FaultGuard fault(op, EACCES);
    expect_refused(index, [&] { return index.create_node(make_node("b")); },
                   "failed to write node at " + at("b.md") + ": " + denied);
    expect_refused(index, [&] { return index.update_node(make_node("a", "new body")); },
                   "failed to write node at " + at("a.md") + ": " + denied);
    expect_refused(index, [&] { return index.suppress_node("a", "why"); },
                   "failed to write node at " + at("a.md") + ": " + denied);
  }
  FaultGuard fault(platform::FsOp::Remove, EROFS);
  expect_refused(index, [&] { return index.delete_node("a"); },
                 "failed to delete node at " + at("a.md") + ": Read-only file system (os error 30)");
}

TEST_F(NodeMutations, UpdateReplacesTheEntryAtTheSamePath) {
  root.node("n/a.md", "a", "old\n");
  GraphIndex index = open();
  ASSERT_TRUE(index.update_node(make_node("a", "new [[b]]", {}, "note", "./n//a.md")));
  EXPECT_EQ(*index.entry("a")->body, "new [[b]]");
  EXPECT_EQ(index.entry("a")->wikilinks, Ids{"b"});
  EXPECT_EQ(root.read("n/a.md"), "---\nid: a\ntype: note\n---\nnew [[b]]\n");
  EXPECT_EQ(index.id_at_path("n/a.md") ? *index.id_at_path("n/a.md") : "", "a");

  expect_refused(index, [&] { return index.update_node(make_node("a", "x", {}, "note", "a.md")); },
                 "graph index error: cannot change node path for id a from ./n//a.md to a.md");
  expect_refused(index, [&] { return index.update_node(make_node("zz")); }, "node zz not found");
}

TEST_F(NodeMutations, DeleteRemovesFileAndEntry) {
  root.node("d/a.md", "a");
  root.node("b.md", "b");
  GraphIndex index = open();
  ASSERT_TRUE(index.delete_node("a"));
  EXPECT_FALSE(fs::exists(root.path() / "d/a.md"));
  EXPECT_TRUE(fs::is_directory(root.path() / "d"));  // emptied directories stay
  EXPECT_FALSE(index.contains("a"));
  EXPECT_EQ(index.id_at_path("d/a.md"), nullptr);
  // A file removed behind the index's back: the entry still goes.
  fs::remove(root.path() / "b.md");
  ASSERT_TRUE(index.delete_node("b"));
  EXPECT_EQ(index.size(), 0u);
  expect_refused(index, [&] { return index.delete_node("a"); }, "node a not found");
}

TEST_F(NodeMutations, MergeAppendsBodyLinksAndHistoryThenDeletesSource) {
  root.node("t.md", "t", "T", "links:\n- x\n");
  root.node("s.md", "s", "S\n", "links:\n- x\n- t\n- w\n- w\n");
  GraphIndex index = open();
  ASSERT_TRUE(index.merge_nodes("t", "s")) << error_of(index.merge_nodes("t", "s"));
  EXPECT_EQ(root.read("t.md"),
            "---\nid: t\ntype: note\nlinks:\n- x\n- w\nmerged_from:\n- s\n---\n"
            "T\n\n---\n\n## Merged from `s`\n\nS\n");
  EXPECT_FALSE(fs::exists(root.path() / "s.md"));
  EXPECT_FALSE(index.contains("s"));
  EXPECT_EQ(index.entry("t")->metadata.links, (Ids{"x", "w"}));

  expect_refused(index, [&] { return index.merge_nodes("t", "t"); },
                 "graph index error: cannot merge a node into itself");
  expect_refused(index, [&] { return index.merge_nodes("t", "gone"); }, "node gone not found");
  expect_refused(index, [&] { return index.merge_nodes("gone", "t"); }, "node gone not found");
}

TEST_F(NodeMutations, MergeIntoEmptyBodyStartsWithTwoLineFeeds) {
  root.node("t.md", "t");
  root.node("s.md", "s", "S");
  GraphIndex index = open();
  ASSERT_TRUE(index.merge_nodes("t", "s"));
  EXPECT_EQ(*index.entry("t")->body, "\n\n---\n\n## Merged from `s`\n\nS");
}

// When deleting the source fails, the target is already merged; merging again
// does not append twice and completes the deletion.
TEST_F(NodeMutations, InterruptedMergeIsCompletedByRetrying) {
  root.node("t.md", "t", "T\n");
  root.node("s.md", "s", "S\n");
  GraphIndex index = open();
  {
    FaultGuard fault(platform::FsOp::Remove, EIO);
    EXPECT_EQ(error_of(index.merge_nodes("t", "s")),
              "failed to delete node at " + at("s.md") + ": Input/output error (os error 5)");
  }
  const std::string merged = root.read("t.md");
  EXPECT_TRUE(index.contains("s"));
  ASSERT_TRUE(index.merge_nodes("t", "s"));
  EXPECT_EQ(root.read("t.md"), merged);
  EXPECT_FALSE(index.contains("s"));
}

TEST_F(NodeMutations, MergeKeepsHistoryAndReplacesNonSequences) {
  root.node("t.md", "t", "", "merged_from: !hist\n- old\n");
  root.node("u.md", "u", "", "merged_from: not a list\n");
  root.node("s.md", "s");
  root.node("r.md", "r");
  GraphIndex index = open();
  ASSERT_TRUE(index.merge_nodes("t", "s"));
  const YamlValue& history = index.entry("t")->metadata.extra.at("merged_from");
  EXPECT_EQ(history, YamlValue::tagged("!hist", YamlValue::sequence({YamlValue::string("old"),
                                                                      YamlValue::string("s")})));
  ASSERT_TRUE(index.merge_nodes("u", "r"));
  EXPECT_EQ(index.entry("u")->metadata.extra.at("merged_from"),
            YamlValue::sequence({YamlValue::string("r")}));
}

TEST_F(NodeMutations, SuppressAndUnsuppress) {
  root.node("a.md", "a", "body\n", "zeta: 1\nalpha: 2\n");
  GraphIndex index = open();
  auto extra = [&] { return index.entry("a")->metadata.extra; };
  ASSERT_TRUE(index.suppress_node("a", "dup"));
  EXPECT_EQ(extra().at("suppressed"), YamlValue::boolean(true));
  EXPECT_EQ(extra().at("suppressed_reason"), YamlValue::string("dup"));
  ASSERT_TRUE(index.suppress_node("a", std::nullopt));
  EXPECT_EQ(extra().at("suppressed_reason"), YamlValue::string("dup"));
  ASSERT_TRUE(index.suppress_node("a", ""));
  EXPECT_EQ(extra().at("suppressed_reason"), YamlValue::string(""));
  ASSERT_TRUE(index.unsuppress_node("a"));
  EXPECT_FALSE(extra().contains("suppressed"));
  EXPECT_FALSE(extra().contains("suppressed_reason"));
  // Never suppressed: the file is rewritten in canonical form.
  ASSERT_TRUE(index.unsuppress_node("a"));
  EXPECT_EQ(root.read("a.md"), "---\nid: a\ntype: note\nalpha: 2\nzeta: 1\n---\nbody\n");
  expect_refused(index, [&] { return index.suppress_node("b", "x"); }, "node b not found");
  expect_refused(index, [&] { return index.unsuppress_node("b"); }, "node b not found");
}

}  // namespace
}  // namespace lorewood
