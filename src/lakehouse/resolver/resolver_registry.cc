#include "lakehouse/resolver/resolver_registry.h"

#include <string>

#include "lakehouse/resolver/http_resolver.h"
#include "lakehouse/resolver/s3_stub_resolver.h"

namespace lorewood {

ResolverRegistry ResolverRegistry::with_file_allowlist(FileAllowlist allowlist) {
  ResolverRegistry registry;
  registry.resolvers_.push_back(std::make_shared<const FileResolver>(std::move(allowlist)));
  registry.resolvers_.push_back(std::make_shared<const HttpResolver>());
  registry.resolvers_.push_back(std::make_shared<const S3StubResolver>());
  return registry;
}

Result<ResolvedContent> ResolverRegistry::fetch(std::string_view uri,
                                                std::string_view format_hint) const {
  for (const auto& resolver : resolvers_)
    if (resolver->supports(uri)) return resolver->fetch(uri, format_hint);
  return fail(LorewoodError::content_resolve(std::string(uri), "no resolver registered for URI scheme"));
}

}  // namespace lorewood
