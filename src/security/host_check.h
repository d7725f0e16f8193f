// The HTTP host check: keeps http:// and https:// content URIs away from the
// local machine and private networks. Text only; no name is resolved.
//
//   validate_http_uri_host("https://example.com/a.csv")    -> ok
//   validate_http_uri_host("http://user@127.0.0.1:8080/")  -> Lakehouse error (loopback address)
#pragma once

#include <string_view>

#include "error/lorewood_error.h"

namespace lorewood {

// Accepts a URI whose host is a public name or a public IP address literal.
// Refuses, as Lakehouse errors: a URI not starting with "http://" or "https://",
// a missing host, localhost in any letter case, loopback, private, link-local
// and unspecified IPv4 and IPv6 literals (IPv4-mapped IPv6 forms included),
// 255.255.255.255, and names ending in ".local" or ".localhost".
Status validate_http_uri_host(std::string_view uri);

}  // namespace lorewood
