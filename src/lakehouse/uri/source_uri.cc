#include "lakehouse/uri/source_uri.h"

#include "lakehouse/uri/uri_scheme.h"
#include "platform/unicode_text.h"
#include "security/host_check.h"

namespace lorewood {
namespace {

std::string_view without_trailing_slashes(std::string_view text) {
  while (text.ends_with('/')) text.remove_suffix(1);
  return text;
}

std::string_view without_leading_slashes(std::string_view text) {
  while (text.starts_with('/')) text.remove_prefix(1);
  return text;
}

}  // namespace

const RemoteSource& pick_remote_base(std::string_view source,
                                     std::span<const RemoteSource> remote_sources) {
  const RemoteSource* best = nullptr;
  for (const RemoteSource& candidate : remote_sources) {
    if (!source.starts_with(without_trailing_slashes(candidate.uri))) continue;
    if (best == nullptr || candidate.uri.size() >= best->uri.size()) best = &candidate;
  }
  return best != nullptr ? *best : remote_sources.front();
}

Result<std::string> resolve_source_uri(std::string_view source,
                                       std::span<const RemoteSource> remote_sources) {
  std::string_view trimmed = trim_unicode_whitespace(source);
  if (trimmed.empty()) return fail(LorewoodError::lakehouse("source must not be empty"));

  if (std::optional<std::string_view> scheme = uri_scheme(trimmed)) {
    if (*scheme == "http" || *scheme == "https") {
      LW_RETURN_IF_ERROR(validate_http_uri_host(trimmed));
      return std::string(trimmed);
    }
    if (*scheme == "file" || *scheme == "s3") return std::string(trimmed);
    return fail(LorewoodError::scheme_not_allowed(std::string(*scheme)));
  }

  if (remote_sources.empty())
    return fail(LorewoodError::lakehouse(
        "relative source requires at least one [lakehouse].remote_sources entry"));
  std::string_view base = without_trailing_slashes(pick_remote_base(trimmed, remote_sources).uri);
  std::string_view relative = without_leading_slashes(trimmed);
  std::string uri;
  uri.reserve(base.size() + 1 + relative.size());
  uri.append(base).append("/").append(relative);
  return uri;
}

}  // namespace lorewood
