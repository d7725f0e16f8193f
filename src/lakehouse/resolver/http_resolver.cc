#include "lakehouse/resolver/http_resolver.h"

#include <array>
#include <string>

#include "lakehouse/uri/uri_scheme.h"
#include "security/host_check.h"

namespace lorewood {

std::span<const std::string_view> HttpResolver::schemes() const {
  static constexpr std::array<std::string_view, 2> kSchemes{"http", "https"};
  return kSchemes;
}

Result<ResolvedContent> HttpResolver::fetch(std::string_view uri,
                                            std::string_view format_hint) const {
  LW_RETURN_IF_ERROR(validate_scheme(uri_scheme(uri).value_or("http")));
  LW_RETURN_IF_ERROR(validate_http_uri_host(uri));
  return ResolvedContent::external(ExternalAsset{std::string(uri), std::string(format_hint),
                                                 std::nullopt, std::nullopt,
                                                 std::string(kHttpFetchDisabledSnippet)});
}

}  // namespace lorewood
