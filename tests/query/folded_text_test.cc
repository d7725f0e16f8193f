#include "query/folded_text.h"

#include <gtest/gtest.h>

#include <random>

#include "query/field_scoring.h"

namespace lorewood {
namespace {

// What the matcher must agree with: fold a copy, then find.
bool reference_found(std::string_view text, std::string_view folded_query) {
  return fold_ascii(text).find(folded_query) != std::string::npos;
}

TEST(FoldedText, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(fold_ascii("GRAPH-Notes_1 @[Z]"), "graph-notes_1 @[z]");
  // Bytes next to the letter ranges and non-ASCII text are unchanged.
  EXPECT_EQ(fold_ascii("@[`{\xC3\x89\xC3\xA9"), "@[`{\xC3\x89\xC3\xA9");
  EXPECT_TRUE(equal_folded("Research", "RESEARCH"));
  EXPECT_FALSE(equal_folded("\xC3\x89", "\xC3\xA9"));  // É and é
  EXPECT_FALSE(equal_folded("@", "`"));                 // differ only in bit 0x20
}

TEST(FoldedText, FindsCaseInsensitively) {
  FoldedPattern graph(fold_ascii("GRAPH"));
  EXPECT_TRUE(graph.found_in("A Graph of notes"));
  EXPECT_FALSE(graph.found_in("grap h"));
  EXPECT_FALSE(graph.found_in(""));
  // Only ASCII folds: upper-case É does not find lower-case é.
  EXPECT_FALSE(FoldedPattern(fold_ascii("\xC3\x89")).found_in("caf\xC3\xA9"));
  // Letter masks must not make a non-letter match its 0x20 neighbour.
  EXPECT_FALSE(FoldedPattern("[x@").found_in("{x`"));
  EXPECT_TRUE(FoldedPattern("").found_in(""));
  EXPECT_TRUE(FoldedPattern(" ").found_in("a b"));
}

// Random texts over a small alphabet (so that matches are frequent) and every
// length around the 16-byte blocks: the block scan and its tail must agree
// with the plain definition.
TEST(FoldedText, AgreesWithFoldThenFindOnRandomTexts) {
  std::mt19937 rng(12345);
  const std::string alphabet = "aAbB@`[{\xC3\xA9 ";
  auto random_text = [&](std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += alphabet[rng() % alphabet.size()];
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    std::string text = random_text(rng() % 70);
    std::string query = fold_ascii(random_text(1 + rng() % 4));
    ASSERT_EQ(FoldedPattern(query).found_in(text), reference_found(text, query))
        << "text '" << text << "' query '" << query << "'";
  }
}

TEST(FoldedText, MatchAtTheVeryEndOfALongText) {
  std::string text(1000, 'x');
  text += "Needle";
  EXPECT_TRUE(FoldedPattern("needle").found_in(text));
  EXPECT_FALSE(FoldedPattern("needles").found_in(text));
  // A text view that ends before the match must not see past its end.
  EXPECT_FALSE(FoldedPattern("needle").found_in(std::string_view(text).substr(0, 1005)));
}

TEST(ScoreText, AppendsLabelOnMatchOnly) {
  std::vector<std::string> matched;
  EXPECT_EQ(score_text("Deploy notes", "deploy", 6, "body", matched), 6);
  EXPECT_EQ(score_text("nothing", "deploy", 6, "body", matched), 0);
  EXPECT_EQ(score_text("", "", 4, "frontmatter", matched), 4);
  EXPECT_EQ(score_text("", "x", 4, "frontmatter", matched), 0);
  EXPECT_EQ(matched, (std::vector<std::string>{"body", "frontmatter"}));
}

}  // namespace
}  // namespace lorewood
