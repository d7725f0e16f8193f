#include "lakehouse/uri/uri_scheme.h"

#include <array>
#include <string>

namespace lorewood {
namespace {

bool is_ascii_alnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

std::optional<std::string_view> uri_scheme(std::string_view uri) {
  std::size_t colon = uri.find(':');
  if (colon == std::string_view::npos || colon == 0) return std::nullopt;
  std::string_view scheme = uri.substr(0, colon);
  for (char c : scheme)
    if (!is_ascii_alnum(c)) return std::nullopt;
  if (uri.substr(colon + 1, 2) != "//") return std::nullopt;
  return scheme;
}

Status validate_scheme(std::string_view scheme) {
  constexpr std::array<std::string_view, 4> kAllowed{"s3", "file", "http", "https"};
  for (std::string_view allowed : kAllowed)
    if (scheme == allowed) return {};
  return fail(LorewoodError::scheme_not_allowed(std::string(scheme)));
}

}  // namespace lorewood
