#include "wikilink/wikilink.h"

#include <gtest/gtest.h>

#include <ostream>

namespace lorewood {
namespace {

using Targets = std::vector<std::string>;

struct Case {
  // Shown in failure output instead of the raw bytes.
  friend void PrintTo(const Case& c, std::ostream* os) { *os << '"' << c.body << '"'; }

  const char* body;
  Targets expected;
};

class WikilinkTable : public ::testing::TestWithParam<Case> {};

TEST_P(WikilinkTable, ExtractsTargets) {
  EXPECT_EQ(extract_wikilink_targets(GetParam().body), GetParam().expected) << GetParam().body;
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, WikilinkTable,
    ::testing::Values(
        Case{"[[a]] then [[a|Alias]] then [[a#Heading]]", {"a"}},
        Case{"[[ b ]] [[|x]] [[#h]] [[]] [[   ]]", {"b"}},
        Case{"[[A]] [[a]]", {"A", "a"}},
        Case{"[[a without close", {}},
        Case{"[[a [[b]]", {"a [[b"}},
        Case{"[[[a]]]", {"[a"}},
        Case{"```\n[[hidden]]\n``` and `[[inline]]`", {"inline"}},
        Case{"```lang [[hidden]]``` [[shown]]", {"shown"}},
        Case{"``` never closed [[seen]]", {"seen"}},
        Case{"[[two\nlines ]]", {"two\nlines"}},
        Case{"[[Caf\xC3\xA9]]", {"Caf\xC3\xA9"}},
        Case{"[[x#h|alias]] [[y|a#b]]", {"x", "y"}},
        Case{"", {}},
        Case{"[[]", {}},
        Case{"[[z]] [[b]] [[z]]", {"z", "b"}}));

TEST(Wikilink, ManyOpeningsWithoutCloseStayLinear) {
  std::string body;
  for (int i = 0; i < 200000; ++i) body += "[[x ```";
  EXPECT_TRUE(extract_wikilink_targets(body).empty());
}

}  // namespace
}  // namespace lorewood
