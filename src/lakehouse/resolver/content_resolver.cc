#include "lakehouse/resolver/content_resolver.h"

#include "lakehouse/uri/uri_scheme.h"

namespace lorewood {

bool ContentResolver::supports(std::string_view uri) const {
  std::optional<std::string_view> scheme = uri_scheme(uri);
  if (!scheme) return false;
  for (std::string_view served : schemes())
    if (*scheme == served) return true;
  return false;
}

}  // namespace lorewood
