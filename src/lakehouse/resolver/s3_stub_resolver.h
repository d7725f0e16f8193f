// S3StubResolver: describes an s3://bucket/key URI from its text alone.
#pragma once

#include "lakehouse/resolver/content_resolver.h"

namespace lorewood {

class S3StubResolver final : public ContentResolver {
 public:
  std::span<const std::string_view> schemes() const override;

  // ContentResolve for a URI that is not s3://bucket/key with both parts
  // non-empty; otherwise an "external_asset" naming bucket and key. Nothing is
  // contacted.
  Result<ResolvedContent> fetch(std::string_view uri, std::string_view format_hint) const override;
};

}  // namespace lorewood
