// Wikilink extraction: [[target]], [[target#heading]], [[target|alias]].
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lorewood {

// The distinct link targets of a body, in order of first occurrence. Links
// inside fenced code blocks are ignored. Never fails.
std::vector<std::string> extract_wikilink_targets(std::string_view body);

}  // namespace lorewood
