// Hand-run measurement of a large batch: 1 000 updates on a copy of a generated
// 10 000-node root. Disabled by default; run it with
//
//   LW_BENCH_ROOT=/path/to/root batch_tests --gtest_also_run_disabled_tests
//       --gtest_filter=*MemoryBatchBench*
//
// It prints the time of each phase and how many file-system operations of each
// kind the batch made, split between journal and node files.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "batch/memory_batch_fixture.h"

namespace lorewood {
namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double ms_since(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// CPU time of the process so far, user and system, in milliseconds.
struct CpuTime {
  double user_ms = 0;
  double system_ms = 0;
};
CpuTime cpu_time() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  return {ms(usage.ru_utime), ms(usage.ru_stime)};
}

TEST(MemoryBatchBench, DISABLED_ThousandUpdatesOnTenThousandNodes) {
  const char* source = std::getenv("LW_BENCH_ROOT");
  if (source == nullptr) GTEST_SKIP() << "LW_BENCH_ROOT is not set";
  testing::TempRoot root;
  fs::copy(source, root.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);

  const Clock::time_point opening = Clock::now();
  auto index = GraphIndex::open(root.path());
  ASSERT_TRUE(index) << index.error().message();
  const Clock::time_point opened = Clock::now();

  std::vector<std::string> ids = index->sorted_ids();
  ASSERT_GE(ids.size(), 10000u);
  std::vector<MemoryBatchOperation> ops;
  for (std::size_t i = 0; i < 1000; ++i) {
    auto node = index->read_node(ids[i * 10]);
    ASSERT_TRUE(node);
    ops.push_back(memory_batch::Update{ids[i * 10], node->body + "\nAppended by the batch.\n"});
  }

  // Per kind of operation (on journal or node files): how many, and the wall
  // time from each one to the next file operation (the operation itself plus
  // the CPU work up to the next one). Also the moments the journal became
  // prepared and the finish began.
  const fs::path state_dir = root.path() / ".lorewood";
  struct Tally {
    int count = 0;
    double ms = 0;
  };
  std::map<std::string, Tally> tallies;
  std::string last;
  Clock::time_point last_at, prepared, finishing;
  platform::set_fault_injector([&](platform::FsOp op, const fs::path& path) {
    static const char* names[] = {"write", "sync", "rename", "remove", "mkdir"};
    const Clock::time_point now = Clock::now();
    if (!last.empty()) tallies[last].ms += ms_since(last_at, now);
    const bool journal = path.native().starts_with(state_dir.native());
    last = std::string(journal ? "journal " : "node ") + names[static_cast<int>(op)];
    tallies[last].count++;
    last_at = now;
    if (op == platform::FsOp::Rename && path.filename() == kManifestName) prepared = now;
    if (op == platform::FsOp::Remove && path.filename() == kManifestName) finishing = now;
    return 0;
  });
  const CpuTime cpu_before = cpu_time();
  const Clock::time_point start = Clock::now();
  auto labels = apply_memory_batch(*index, ops);
  const Clock::time_point end = Clock::now();
  const CpuTime cpu_after = cpu_time();
  tallies[last].ms += ms_since(last_at, end);
  platform::set_fault_injector({});
  ASSERT_TRUE(labels) << labels.error().message();
  ASSERT_EQ(labels->size(), 1000u);

  std::printf("open (recovery + scan of %zu nodes): %.1f ms\n", index->size(), ms_since(opening, opened));
  std::printf("batch total: %.1f ms wall, CPU %.1f ms user + %.1f ms system\n", ms_since(start, end),
              cpu_after.user_ms - cpu_before.user_ms, cpu_after.system_ms - cpu_before.system_ms);
  std::printf("  validate + snapshots + journal: %.1f ms\n", ms_since(start, prepared));
  std::printf("  operations: %.1f ms\n", ms_since(prepared, finishing));
  std::printf("  finish: %.1f ms\n", ms_since(finishing, end));
  for (const auto& [what, tally] : tallies)
    std::printf("  %-16s %5d  %8.1f ms up to the next operation\n", what.c_str(), tally.count, tally.ms);
}

}  // namespace
}  // namespace lorewood
