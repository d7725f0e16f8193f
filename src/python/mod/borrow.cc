// Borrow flags and guards.
#include "borrow.h"

#include "python_api.h"

namespace lorewood::python {

bool BorrowFlag::try_share() {
  std::int64_t current = state_.load(std::memory_order_relaxed);
  while (current != kExclusive) {
    if (state_.compare_exchange_weak(current, current + 1, std::memory_order_acquire)) {
      return true;
    }
  }
  return false;
}

bool BorrowFlag::try_take_exclusive() {
  std::int64_t expected = 0;
  return state_.compare_exchange_strong(expected, kExclusive, std::memory_order_acquire);
}

SharedBorrow::SharedBorrow(BorrowFlag& flag) : flag_(&flag) {
  if (!flag.try_share()) {
    flag_ = nullptr;
    PyErr_SetString(PyExc_RuntimeError, "Already mutably borrowed");
  }
}

SharedBorrow::~SharedBorrow() {
  if (flag_ != nullptr) flag_->release_shared();
}

ExclusiveBorrow::ExclusiveBorrow(BorrowFlag& flag) : flag_(&flag) {
  if (!flag.try_take_exclusive()) {
    flag_ = nullptr;
    PyErr_SetString(PyExc_RuntimeError, "Already borrowed");
  }
}

ExclusiveBorrow::~ExclusiveBorrow() {
  if (flag_ != nullptr) flag_->release_exclusive();
}

}  // namespace lorewood::python
