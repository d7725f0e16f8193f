// Full scan of the graph root. Files are read and parsed on a few threads (the
// cost of an open is reading and parsing every file), then inserted one by one
// in walk order, so the result, and the first error reported, are exactly those
// of a sequential scan.
#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>

#include <malloc.h>

#include "error/display_path.h"
#include "index/graph_index.h"
#include "index/tree_walk.h"

namespace lorewood {
namespace {

constexpr std::size_t kFilesPerThread = 256;

using Prepared = std::optional<Result<NodeIndexEntry>>;

Result<NodeIndexEntry> prepare_entry(const std::filesystem::path& file,
                                     const std::filesystem::path& root) {
  LW_ASSIGN_OR_RETURN(Node node, Node::from_file(file, root));
  return make_index_entry(std::move(node.metadata), std::move(node.relative_path),
                          std::move(node.body));
}

unsigned scan_threads(std::size_t files) {
  unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  std::size_t useful = files / kFilesPerThread + 1;
  return static_cast<unsigned>(std::min<std::size_t>({cores, useful, 8}));
}

}  // namespace

Status GraphIndex::rescan() {
  entries_.clear();
  paths_.clear();
  const std::vector<std::filesystem::path> files = find_node_files(root_path_);
  entries_.reserve(files.size());
  paths_.reserve(files.size());

  std::vector<Prepared> prepared(files.size());
  std::atomic<std::size_t> next{0};
  // Workers stop early once any file failed: only the entries before the first
  // failure in walk order are inserted, and that failure is reported.
  std::atomic<bool> failed{false};
  auto work = [&] {
    for (;;) {
      std::size_t k = next.fetch_add(1, std::memory_order_relaxed);
      if (k >= files.size() || failed.load(std::memory_order_relaxed)) return;
      prepared[k].emplace(prepare_entry(files[k], root_path_));
      if (!*prepared[k]) failed.store(true, std::memory_order_relaxed);
    }
  };
  unsigned threads = scan_threads(files.size());
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (std::thread& thread : pool) thread.join();

  for (std::size_t k = 0; k < files.size(); ++k) {
    // A slot left empty after a failure elsewhere is prepared now, in order.
    if (!prepared[k]) prepared[k].emplace(prepare_entry(files[k], root_path_));
    Result<NodeIndexEntry>& entry = *prepared[k];
    if (!entry) return fail(std::move(entry.error()));
    LW_RETURN_IF_ERROR(insert_prepared(std::move(*entry)));
    prepared[k].reset();
  }
  // The scan freed one file buffer per node; hand that memory back.
  ::malloc_trim(0);
  return {};
}

}  // namespace lorewood
