// Crash safety of memory batches across processes: a child applies a batch
// and is killed with SIGKILL at many moments; the root, opened again, must hold
// every touched node wholly as before the batch or (only once the manifest is
// gone) wholly as after it. And a second process opening the root while a
// batch runs must leave the batch alone.
//
// These tests fork and take tens of seconds; skip them with
// --gtest_filter=-CrashSafety.*
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <thread>

#include "batch/memory_batch_fixture.h"

namespace lorewood {
namespace {

using memory_batch::Merge;
using memory_batch::Suppress;
using memory_batch::Update;
using testing::batch_dirs;
using testing::node_state;
using testing::NodeState;
using testing::TempRoot;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kNodes = 300;
constexpr int kUpdated = 200;

std::string node_id(int k) {
  char name[16];
  std::snprintf(name, sizeof name, "n%03d", k);
  return name;
}

// A root of kNodes linked notes.
void generate_root(const TempRoot& root) {
  for (int k = 0; k < kNodes; ++k) {
    root.node(node_id(k) + ".md", node_id(k),
              "Note " + std::to_string(k) + "\n\nSee [[" + node_id((k + 1) % kNodes) + "]].\n",
              "links:\n- " + node_id((k + 7) % kNodes) + "\n");
  }
}

// 200 updates, a suppress every 50th, and a merge of n200.. into n000.. after
// every fifth update: 244 operations touching 240 nodes.
std::vector<MemoryBatchOperation> crash_batch() {
  std::vector<MemoryBatchOperation> ops;
  for (int i = 0; i < kUpdated; ++i) {
    ops.push_back(Update{node_id(i), "Updated " + std::to_string(i) + "\n\nnew text\n"});
    if (i % 50 == 0) ops.push_back(Suppress{node_id(i), "crash test"});
    if (i % 5 == 4) ops.push_back(Merge{node_id(i / 5), node_id(kUpdated + i / 5)});
  }
  return ops;
}

std::vector<std::string> touched(const std::vector<MemoryBatchOperation>& ops) {
  std::set<std::string> ids = touched_ids(ops);
  return {ids.begin(), ids.end()};
}

std::map<std::string, NodeState> states_of(const fs::path& root, const std::vector<std::string>& ids) {
  std::map<std::string, NodeState> out;
  for (const std::string& id : ids) out[id] = node_state(root, id);
  return out;
}

void copy_root(const fs::path& from, const fs::path& to) {
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

bool manifest_present(const fs::path& root) {
  for (const std::string& name : batch_dirs(root))
    if (fs::exists(transactions_dir(root) / name / kManifestName)) return true;
  return false;
}

struct Pipe {
  int read_end = -1;
  int write_end = -1;
  Pipe() {
    int fds[2];
    if (::pipe(fds) == 0) {
      read_end = fds[0];
      write_end = fds[1];
    }
  }
  ~Pipe() {
    if (read_end >= 0) ::close(read_end);
    if (write_end >= 0) ::close(write_end);
  }
  void signal() const {
    char byte = 1;
    (void)!::write(write_end, &byte, 1);
  }
  bool wait() const {
    char byte;
    return ::read(read_end, &byte, 1) == 1;
  }
};

// Child side: opens the root, tells the parent, applies the batch, telling the
// parent again just before the manifest is put in place. Exit code 0 when the
// batch was applied with every label.
[[noreturn]] void apply_in_child(const fs::path& root, const std::vector<MemoryBatchOperation>& ops,
                                 const Pipe& progress) {
  auto index = GraphIndex::open(root);
  if (!index) ::_exit(2);
  platform::set_fault_injector([&](platform::FsOp op, const fs::path& path) {
    if (op == platform::FsOp::Rename && path.filename() == kManifestName) progress.signal();
    return 0;
  });
  progress.signal();
  auto labels = apply_memory_batch(*index, ops);
  ::_exit(labels && labels->size() == ops.size() ? 0 : 1);
}

// Where a kill delay is counted from: the start of the batch, or the moment
// its journal is about to become prepared.
enum class Anchor { Start, Prepared };

struct ChildRun {
  int exit_status = -1;  // raw waitpid status
  Clock::duration journaling{};  // start -> manifest about to be renamed
  Clock::duration applying{};    // from there -> exit
};

// Runs the batch in a child; kills it `kill_after` after `anchor` (never, when
// absent).
ChildRun run_child(const fs::path& root, const std::vector<MemoryBatchOperation>& ops,
                   Anchor anchor, std::optional<std::chrono::microseconds> kill_after) {
  Pipe progress;
  const pid_t pid = ::fork();
  if (pid == 0) apply_in_child(root, ops, progress);
  ChildRun run;
  if (pid < 0) return run;
  progress.wait();
  const Clock::time_point begin = Clock::now();
  Clock::time_point prepared = begin;
  if (anchor == Anchor::Prepared || !kill_after) {
    progress.wait();
    prepared = Clock::now();
  }
  if (kill_after) {
    std::this_thread::sleep_for(*kill_after);
    ::kill(pid, SIGKILL);
  }
  ::waitpid(pid, &run.exit_status, 0);
  run.journaling = prepared - begin;
  run.applying = Clock::now() - prepared;
  return run;
}

TEST(CrashSafety, KilledBatchIsWhollyUndoneOrWhollyKept) {
  TempRoot source;
  generate_root(source);
  const std::vector<MemoryBatchOperation> ops = crash_batch();
  const std::vector<std::string> ids = touched(ops);
  const auto pre = states_of(source.path(), ids);

  // Calibration: full runs give the post-batch state and the median length of
  // both phases (the disk is shared, so single runs vary a lot).
  std::vector<Clock::duration> journaling, applying;
  std::map<std::string, NodeState> post;
  for (int run = 0; run < 3; ++run) {
    TempRoot calibration;
    copy_root(source.path(), calibration.path());
    ChildRun full = run_child(calibration.path(), ops, Anchor::Start, std::nullopt);
    ASSERT_TRUE(WIFEXITED(full.exit_status) && WEXITSTATUS(full.exit_status) == 0);
    journaling.push_back(full.journaling);
    applying.push_back(full.applying);
    post = states_of(calibration.path(), ids);
  }
  ASSERT_NE(pre, post);
  auto median_us = [](std::vector<Clock::duration> runs) {
    std::sort(runs.begin(), runs.end());
    return std::chrono::duration_cast<std::chrono::microseconds>(runs[runs.size() / 2]).count();
  };
  const long long journal_us = median_us(journaling);
  const long long apply_us = median_us(applying);

  // Kill points: one in each equal slice of a phase (reaching a little past its
  // end), at a fixed-seed random place inside the slice.
  struct Phase {
    Anchor anchor;
    long long length_us;
    int points;
    // How far past the calibrated length the points reach, so that the end of
    // a slower run is covered too.
    double reach;
  };
  const Phase phases[] = {{Anchor::Start, journal_us, 12, 1.1},
                          {Anchor::Prepared, apply_us, 28, 1.25}};
  std::mt19937_64 rng(0x5eed2024);
  std::uniform_real_distribution<double> within(0.0, 1.0);
  int points = 0, undone_unprepared = 0, undone_rolled_back = 0, kept = 0;
  // A root left in its pre-batch state (leftover temporary files and all) is
  // used again; copying the root costs more than most runs.
  std::optional<TempRoot> root;
  for (const Phase& phase : phases) {
    for (int slice = 0; slice < phase.points; ++slice, ++points) {
      const double at = (slice + within(rng)) / phase.points * phase.reach;
      const auto delay = std::chrono::microseconds(static_cast<long long>(at * phase.length_us));
      if (!root) {
        root.emplace();
        copy_root(source.path(), root->path());
      }
      run_child(root->path(), ops, phase.anchor, delay);

      const bool had_manifest = manifest_present(root->path());
      auto reopened = GraphIndex::open(root->path());
      ASSERT_TRUE(reopened) << "kill point " << points << ": " << reopened.error().message();
      EXPECT_TRUE(batch_dirs(root->path()).empty()) << "kill point " << points;
      const auto now = states_of(root->path(), ids);
      if (now == pre) {
        ++(had_manifest ? undone_rolled_back : undone_unprepared);
      } else if (now == post && !had_manifest) {
        ++kept;
        root.reset();
      } else {
        int pre_like = 0, post_like = 0;
        for (const std::string& id : ids) {
          pre_like += now.at(id) == pre.at(id);
          post_like += now.at(id) == post.at(id);
        }
        ADD_FAILURE() << "kill point " << points << " after " << delay.count() << "us: manifest "
                      << had_manifest << ", " << pre_like << " nodes pre-batch, " << post_like
                      << " post-batch of " << ids.size();
        root.reset();
      }
    }
  }
  std::printf("[ kill points ] %d (journal %lld us, apply %lld us): %d before the journal was "
              "prepared, %d rolled back, %d kept\n",
              points, journal_us, apply_us, undone_unprepared, undone_rolled_back, kept);
  EXPECT_GT(undone_rolled_back, 0);
}

// The child stops before its tenth node file write until the parent lets it
// go; meanwhile the parent opens the root.
TEST(CrashSafety, SecondOpenLeavesALiveBatchAloneAndItCompletes) {
  TempRoot root;
  generate_root(root);
  std::vector<MemoryBatchOperation> ops;
  for (int i = 0; i < 20; ++i) ops.push_back(Update{node_id(i), "live " + std::to_string(i) + "\n"});
  const std::vector<std::string> ids = touched(ops);
  const auto pre = states_of(root.path(), ids);

  Pipe paused, resume;
  const pid_t pid = ::fork();
  if (pid == 0) {
    int node_writes = 0;
    const fs::path state_dir = root.path() / ".lorewood";
    platform::set_fault_injector([&](platform::FsOp op, const fs::path& path) {
      const bool node_file = op == platform::FsOp::Rename &&
                             !path.native().starts_with(state_dir.native());
      if (node_file && ++node_writes == 10) {
        paused.signal();
        resume.wait();
      }
      return 0;
    });
    auto index = GraphIndex::open(root.path());
    if (!index) ::_exit(2);
    auto labels = apply_memory_batch(*index, ops);
    ::_exit(labels ? 0 : 1);
  }
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(paused.wait());

  ASSERT_TRUE(manifest_present(root.path()));
  const auto midway = states_of(root.path(), ids);
  auto second = GraphIndex::open(root.path());
  EXPECT_TRUE(second) << second.error().message();
  EXPECT_TRUE(manifest_present(root.path()));
  EXPECT_EQ(states_of(root.path(), ids), midway);  // nothing rolled back
  EXPECT_NE(midway, pre);
  resume.signal();

  int status = -1;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(batch_dirs(root.path()).empty());
  for (int i = 0; i < 20; ++i) {
    const NodeState now = node_state(root.path(), node_id(i));
    EXPECT_TRUE(now.body.starts_with("live " + std::to_string(i))) << node_id(i);
  }
}

}  // namespace
}  // namespace lorewood
