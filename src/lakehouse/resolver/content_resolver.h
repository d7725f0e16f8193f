// ContentResolver: turns a resolved URI of one scheme family into content.
#pragma once

#include <span>
#include <string_view>

#include "error/lorewood_error.h"
#include "lakehouse/content/resolved_content.h"

namespace lorewood {

class ContentResolver {
 public:
  virtual ~ContentResolver() = default;

  // The scheme names this resolver serves.
  virtual std::span<const std::string_view> schemes() const = 0;

  // True when the URI's scheme is exactly one of `schemes()`.
  bool supports(std::string_view uri) const;

  // The content behind `uri`; `format_hint` is the format the caller inferred.
  // Holds no mutable state, so concurrent fetches are safe.
  virtual Result<ResolvedContent> fetch(std::string_view uri, std::string_view format_hint) const = 0;
};

}  // namespace lorewood
