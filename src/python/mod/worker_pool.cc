// The process-wide worker pool: a queue and threads that drain it.
#include "worker_pool.h"

#include <pthread.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace lorewood::python {
namespace {

// Enough threads that a few slow file reads do not hold up traversals, without
// oversubscribing a small machine.
unsigned pool_size() {
  const unsigned hardware = std::thread::hardware_concurrency();
  return std::clamp(hardware, 4u, 16u);
}

class WorkerPool {
 public:
  void submit(PoolJob job) {
    std::unique_lock lock(mutex_);
    start_threads_locked();
    queue_.push_back(std::move(job));
    lock.unlock();
    wakeup_.notify_one();
  }

 private:
  // Starts the threads once. A partial start keeps the threads that did start;
  // with none at all the error propagates.
  void start_threads_locked() {
    if (started_) return;
    const unsigned wanted = pool_size();
    for (unsigned i = 0; i < wanted; ++i) {
      try {
        std::thread(&WorkerPool::run, this).detach();
      } catch (const std::system_error&) {
        if (i == 0) throw;
        break;
      }
    }
    started_ = true;
  }

  void run() {
    for (;;) {
      PoolJob job;
      {
        std::unique_lock lock(mutex_);
        wakeup_.wait(lock, [this] { return !queue_.empty(); });
        job = std::move(queue_.front());
        queue_.pop_front();
      }
      job();
    }
  }

  std::mutex mutex_;
  std::condition_variable wakeup_;
  std::deque<PoolJob> queue_;
  bool started_ = false;
};

// Never destroyed: detached threads keep using it until the process ends.
WorkerPool* g_pool = nullptr;

// A forked child has none of the parent's threads and may have inherited the
// queue's lock held: it starts over with a fresh pool (the old one is leaked,
// together with the parent's queued jobs).
void reset_pool_in_child() { g_pool = new WorkerPool(); }

WorkerPool& pool() {
  static const bool once = [] {
    g_pool = new WorkerPool();
    pthread_atfork(nullptr, nullptr, reset_pool_in_child);
    return true;
  }();
  (void)once;
  return *g_pool;
}

}  // namespace

void submit_to_worker_pool(PoolJob job) { pool().submit(std::move(job)); }

}  // namespace lorewood::python
