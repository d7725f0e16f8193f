// HttpResolver: validates and records http(s) URIs; never fetches anything.
#pragma once

#include "lakehouse/resolver/content_resolver.h"

namespace lorewood {

inline constexpr std::string_view kHttpFetchDisabledSnippet =
    "HTTP fetch is not enabled in MVP; URI recorded for agent follow-up.";

class HttpResolver final : public ContentResolver {
 public:
  std::span<const std::string_view> schemes() const override;

  // SchemeNotAllowed or the host check's Lakehouse error; otherwise an
  // "external_asset" with the URI, the hint as format and a fixed snippet.
  Result<ResolvedContent> fetch(std::string_view uri, std::string_view format_hint) const override;
};

}  // namespace lorewood
