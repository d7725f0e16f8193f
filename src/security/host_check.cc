#include "security/host_check.h"

#include <arpa/inet.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace lorewood {
namespace {

using Ipv4 = std::array<std::uint8_t, 4>;
using Ipv6 = std::array<std::uint8_t, 16>;

std::unexpected<LorewoodError> refuse(std::string text) {
  return fail(LorewoodError::lakehouse(std::move(text)));
}

std::unexpected<LorewoodError> missing_host(std::string_view uri) {
  return refuse("invalid HTTP URI (missing host): " + std::string(uri));
}

std::optional<std::string_view> strip_http_prefix(std::string_view uri) {
  for (std::string_view prefix : {std::string_view("http://"), std::string_view("https://")})
    if (uri.starts_with(prefix)) return uri.substr(prefix.size());
  return std::nullopt;
}

// The authority ends where the path, the query or the fragment begins, so that
// "http://127.0.0.1#@example.com" is judged by the host a client would contact.
std::string_view authority_of(std::string_view rest) {
  return rest.substr(0, rest.find_first_of("/?#"));
}

// The host text of an authority without user information: a bracketed literal
// up to its ']', or the text before the port.
std::string_view host_of(std::string_view authority) {
  std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);
  if (authority.starts_with('[')) {
    std::size_t close = authority.find(']');
    return close == std::string_view::npos ? authority : authority.substr(0, close + 1);
  }
  return authority.substr(0, authority.find(':'));
}

std::string_view strip_brackets(std::string_view host) {
  while (!host.empty() && (host.front() == '[' || host.front() == ']')) host.remove_prefix(1);
  while (!host.empty() && (host.back() == '[' || host.back() == ']')) host.remove_suffix(1);
  return host;
}

bool equals_ignoring_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool is_refused_ipv4(const Ipv4& a) {
  return a[0] == 0 || a[0] == 10 || a[0] == 127 || (a[0] == 169 && a[1] == 254) ||
         (a[0] == 172 && (a[1] & 0xF0) == 16) || (a[0] == 192 && a[1] == 168) ||
         (a[0] == 255 && a[1] == 255 && a[2] == 255 && a[3] == 255);
}

bool is_refused_ipv6(const Ipv6& a) {
  bool zero_head = true;
  for (std::size_t i = 0; i < 15; ++i) zero_head = zero_head && a[i] == 0;
  if (zero_head && (a[15] == 0 || a[15] == 1)) return true;  // :: and ::1
  if ((a[0] & 0xFE) == 0xFC) return true;                    // fc00::/7
  if (a[0] == 0xFE && (a[1] & 0xC0) == 0x80) return true;    // fe80::/10
  // ::ffff:a.b.c.d names the IPv4 host a.b.c.d.
  bool mapped = a[10] == 0xFF && a[11] == 0xFF;
  for (std::size_t i = 0; i < 10; ++i) mapped = mapped && a[i] == 0;
  return mapped && is_refused_ipv4(Ipv4{a[12], a[13], a[14], a[15]});
}

// nullopt when `host` is not an IP literal; otherwise whether it is refused.
// An IPv6 zone ("fe80::1%eth0") names an interface, not another host, so the
// address before it is judged.
std::optional<bool> judge_ip_literal(std::string_view host) {
  std::string text(host);
  Ipv4 v4;
  if (::inet_pton(AF_INET, text.c_str(), v4.data()) == 1) return is_refused_ipv4(v4);
  Ipv6 v6;
  if (::inet_pton(AF_INET6, text.c_str(), v6.data()) == 1) return is_refused_ipv6(v6);
  std::size_t zone = text.find('%');
  if (zone != std::string::npos && zone > 0) {
    text.resize(zone);
    if (::inet_pton(AF_INET6, text.c_str(), v6.data()) == 1) return is_refused_ipv6(v6);
  }
  return std::nullopt;
}

}  // namespace

Status validate_http_uri_host(std::string_view uri) {
  std::optional<std::string_view> rest = strip_http_prefix(uri);
  if (!rest) return missing_host(uri);
  std::string_view raw_host = host_of(authority_of(*rest));
  if (raw_host.empty()) return missing_host(uri);
  std::string_view host = strip_brackets(raw_host);
  // "http://[]/" names no host either.
  if (host.empty()) return missing_host(uri);

  if (equals_ignoring_ascii_case(host, "localhost"))
    return refuse("HTTP URI host `" + std::string(host) + "` is not allowed (loopback)");
  if (std::optional<bool> refused = judge_ip_literal(host)) {
    if (*refused)
      return refuse("HTTP URI host `" + std::string(host) +
                    "` is not allowed (private or loopback address)");
    return {};
  }
  if (host.ends_with(".local") || host.ends_with(".localhost"))
    return refuse("HTTP URI host `" + std::string(host) + "` is not allowed");
  return {};
}

}  // namespace lorewood
