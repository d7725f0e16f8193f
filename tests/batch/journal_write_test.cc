#include <cerrno>
#include <set>

#include "journal_fixture.h"

namespace lorewood::testing {
namespace {

bool looks_like_uuid_v4(const std::string& name) {
  if (name.size() != 36) return false;
  for (std::size_t k = 0; k < name.size(); ++k) {
    const char c = name[k];
    const bool hyphen = k == 8 || k == 13 || k == 18 || k == 23;
    if (hyphen ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return name[14] == '4';
}

std::set<std::string> entry_names(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
  return names;
}

using SyncWriteTest = JournalTest;

TEST_F(SyncWriteTest, WritesCreatesAndTruncates) {
  const fs::path target = root() / "file.txt";
  ASSERT_TRUE(sync_write(target, "a much longer first text", 0600));
  EXPECT_EQ(permission_bits(target), 0600u);
  ASSERT_TRUE(sync_write(target, "short"));
  EXPECT_EQ(read("file.txt"), "short");
  EXPECT_EQ(permission_bits(target), 0600u) << "an existing file keeps its mode";

  const mode_t mask = ::umask(0);
  ::umask(mask);
  ASSERT_TRUE(sync_write(root() / "general.txt", ""));
  EXPECT_EQ(permission_bits(root() / "general.txt"), 0666u & ~mask);
}

TEST_F(SyncWriteTest, FailuresNameThePath) {
  const fs::path missing = root() / "no-such-dir" / "f";
  auto created = sync_write(missing, "x");
  ASSERT_FALSE(created);
  EXPECT_EQ(created.error().message(), "graph index error: failed to create " + missing.string() +
                                           ": No such file or directory (os error 2)");

  const fs::path target = root() / "f";
  for (platform::FsOp failing : {platform::FsOp::Write, platform::FsOp::Sync}) {
    platform::set_fault_injector([&](platform::FsOp op, const fs::path&) {
      return op == failing ? EIO : 0;
    });
    auto synced = sync_write(target, "x");
    ASSERT_FALSE(synced);
    EXPECT_EQ(synced.error().message(), "graph index error: failed to sync " + target.string() +
                                            ": Input/output error (os error 5)");
  }
}

using WriteJournalTest = JournalTest;

TEST_F(WriteJournalTest, PreparesLockedOwnerOnlyBatch) {
  const Node b = make_node("b", "Bee body.\n", "notes/b.md");
  const Node a = make_node("a", "Ay body.\n");
  put(a);
  put(b);
  std::map<std::string, Node> touched{{"b", b}, {"a", a}};

  auto prepared = write_batch_journal(root(), touched);
  ASSERT_TRUE(prepared) << prepared.error().message();
  const fs::path dir = prepared->dir;
  ASSERT_EQ(batch_names(), std::vector<std::string>{dir.filename().string()});
  EXPECT_TRUE(looks_like_uuid_v4(dir.filename().string())) << dir;
  EXPECT_EQ(entry_names(dir), (std::set<std::string>{"backups", "lock", "manifest.toml"}));
  EXPECT_EQ(entry_names(dir / "backups"), (std::set<std::string>{"0000.md", "0001.md"}));

  EXPECT_EQ(read(dir / "backups/0000.md"), *a.to_markdown());
  EXPECT_EQ(read(dir / "backups/0001.md"), *b.to_markdown());
  EXPECT_EQ(read(dir / "manifest.toml"),
            "version = 1\n"
            "\n[[snapshots]]\nrelative_path = \"a.md\"\nbackup = \"backups/0000.md\"\n"
            "\n[[snapshots]]\nrelative_path = \"notes/b.md\"\nbackup = \"backups/0001.md\"\n");
  for (const char* file : {"backups/0000.md", "backups/0001.md", "manifest.toml", "lock"})
    EXPECT_EQ(permission_bits(dir / file), 0600u) << file;

  EXPECT_TRUE(prepared->lock.held());
  EXPECT_FALSE(BatchLock::take_unless_live(dir)) << "a second open must see the lock as live";
  prepared->lock.release();
  auto taken = BatchLock::take_unless_live(dir);
  ASSERT_TRUE(taken);
  EXPECT_TRUE(taken->held());
}

TEST_F(WriteJournalTest, EmptyBatchWritesEmptyManifestAndFinishes) {
  auto prepared = write_batch_journal(root(), {});
  ASSERT_TRUE(prepared) << prepared.error().message();
  EXPECT_EQ(read(prepared->dir / "manifest.toml"), "version = 1\nsnapshots = []\n");
  ASSERT_TRUE(finish_batch(prepared->dir));
  EXPECT_TRUE(batch_names().empty());
  EXPECT_TRUE(fs::is_directory(transactions_dir(root()))) << "transactions stays";
}

TEST_F(WriteJournalTest, BadNodePathStopsBeforeTheManifest) {
  std::map<std::string, Node> touched{{"a", make_node("a", "x\n")},
                                      {"b", make_node("b", "y\n", ".lorewood/b.md")}};
  auto prepared = write_batch_journal(root(), touched);
  ASSERT_FALSE(prepared);
  EXPECT_EQ(prepared.error().kind(), ErrorKind::Index);
  ASSERT_EQ(batch_names().size(), 1u);
  EXPECT_FALSE(exists(transactions_dir(root()) / batch_names()[0] / "manifest.toml"));
  auto recovered = recover_incomplete_batches(root());
  ASSERT_TRUE(recovered);
  EXPECT_EQ(*recovered, 0u);
  EXPECT_TRUE(batch_names().empty());
}

// Fails the k-th file-system operation of a preparation, for every k until
// one succeeds: node files never change, and the next recovery returns the
// root to its pre-batch state with no batch directory left.
TEST_F(WriteJournalTest, FailureAtEveryStepLeavesNodesAndIsRecovered) {
  const Node a = make_node("a", "Ay.\n");
  const Node b = make_node("b", "Bee.\n", "sub/b.md");
  const std::string a_text = put(a);
  const std::string b_text = put(b);
  std::map<std::string, Node> touched{{"a", a}, {"b", b}};

  int failures = 0;
  int failures_with_manifest = 0;
  for (int k = 1;; ++k) {
    SCOPED_TRACE("failing operation " + std::to_string(k));
    int seen = 0;
    platform::set_fault_injector([&](platform::FsOp, const fs::path&) {
      return ++seen == k ? EIO : 0;
    });
    auto prepared = write_batch_journal(root(), touched);
    platform::set_fault_injector({});
    if (prepared) {
      ASSERT_TRUE(finish_batch(prepared->dir));
      break;
    }
    ++failures;
    EXPECT_NE(prepared.error().message().find("os error 5"), std::string::npos)
        << prepared.error().message();
    EXPECT_EQ(read("a.md"), a_text);
    EXPECT_EQ(read("sub/b.md"), b_text);

    // A failed directory creation may leave no batch directory at all.
    ASSERT_LE(batch_names().size(), 1u);
    const bool manifest_in_place =
        !batch_names().empty() &&
        exists(transactions_dir(root()) / batch_names()[0] / "manifest.toml");
    failures_with_manifest += manifest_in_place;
    auto recovered = recover_incomplete_batches(root());
    ASSERT_TRUE(recovered) << recovered.error().message();
    // Only a failed final directory sync leaves a (complete) manifest behind.
    EXPECT_EQ(*recovered, manifest_in_place ? 1u : 0u);
    EXPECT_TRUE(batch_names().empty());
    EXPECT_EQ(read("a.md"), a_text);
    EXPECT_EQ(read("sub/b.md"), b_text);
  }
  // Directory creation, two backups (write + sync each), directory syncs,
  // manifest write, sync and rename.
  EXPECT_GE(failures, 10);
  EXPECT_EQ(failures_with_manifest, 1) << "only the last step may fail after the rename";
}

TEST_F(WriteJournalTest, FinishRemovesManifestFirst) {
  const Node a = make_node("a", "Before.\n");
  put(a);
  const std::string after = put(make_node("a", "After.\n"));

  struct Case {
    const char* name;
    bool fail_manifest_removal;  // otherwise the directory removal fails
    bool rolled_back;
  };
  for (const Case& c : {Case{"manifest removal fails", true, true},
                        Case{"directory removal fails", false, false}}) {
    SCOPED_TRACE(c.name);
    put(make_node("a", "After.\n"));
    auto prepared = write_batch_journal(root(), {{"a", a}});
    ASSERT_TRUE(prepared);
    const fs::path dir = prepared->dir;
    platform::set_fault_injector([&](platform::FsOp op, const fs::path& path) {
      if (op != platform::FsOp::Remove) return 0;
      return (c.fail_manifest_removal ? path == dir / "manifest.toml" : path == dir) ? EIO : 0;
    });
    auto finished = finish_batch(dir);
    platform::set_fault_injector({});
    ASSERT_FALSE(finished);
    EXPECT_EQ(finished.error().message(),
              "graph index error: failed to remove completed batch journal: Input/output error "
              "(os error 5)");
    prepared->lock.release();

    auto recovered = recover_incomplete_batches(root());
    ASSERT_TRUE(recovered);
    EXPECT_EQ(*recovered, c.rolled_back ? 1u : 0u);
    EXPECT_EQ(read("a.md"), c.rolled_back ? *a.to_markdown() : after);
    EXPECT_TRUE(batch_names().empty());
  }
}

}  // namespace
}  // namespace lorewood::testing
