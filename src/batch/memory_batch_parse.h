// Parsing memory batch records (mappings of text to text, as the Python layer
// hands them over) into operations.
//
//   std::vector<MemoryBatchRecord> records = {{{"op", "update"}, {"id", "a"}, {"body", "x"}}};
//   auto ops = parse_memory_batch(records);
//   if (!ops) refuse(ops.error().message(quoted_form));
//
// A parse failure is a refusal of the caller's argument, not a LorewoodError:
// the Python layer raises it as ValueError. Its message quotes the offending
// values; the quoting function is passed in by the caller, which owns the one
// quoted-form implementation (it needs the Unicode tables of the binding).
#pragma once

#include <cstddef>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "batch/memory_batch_operation.h"

namespace lorewood {

// One record: its (key, value) pairs. Keys are expected to be unique; the first
// pair with a key wins.
using MemoryBatchRecord = std::vector<std::pair<std::string, std::string>>;

struct MemoryBatchParseError {
  enum class Reason {
    // `op` is missing (counts as "") or names no operation.
    UnknownOperation,
    // The operation lacks a required key.
    MissingKey,
  };

  Reason reason = Reason::UnknownOperation;
  // Position of the bad record in the list.
  std::size_t record = 0;
  // The record's `op` text as given ("" when absent).
  std::string operation;
  // The first required key that is missing (MissingKey only).
  std::string key;

  // "unknown memory batch operation {}" or "memory batch {} requires {}", each
  // placeholder filled with `quote(value)`.
  template <typename Quote>
  std::string message(Quote&& quote) const {
    if (reason == Reason::UnknownOperation) return "unknown memory batch operation " + quote(operation);
    return "memory batch " + quote(operation) + " requires " + quote(key);
  }

  bool operator==(const MemoryBatchParseError&) const = default;
};

// The operations in record order, or the first bad record's refusal. Keys that
// the operation does not read are ignored.
std::expected<std::vector<MemoryBatchOperation>, MemoryBatchParseError> parse_memory_batch(
    std::span<const MemoryBatchRecord> records);

}  // namespace lorewood
