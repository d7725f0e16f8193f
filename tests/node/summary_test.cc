#include "query/summary.h"

#include <gtest/gtest.h>

namespace lorewood {
namespace {

TEST(Summary, TakesFirstThreeNonBlankLines) {
  EXPECT_EQ(summarize_text("\n\n  \nA\n\nB\r\nC\nD"), "A\nB\nC");
  EXPECT_EQ(summarize_text("  indented  \nnext\n"), "  indented  \nnext");
  EXPECT_EQ(summarize_text("one\ntwo"), "one\ntwo");
}

TEST(Summary, BlankTextsGiveEmptySummary) {
  EXPECT_EQ(summarize_text(""), "");
  EXPECT_EQ(summarize_text("\n \t\n\xE3\x80\x80\n"), "");  // U+3000 is white space
}

TEST(Summary, CapCountsCharactersNotBytes) {
  EXPECT_EQ(summarize_text(std::string(300, 'x')), std::string(280, 'x'));
  std::string accented;
  for (int i = 0; i < 280; ++i) accented += "\xC3\xA9";
  EXPECT_EQ(summarize_text(accented), accented);
  EXPECT_EQ(summarize_text(accented + "\xC3\xA9"), accented);
}

}  // namespace
}  // namespace lorewood
