#include <functional>

#include "journal_fixture.h"

namespace lorewood::testing {
namespace {

using RecoveryTest = JournalTest;

// One row per moment a batch can be interrupted. Each starts from nodes a and
// b (in sub/) at their pre-batch content and a prepared journal for both.
TEST_F(RecoveryTest, ResolvesEveryInterruptionState) {
  struct Case {
    const char* moment;
    std::function<void(RecoveryTest&, const fs::path& dir)> interrupt;
    std::string error;  // empty: recovery succeeds
    std::uint64_t restored;
    bool pre_batch;  // otherwise a keeps its batch content
    bool dir_remains;
  };
  const Case cases[] = {
      {"writing backups (no manifest)",
       [](RecoveryTest& t, const fs::path& dir) {
         fs::remove(dir / "manifest.toml");
         t.write(dir / "backups/0000.md", "partial");
         t.put(make_node("a", "Changed by hand later.\n"));
       },
       "", 0, false, false},
      {"a partial manifest (not written by us: ours is renamed into place)",
       [](RecoveryTest& t, const fs::path& dir) {
         t.write(dir / "manifest.toml", "version = 1\n[[snapshots]]\nrelative_pa");
       },
       "graph index error: failed to parse batch journal: ", 0, true, true},
      {"applying operations",
       [](RecoveryTest& t, const fs::path&) {
         t.put(make_node("a", "Batch content.\n"));
         fs::remove(t.root() / "sub/b.md");  // merged away
       },
       "", 1, true, false},
      {"rolling back in process",
       [](RecoveryTest& t, const fs::path&) { t.put(make_node("b", "Batch.\n", "sub/b.md")); },
       "", 1, true, false},
      {"removing the directory, manifest still there",
       [](RecoveryTest& t, const fs::path&) {
         t.put(make_node("a", "Batch content.\n"));
         t.put(make_node("b", "Batch content.\n", "sub/b.md"));
       },
       "", 1, true, false},
      {"removing the directory, manifest gone",
       [](RecoveryTest& t, const fs::path& dir) {
         t.put(make_node("a", "Batch content.\n"));
         fs::remove(dir / "manifest.toml");
       },
       "", 0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.moment);
    RecoveryTest& t = *this;
    fs::remove_all(root() / ".lorewood");
    const Node a = make_node("a", "Pre-batch a.\n");
    const Node b = make_node("b", "Pre-batch b.\n", "sub/b.md");
    const std::string a_text = put(a);
    const std::string b_text = put(b);
    fs::path dir;
    {
      auto prepared = write_batch_journal(root(), {{"a", a}, {"b", b}});
      ASSERT_TRUE(prepared) << prepared.error().message();
      dir = prepared->dir;
    }  // the process "dies": its lock goes away
    c.interrupt(t, dir);
    const std::string a_before_recovery = read("a.md");

    auto recovered = recover_incomplete_batches(root());
    if (c.error.empty()) {
      ASSERT_TRUE(recovered) << recovered.error().message();
      EXPECT_EQ(*recovered, c.restored);
    } else {
      ASSERT_FALSE(recovered);
      EXPECT_TRUE(recovered.error().message().starts_with(c.error)) << recovered.error().message();
    }
    if (c.pre_batch) {
      EXPECT_EQ(read("a.md"), a_text);
      EXPECT_EQ(read("sub/b.md"), b_text);
    } else {
      EXPECT_EQ(read("a.md"), a_before_recovery);
    }
    EXPECT_EQ(fs::exists(dir), c.dir_remains);
    EXPECT_TRUE(fs::is_directory(transactions_dir(root())));
  }
}

TEST_F(RecoveryTest, NothingToRecover) {
  auto none = recover_incomplete_batches(root());
  ASSERT_TRUE(none);
  EXPECT_EQ(*none, 0u);
  fs::create_directories(root() / ".lorewood");
  auto empty_state = recover_incomplete_batches(root());
  ASSERT_TRUE(empty_state);
  EXPECT_EQ(*empty_state, 0u);

  write(".lorewood/transactions", "not a directory");
  EXPECT_EQ(recovery_error(),
            "graph index error: failed to inspect batch journals: Not a directory (os error 20)");
}

TEST_F(RecoveryTest, EmptyManifestCountsAndStrayFilesStay) {
  write(transactions_dir(root()) / "stray.txt", "left alone");
  const fs::path dir = batch_dir();
  write(dir / "manifest.toml", "version = 1\nsnapshots = []\n");
  auto recovered = recover_incomplete_batches(root());
  ASSERT_TRUE(recovered) << recovered.error().message();
  EXPECT_EQ(*recovered, 1u);
  EXPECT_EQ(batch_names(), std::vector<std::string>{"stray.txt"});
}

// Each broken journal makes recovery fail with its text; the directory stays
// and the node keeps its current content.
TEST_F(RecoveryTest, BrokenJournalsFailAndStay) {
  const std::string backup_line = "relative_path = \"a.md\"\nbackup = \"backups/0000.md\"\n";
  const std::string good_backup = "---\nid: a\ntype: note\n---\nFrom backup.\n";
  struct Case {
    std::string manifest;
    std::string backup;  // empty: no backup file
    std::string error;   // prefix of the message
  };
  const fs::path manifest_path = transactions_dir(root()) /
                                 "00000000-0000-4000-8000-000000000000" / "manifest.toml";
  const Case cases[] = {
      {"version = 2\nsnapshots = []\n", "", "graph index error: unsupported batch journal version 2"},
      {"version = 1\n", "", "graph index error: failed to parse batch journal: missing field `snapshots`"},
      {"version = 1\n[[snapshots]]\nrelative_path = \"a.md\"\n", good_backup,
       "graph index error: failed to parse batch journal: missing field `backup`"},
      {"version = 1\n[[snapshots]]\nrelative_path = \"a.md\"\nbackup = \"../../../../a.md\"\n",
       "", "graph index error: node relative_path must not contain '..' components"},
      {"version = 1\n[[snapshots]]\nrelative_path = \".lorewood/x.md\"\nbackup = \"backups/0000.md\"\n",
       good_backup, "graph index error: node paths must not live under `.lorewood/`"},
      {"version = 1\n[[snapshots]]\n" + backup_line, "",
       "graph index error: failed to read batch backup: No such file or directory (os error 2)"},
      {"version = 1\n[[snapshots]]\n" + backup_line, "no frontmatter at all\n",
       "node parse error at a.md: "},
      {"version = 1\n[[snapshots]]\n" + backup_line, "---\nid: a\ntype: note\n---\n\xFF\n",
       "graph index error: failed to read batch backup: stream did not contain valid UTF-8"},
      {"version = 1\nsnapshots = []\n# \xFF\n", "",
       "graph index error: failed to read batch journal " + manifest_path.string() +
           ": stream did not contain valid UTF-8"},
  };
  const std::string current = put(make_node("a", "Current.\n"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.manifest);
    fs::remove_all(transactions_dir(root()));
    const fs::path dir = batch_dir();
    write(dir / "manifest.toml", c.manifest);
    if (!c.backup.empty()) write(dir / "backups/0000.md", c.backup);
    const std::string error = recovery_error();
    EXPECT_TRUE(error.starts_with(c.error)) << error;
    EXPECT_TRUE(fs::exists(dir / "manifest.toml"));
    EXPECT_EQ(read("a.md"), current);
  }
}

TEST_F(RecoveryTest, MissingBackupStopsAfterEarlierSnapshotsAndRetrySucceeds) {
  const Node a = make_node("a", "Pre a.\n");
  const Node b = make_node("b", "Pre b.\n");
  const std::string a_text = put(a);
  const std::string b_text = put(b);
  fs::path dir;
  {
    auto prepared = write_batch_journal(root(), {{"a", a}, {"b", b}});
    ASSERT_TRUE(prepared);
    dir = prepared->dir;
  }
  put(make_node("a", "Batch a.\n"));
  fs::remove(root() / "b.md");
  const std::string saved = read(dir / "backups/0001.md");
  fs::remove(dir / "backups/0001.md");

  EXPECT_EQ(recovery_error(),
            "graph index error: failed to read batch backup: No such file or directory (os error 2)");
  EXPECT_EQ(read("a.md"), a_text);
  EXPECT_FALSE(exists("b.md"));
  EXPECT_TRUE(fs::exists(dir));

  write(dir / "backups/0001.md", saved);
  auto recovered = recover_incomplete_batches(root());
  ASSERT_TRUE(recovered) << recovered.error().message();
  EXPECT_EQ(*recovered, 1u);
  EXPECT_EQ(read("a.md"), a_text);
  EXPECT_EQ(read("b.md"), b_text);
}

// A batch whose lock is held (by another open file description, here in the
// same process) is live: neither restored nor removed, whatever it holds.
TEST_F(RecoveryTest, LiveBatchesAreLeftAlone) {
  const Node a = make_node("a", "Pre.\n");
  put(a);
  auto prepared = write_batch_journal(root(), {{"a", a}});
  ASSERT_TRUE(prepared);
  const std::string applied = put(make_node("a", "Being applied.\n"));

  const fs::path unprepared = batch_dir();
  auto held = BatchLock::acquire(unprepared);
  ASSERT_TRUE(held) << held.error().message();
  const fs::path unlocked = batch_dir("11111111-1111-4111-8111-111111111111");
  write(unlocked / BatchLock::kFileName, "");

  auto recovered = recover_incomplete_batches(root());
  ASSERT_TRUE(recovered) << recovered.error().message();
  EXPECT_EQ(*recovered, 0u);
  EXPECT_EQ(read("a.md"), applied);
  EXPECT_TRUE(fs::exists(prepared->dir / "manifest.toml"));
  EXPECT_TRUE(fs::exists(unprepared));
  EXPECT_FALSE(fs::exists(unlocked)) << "an unheld lock file does not make a batch live";

  auto second = BatchLock::acquire(unprepared);
  ASSERT_FALSE(second);
  EXPECT_EQ(second.error().message(),
            "graph index error: failed to lock batch journal: the batch is held by another process");

  prepared->lock.release();
  held->release();
  auto after = recover_incomplete_batches(root());
  ASSERT_TRUE(after);
  EXPECT_EQ(*after, 1u);
  EXPECT_EQ(read("a.md"), *a.to_markdown());
  EXPECT_TRUE(batch_names().empty());
}

TEST_F(RecoveryTest, SymlinkedBatchIsUnlinkedWithoutTouchingItsTarget) {
  TempRoot outside;
  outside.write("kept.txt", "kept");
  fs::create_directories(transactions_dir(root()));
  fs::create_directory_symlink(outside.path(), transactions_dir(root()) / "linked");
  auto recovered = recover_incomplete_batches(root());
  ASSERT_TRUE(recovered) << recovered.error().message();
  EXPECT_EQ(*recovered, 0u);
  EXPECT_TRUE(batch_names().empty());
  EXPECT_EQ(outside.read("kept.txt"), "kept");
  EXPECT_FALSE(fs::exists(outside.path() / BatchLock::kFileName));
}

}  // namespace
}  // namespace lorewood::testing
