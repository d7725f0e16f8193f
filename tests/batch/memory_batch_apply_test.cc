#include <gtest/gtest.h>

#include <cerrno>

#include "batch/memory_batch_fixture.h"

namespace lorewood {
namespace {

using memory_batch::Merge;
using memory_batch::Suppress;
using memory_batch::Unsuppress;
using memory_batch::Update;
using testing::batch_dirs;
using testing::MemoryBatchTest;
using testing::node_state;
using Ops = std::vector<MemoryBatchOperation>;
using Labels = std::vector<std::string>;
namespace fs = std::filesystem;

std::string error_of(const Status& status) { return status ? "ok" : status.error().message(); }
std::string error_of(const Result<Labels>& result) { return result ? "ok" : result.error().message(); }

const std::vector<std::string> kIds = {"a", "b", "c", "keeper", "old"};

class MemoryBatch : public MemoryBatchTest {
 protected:
  void SetUp() override {
    for (const std::string& id : kIds) put(id, "body of " + id + "\n", "links:\n- " + id + "-link\n");
  }
};

TEST_F(MemoryBatch, ValidationRefusesBeforeAnythingIsWritten) {
  put("s", "suppressed\n", "suppressed: true\n");
  GraphIndex index = open();
  const auto before = states({"a", "b", "c", "keeper", "old", "s"});
  const std::vector<std::pair<Ops, std::string>> cases = {
      {{Update{"zz", "x"}}, "node zz not found"},
      {{Unsuppress{"a"}, Suppress{"zz", std::nullopt}}, "node zz not found"},
      {{Merge{"keeper", "old"}, Update{"old", "x"}}, "node old not found"},
      {{Merge{"a", "b"}, Merge{"b", "c"}}, "node b not found"},
      {{Merge{"a", "zz"}}, "node zz not found"},
      {{Merge{"zz", "a"}}, "node zz not found"},
      // Self-merge is refused before the ids are looked up.
      {{Merge{"nowhere", "nowhere"}}, "graph index error: cannot merge a node into itself"},
      {{Merge{"a", "b"}, Merge{"c", "a"}, Update{"s", "x"}, Suppress{"s", "again"}}, "ok"},
      {{}, "ok"},
  };
  for (const auto& [ops, message] : cases) {
    EXPECT_EQ(error_of(validate_memory_batch(index, ops)), message);
    if (message != "ok") {
      EXPECT_EQ(error_of(apply_memory_batch(index, ops)), message);
    }
  }
  EXPECT_FALSE(fs::exists(root() / ".lorewood"));
  EXPECT_EQ(states({"a", "b", "c", "keeper", "old", "s"}), before);
  EXPECT_EQ(index.size(), 6u);
}

TEST_F(MemoryBatch, AppliesInOrderAndRemovesTheJournal) {
  put("c", "body of c\n", "suppressed: true\nsuppressed_reason: old\n");
  GraphIndex index = open();
  const Ops ops = {
      Update{"a", "new a\n"},
      Suppress{"b", "dup"},
      Unsuppress{"c"},
      Merge{"a", "b"},
      Suppress{"a", std::nullopt},  // sees the merged node: an operation reads the file again
      Merge{"keeper", "old"},
  };
  auto labels = apply_memory_batch(index, ops);
  ASSERT_TRUE(labels) << labels.error().message();
  EXPECT_EQ(*labels, (Labels{"update:a", "suppress:b", "unsuppress:c", "merge:b->a", "suppress:a",
                             "merge:old->keeper"}));
  EXPECT_TRUE(batch_dirs(root()).empty());

  auto a = index.read_node("a");
  ASSERT_TRUE(a) << a.error().message();
  EXPECT_EQ(a->body, "new a\n\n---\n\n## Merged from `b`\n\nbody of b\n");
  EXPECT_EQ(a->metadata.links, (Labels{"a-link", "b-link"}));
  EXPECT_EQ(a->metadata.extra.at("suppressed"), YamlValue::boolean(true));
  EXPECT_FALSE(a->metadata.extra.contains("suppressed_reason"));
  EXPECT_EQ(a->metadata.extra.at("merged_from"), YamlValue::sequence({YamlValue::string("b")}));
  EXPECT_TRUE(index.read_node("c")->metadata.extra.empty());
  EXPECT_FALSE(index.contains("b"));
  EXPECT_FALSE(index.contains("old"));
  EXPECT_FALSE(fs::exists(root() / "b.md"));
  EXPECT_EQ(*index.entry("a")->body, a->body);

  // The next open finds nothing to recover: the batch stays applied.
  GraphIndex reopened = open();
  EXPECT_EQ(reopened.read_node("a")->body, a->body);
  EXPECT_FALSE(reopened.contains("old"));
}

TEST_F(MemoryBatch, EmptyBatchStillJournalsAndCleansUp) {
  GraphIndex index = open();
  std::vector<fs::path> created;
  platform::set_fault_injector([&](platform::FsOp op, const fs::path& path) {
    if (op == platform::FsOp::CreateDir) created.push_back(path);
    return 0;
  });
  auto labels = apply_memory_batch(index, Ops{});
  ASSERT_TRUE(labels) << labels.error().message();
  EXPECT_TRUE(labels->empty());
  EXPECT_FALSE(created.empty());
  EXPECT_TRUE(fs::is_directory(transactions_dir(root())));
  EXPECT_TRUE(batch_dirs(root()).empty());
}

TEST_F(MemoryBatch, CompletionRemovesTheManifestBeforeTheDirectory) {
  GraphIndex index = open();
  std::vector<std::string> trail;
  fs::path batch;
  platform::set_fault_injector([&](platform::FsOp op, const fs::path& path) {
    if (path.filename() == kManifestName && op == platform::FsOp::Rename) batch = path.parent_path();
    if (batch.empty()) return 0;
    if (op == platform::FsOp::Remove && path == batch / kManifestName) trail.push_back("manifest");
    if (op == platform::FsOp::Sync && path == batch) trail.push_back("sync");
    if (op == platform::FsOp::Remove && path == batch) trail.push_back("dir");
    return 0;
  });
  ASSERT_TRUE(apply_memory_batch(index, Ops{Update{"a", "x"}}));
  // The directory sync right after the manifest write comes first.
  EXPECT_EQ(trail, (std::vector<std::string>{"sync", "manifest", "sync", "dir"}));
}

TEST_F(MemoryBatch, FailedOperationRollsEveryTouchedNodeBack) {
  struct Case {
    Ops ops;
    platform::FsOp op;
    std::string file;
    ErrorKind kind;
  };
  const std::vector<Case> cases = {
      {{Update{"a", "x"}, Suppress{"c", "r"}, Update{"b", "y"}}, platform::FsOp::Rename, "b.md",
       ErrorKind::NodeWrite},
      // The merge rewrites the target, then fails to delete the source.
      {{Update{"b", "y"}, Merge{"a", "b"}}, platform::FsOp::Remove, "b.md", ErrorKind::NodeDelete},
  };
  for (const Case& c : cases) {
    GraphIndex index = open();
    const auto before = states(kIds);
    bool failed = false;  // only the operation fails, not its rollback
    platform::set_fault_injector([&](platform::FsOp op, const fs::path& path) {
      if (failed || op != c.op || path != root() / c.file) return 0;
      failed = true;
      return EIO;
    });
    auto labels = apply_memory_batch(index, c.ops);
    platform::set_fault_injector({});
    ASSERT_FALSE(labels);
    EXPECT_EQ(labels.error().kind(), c.kind) << labels.error().message();
    EXPECT_EQ(states(kIds), before);
    EXPECT_TRUE(batch_dirs(root()).empty());
    // The index was rescanned from the restored files.
    for (const std::string& id : kIds) {
      ASSERT_NE(index.entry(id), nullptr) << id;
      EXPECT_EQ(*index.entry(id)->body, before.at(id).body) << id;
    }
  }
}

TEST_F(MemoryBatch, FailedRestoreLeavesTheJournalForTheNextOpen) {
  GraphIndex index = open();
  const auto before = states(kIds);
  int renames_of_a = 0;
  platform::set_fault_injector([&](platform::FsOp op, const fs::path& path) {
    if (op != platform::FsOp::Rename) return 0;
    if (path == root() / "c.md") return EIO;                    // the operation fails
    if (path == root() / "a.md" && ++renames_of_a == 2) return EROFS;  // then its restore
    return 0;
  });
  const Ops ops = {Update{"b", "1"}, Update{"a", "2"}, Suppress{"b", std::nullopt}, Update{"c", "3"}};
  auto labels = apply_memory_batch(index, ops);
  platform::set_fault_injector({});
  ASSERT_FALSE(labels);
  EXPECT_EQ(labels.error().kind(), ErrorKind::NodeWrite);
  EXPECT_NE(labels.error().message().find("a.md"), std::string::npos) << labels.error().message();

  // One backup per touched node, numbered in id order, not operation order.
  ASSERT_EQ(batch_dirs(root()).size(), 1u);
  const fs::path batch = transactions_dir(root()) / batch_dirs(root())[0];
  auto manifest = platform::read_file(batch / kManifestName);
  ASSERT_TRUE(manifest);
  auto journal = parse_batch_journal(*manifest);
  ASSERT_TRUE(journal) << journal.error().message();
  EXPECT_EQ(journal->snapshots, (std::vector<JournalSnapshot>{{"a.md", "backups/0000.md"},
                                                              {"b.md", "backups/0001.md"},
                                                              {"c.md", "backups/0002.md"}}));

  GraphIndex reopened = open();
  EXPECT_EQ(states(kIds), before);
  EXPECT_TRUE(batch_dirs(root()).empty());
}

TEST_F(MemoryBatch, FailedJournalRemovalIsReportedWithTheEditsApplied) {
  GraphIndex index = open();
  platform::set_fault_injector([&](platform::FsOp op, const fs::path& path) {
    return op == platform::FsOp::Remove && path.filename() == kManifestName ? EACCES : 0;
  });
  auto labels = apply_memory_batch(index, Ops{Update{"a", "applied"}});
  platform::set_fault_injector({});
  ASSERT_FALSE(labels);
  EXPECT_TRUE(error_of(labels).starts_with(
      "graph index error: failed to remove completed batch journal: Permission denied"))
      << error_of(labels);
  EXPECT_EQ(*index.entry("a")->body, "applied");
  EXPECT_EQ(node_state(root(), "a").body, index.read_node("a")->body);
  EXPECT_TRUE(node_state(root(), "a").body.starts_with("applied"));
}

TEST_F(MemoryBatch, SnapshotReadFailureWritesNothing) {
  GraphIndex index = open();
  fs::remove(root() / "b.md");
  auto labels = apply_memory_batch(index, Ops{Update{"a", "x"}, Update{"b", "y"}});
  ASSERT_FALSE(labels);
  EXPECT_EQ(labels.error().kind(), ErrorKind::NodeRead);
  EXPECT_FALSE(fs::exists(root() / ".lorewood"));
  EXPECT_EQ(node_state(root(), "a").body, "body of a\n");
}

}  // namespace
}  // namespace lorewood
