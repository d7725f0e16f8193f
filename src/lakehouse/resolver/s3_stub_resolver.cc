#include "lakehouse/resolver/s3_stub_resolver.h"

#include <array>
#include <string>

#include "lakehouse/uri/infer_format.h"

namespace lorewood {
namespace {

constexpr std::string_view kS3Prefix = "s3://";

std::unexpected<LorewoodError> resolve_failure(std::string_view uri, std::string text) {
  return fail(LorewoodError::content_resolve(std::string(uri), std::move(text)));
}

}  // namespace

std::span<const std::string_view> S3StubResolver::schemes() const {
  static constexpr std::array<std::string_view, 1> kSchemes{"s3"};
  return kSchemes;
}

Result<ResolvedContent> S3StubResolver::fetch(std::string_view uri,
                                              std::string_view format_hint) const {
  std::string format = format_hint == "unknown" ? infer_format(uri) : std::string(format_hint);
  if (uri.size() <= 4 || !uri.starts_with(kS3Prefix)) return resolve_failure(uri, "invalid s3 URI");
  std::string_view rest = uri.substr(kS3Prefix.size());
  std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return resolve_failure(uri, "s3 URI must be s3://bucket/key");
  std::string_view bucket = rest.substr(0, slash);
  std::string_view key = rest.substr(slash + 1);
  if (bucket.empty() || key.empty()) return resolve_failure(uri, "s3 bucket and key must not be empty");

  ExternalAsset asset{std::string(uri), std::move(format), std::nullopt, std::nullopt, std::nullopt};
  if (asset.format == "parquet") asset.parquet_magic_valid = false;
  asset.snippet = "s3://" + std::string(bucket) + "/" + std::string(key) +
                  " (stub resolver \u2014 metadata only)";
  return ResolvedContent::external(std::move(asset));
}

}  // namespace lorewood
