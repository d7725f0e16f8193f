// ResolverRegistry: the resolvers of a reader, asked in a fixed order.
//
//   ResolverRegistry registry = ResolverRegistry::with_file_allowlist(allowlist);
//   Result<ResolvedContent> content = registry.fetch("file:///data/lake/a.csv", "csv");
#pragma once

#include <memory>
#include <vector>

#include "lakehouse/resolver/content_resolver.h"
#include "lakehouse/resolver/file_resolver.h"

namespace lorewood {

class ResolverRegistry {
 public:
  // FileResolver (holding `allowlist`), HttpResolver, S3StubResolver, in order.
  static ResolverRegistry with_file_allowlist(FileAllowlist allowlist);

  // The first resolver that supports the URI fetches it; its result is returned
  // as it comes. ContentResolve "no resolver registered for URI scheme" when
  // none does (there is no fallback to another scheme).
  Result<ResolvedContent> fetch(std::string_view uri, std::string_view format_hint) const;

  const std::vector<std::shared_ptr<const ContentResolver>>& resolvers() const { return resolvers_; }

 private:
  // Resolvers are stateless after construction; sharing them keeps the
  // registry cheap to copy.
  std::vector<std::shared_ptr<const ContentResolver>> resolvers_;
};

}  // namespace lorewood
