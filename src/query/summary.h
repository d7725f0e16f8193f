// Node summaries: the first three non-blank lines of a body, capped at 280
// characters.
#pragma once

#include <string>
#include <string_view>

namespace lorewood {

std::string summarize_text(std::string_view text);

}  // namespace lorewood
