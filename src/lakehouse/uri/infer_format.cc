#include "lakehouse/uri/infer_format.h"

#include "lakehouse/uri/uri_scheme.h"

namespace lorewood {

std::string infer_format(std::string_view uri, std::span<const RemoteSource> remote_sources) {
  std::string_view path = uri;
  if (uri_scheme(uri)) path = uri.substr(uri.find("://") + 3);
  if (path.ends_with(".parquet")) return "parquet";
  if (path.ends_with(".json")) return "json";
  if (path.ends_with(".csv")) return "csv";
  for (const RemoteSource& source : remote_sources)
    if (uri.starts_with(source.uri)) return source.format;
  return "unknown";
}

}  // namespace lorewood
