#include "batch/memory_batch_parse.h"

#include <optional>

namespace lorewood {
namespace {

using ParseResult = std::expected<MemoryBatchOperation, MemoryBatchParseError>;

// The value of the first pair with `key`, or nullptr.
const std::string* find_value(const MemoryBatchRecord& record, std::string_view key) {
  for (const auto& [k, v] : record)
    if (k == key) return &v;
  return nullptr;
}

// Looks up the required keys of one record in order; the first missing one is
// reported.
class RecordReader {
 public:
  RecordReader(const MemoryBatchRecord& record, std::size_t position, std::string_view op)
      : record_(record), position_(position), op_(op) {}

  // Copies out the value of `key`, or remembers it as missing (first only).
  std::string require(std::string_view key) {
    if (missing_) return {};
    if (const std::string* value = find_value(record_, key)) return *value;
    missing_ = std::string(key);
    return {};
  }

  std::optional<std::string> optional(std::string_view key) const {
    if (const std::string* value = find_value(record_, key)) return *value;
    return std::nullopt;
  }

  ParseResult finish(MemoryBatchOperation op) const {
    if (!missing_) return op;
    return std::unexpected(MemoryBatchParseError{MemoryBatchParseError::Reason::MissingKey,
                                                 position_, std::string(op_), *missing_});
  }

 private:
  const MemoryBatchRecord& record_;
  std::size_t position_;
  std::string_view op_;
  std::optional<std::string> missing_;
};

ParseResult parse_record(const MemoryBatchRecord& record, std::size_t position) {
  const std::string* op_value = find_value(record, "op");
  const std::string_view op = op_value ? std::string_view(*op_value) : std::string_view();
  RecordReader reader(record, position, op);
  if (op == "update") {
    std::string id = reader.require("id");
    std::string body = reader.require("body");
    return reader.finish(memory_batch::Update{std::move(id), std::move(body)});
  }
  if (op == "suppress") {
    std::string id = reader.require("id");
    return reader.finish(memory_batch::Suppress{std::move(id), reader.optional("reason")});
  }
  if (op == "unsuppress") return reader.finish(memory_batch::Unsuppress{reader.require("id")});
  if (op == "merge") {
    std::string target = reader.require("target_id");
    std::string source = reader.require("source_id");
    return reader.finish(memory_batch::Merge{std::move(target), std::move(source)});
  }
  return std::unexpected(MemoryBatchParseError{MemoryBatchParseError::Reason::UnknownOperation,
                                               position, std::string(op), {}});
}

}  // namespace

std::expected<std::vector<MemoryBatchOperation>, MemoryBatchParseError> parse_memory_batch(
    std::span<const MemoryBatchRecord> records) {
  std::vector<MemoryBatchOperation> operations;
  operations.reserve(records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    ParseResult op = parse_record(records[i], i);
    if (!op) return std::unexpected(std::move(op.error()));
    operations.push_back(std::move(*op));
  }
  return operations;
}

}  // namespace lorewood
