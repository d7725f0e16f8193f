#include <gtest/gtest.h>

#include "batch/memory_batch_parse.h"

namespace lorewood {
namespace {

using memory_batch::Merge;
using memory_batch::Suppress;
using memory_batch::Unsuppress;
using memory_batch::Update;

// Stand-in for the binding's quoted form: enough to see where quoting happens.
std::string quote(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string refusal(const std::vector<MemoryBatchRecord>& records) {
  auto parsed = parse_memory_batch(records);
  return parsed ? "parsed" : parsed.error().message(quote);
}

TEST(MemoryBatchParse, RecordsBecomeOperationsInOrder) {
  const std::vector<MemoryBatchRecord> records = {
      {{"op", "update"}, {"id", "a"}, {"body", ""}, {"reason", "ignored"}},
      {{"reason", ""}, {"id", "b"}, {"op", "suppress"}},
      {{"op", "suppress"}, {"id", "c"}},
      {{"op", "unsuppress"}, {"id", "d"}, {"extra", "x"}},
      {{"op", "merge"}, {"source_id", "old"}, {"target_id", "keeper"}},
  };
  auto parsed = parse_memory_batch(records);
  ASSERT_TRUE(parsed);
  const std::vector<MemoryBatchOperation> expected = {
      Update{"a", ""}, Suppress{"b", ""}, Suppress{"c", std::nullopt}, Unsuppress{"d"},
      Merge{"keeper", "old"}};
  EXPECT_EQ(*parsed, expected);
  std::vector<std::string> labels;
  for (const auto& op : *parsed) labels.push_back(applied_label(op));
  EXPECT_EQ(labels, (std::vector<std::string>{"update:a", "suppress:b", "suppress:c", "unsuppress:d",
                                              "merge:old->keeper"}));
  EXPECT_TRUE(parse_memory_batch({})->empty());
}

TEST(MemoryBatchParse, FirstBadRecordIsRefused) {
  const std::vector<std::pair<std::vector<MemoryBatchRecord>, std::string>> cases = {
      {{{{"id", "a"}}}, "unknown memory batch operation \"\""},
      {{{{"op", "Update"}, {"id", "a"}, {"body", "b"}}}, "unknown memory batch operation \"Update\""},
      {{{{"op", "update "}}}, "unknown memory batch operation \"update \""},
      {{{{"op", "update"}}}, "memory batch \"update\" requires \"id\""},
      {{{{"op", "update"}, {"body", "x"}}}, "memory batch \"update\" requires \"id\""},
      {{{{"op", "update"}, {"id", "a"}}}, "memory batch \"update\" requires \"body\""},
      {{{{"op", "suppress"}, {"reason", "r"}}}, "memory batch \"suppress\" requires \"id\""},
      {{{{"op", "unsuppress"}}}, "memory batch \"unsuppress\" requires \"id\""},
      {{{{"op", "merge"}, {"source_id", "s"}}}, "memory batch \"merge\" requires \"target_id\""},
      {{{{"op", "merge"}, {"target_id", "t"}}}, "memory batch \"merge\" requires \"source_id\""},
      // The first bad record wins, wherever it is.
      {{{{"op", "unsuppress"}, {"id", "a"}}, {{"op", "rename"}}, {{"op", "merge"}}},
       "unknown memory batch operation \"rename\""},
  };
  for (const auto& [records, message] : cases) EXPECT_EQ(refusal(records), message);

  auto parsed = parse_memory_batch(std::vector<MemoryBatchRecord>{
      {{"op", "unsuppress"}, {"id", "a"}}, {{"op", "merge"}, {"target_id", "t"}}});
  ASSERT_FALSE(parsed);
  EXPECT_EQ(parsed.error().record, 1u);
  EXPECT_EQ(parsed.error().reason, MemoryBatchParseError::Reason::MissingKey);
  EXPECT_EQ(parsed.error().operation, "merge");
  EXPECT_EQ(parsed.error().key, "source_id");
}

}  // namespace
}  // namespace lorewood
