// Per-object borrow discipline: any number of shared borrows or one exclusive.
//
// A `GraphIndex` object holds a BorrowFlag next to its index. Each method takes
// a guard for the length of the call; the guard releases on every return path.
//
//   SharedBorrow borrow(flag);
//   if (!borrow) return nullptr;   // RuntimeError "Already mutably borrowed"
//
// A conflict can only arise when Python code run during the call (argument
// conversion calling `__index__`, `__iter__`, ...) re-enters the same object,
// or from several threads in an interpreter without a global lock.
#pragma once

#include <atomic>
#include <cstdint>

namespace lorewood::python {

class BorrowFlag {
 public:
  // Adds a shared borrow; false when an exclusive borrow is held.
  bool try_share();
  void release_shared() { state_.fetch_sub(1, std::memory_order_release); }
  // Takes the exclusive borrow; false when any borrow is held.
  bool try_take_exclusive();
  void release_exclusive() { state_.store(0, std::memory_order_release); }

 private:
  static constexpr std::int64_t kExclusive = -1;
  // > 0: number of shared borrows; 0: free; kExclusive: exclusively borrowed.
  std::atomic<std::int64_t> state_{0};
};

// A shared borrow. When refused, raises RuntimeError "Already mutably borrowed"
// and converts to false.
class SharedBorrow {
 public:
  explicit SharedBorrow(BorrowFlag& flag);
  ~SharedBorrow();
  SharedBorrow(const SharedBorrow&) = delete;
  SharedBorrow& operator=(const SharedBorrow&) = delete;
  explicit operator bool() const { return flag_ != nullptr; }

 private:
  BorrowFlag* flag_;
};

// The exclusive borrow. When refused, raises RuntimeError "Already borrowed"
// and converts to false.
class ExclusiveBorrow {
 public:
  explicit ExclusiveBorrow(BorrowFlag& flag);
  ~ExclusiveBorrow();
  ExclusiveBorrow(const ExclusiveBorrow&) = delete;
  ExclusiveBorrow& operator=(const ExclusiveBorrow&) = delete;
  explicit operator bool() const { return flag_ != nullptr; }

 private:
  BorrowFlag* flag_;
};

}  // namespace lorewood::python
