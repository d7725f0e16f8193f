#include "security/host_check.h"

#include <gtest/gtest.h>

#include <string>

namespace lorewood {
namespace {

struct HostCase {
  const char* uri;
  const char* refusal;  // the text after "lakehouse error: ", nullptr when accepted
};

class HttpHostCheck : public ::testing::TestWithParam<HostCase> {};

TEST_P(HttpHostCheck, Judges) {
  Status status = validate_http_uri_host(GetParam().uri);
  if (GetParam().refusal == nullptr) {
    EXPECT_TRUE(status) << GetParam().uri << ": " << status.error().message();
    return;
  }
  ASSERT_FALSE(status) << GetParam().uri;
  EXPECT_EQ(status.error().kind(), ErrorKind::Lakehouse);
  EXPECT_EQ(status.error().message(), std::string("lakehouse error: ") + GetParam().refusal);
}

#define PRIVATE(host) "HTTP URI host `" host "` is not allowed (private or loopback address)"

INSTANTIATE_TEST_SUITE_P(
    Refused, HttpHostCheck,
    ::testing::Values(
        HostCase{"http://localhost/", "HTTP URI host `localhost` is not allowed (loopback)"},
        HostCase{"https://LOCALHOST:8443/x", "HTTP URI host `LOCALHOST` is not allowed (loopback)"},
        HostCase{"http://[localhost]/", "HTTP URI host `localhost` is not allowed (loopback)"},
        HostCase{"http://127.0.0.1/", PRIVATE("127.0.0.1")},
        HostCase{"http://127.255.255.254:80/", PRIVATE("127.255.255.254")},
        HostCase{"http://10.1.2.3/", PRIVATE("10.1.2.3")},
        HostCase{"http://172.16.0.1/", PRIVATE("172.16.0.1")},
        HostCase{"http://172.31.0.1/", PRIVATE("172.31.0.1")},
        HostCase{"http://192.168.1.1/", PRIVATE("192.168.1.1")},
        HostCase{"http://169.254.0.1/", PRIVATE("169.254.0.1")},
        HostCase{"http://0.0.0.0/", PRIVATE("0.0.0.0")},
        HostCase{"http://0.1.2.3/", PRIVATE("0.1.2.3")},
        HostCase{"http://255.255.255.255/", PRIVATE("255.255.255.255")},
        HostCase{"http://[::1]/", PRIVATE("::1")},
        HostCase{"http://[::1]:8080/", PRIVATE("::1")},
        HostCase{"http://[0:0:0:0:0:0:0:1]/", PRIVATE("0:0:0:0:0:0:0:1")},
        HostCase{"http://[::]/", PRIVATE("::")},
        HostCase{"http://[fe80::1]/", PRIVATE("fe80::1")},
        HostCase{"http://[febf::1]/", PRIVATE("febf::1")},
        HostCase{"http://[fd00::1]/", PRIVATE("fd00::1")},
        HostCase{"http://[FC00::1]/", PRIVATE("FC00::1")},
        // The IPv4-mapped forms name the same IPv4 hosts.
        HostCase{"http://[::ffff:127.0.0.1]/", PRIVATE("::ffff:127.0.0.1")},
        HostCase{"http://[::ffff:7f00:1]/", PRIVATE("::ffff:7f00:1")},
        HostCase{"http://[::FFFF:10.0.0.1]/", PRIVATE("::FFFF:10.0.0.1")},
        HostCase{"http://[0:0:0:0:0:ffff:c0a8:101]/", PRIVATE("0:0:0:0:0:ffff:c0a8:101")},
        HostCase{"http://[::ffff:169.254.169.254]/", PRIVATE("::ffff:169.254.169.254")},
        HostCase{"http://[::ffff:0.0.0.0]/", PRIVATE("::ffff:0.0.0.0")},
        HostCase{"http://[::ffff:255.255.255.255]/", PRIVATE("::ffff:255.255.255.255")},
        // A zone names an interface of the same link-local host.
        HostCase{"http://[fe80::1%25eth0]/", PRIVATE("fe80::1%25eth0")},
        HostCase{"http://printer.local/", "HTTP URI host `printer.local` is not allowed"},
        HostCase{"http://app.localhost:3000/", "HTTP URI host `app.localhost` is not allowed"},
        // User information is not the host; the host after the last '@' is.
        HostCase{"http://example.com@127.0.0.1/", PRIVATE("127.0.0.1")},
        HostCase{"http://a@b@[::1]/", PRIVATE("::1")},
        // The authority ends at the query or fragment, as for any client.
        HostCase{"http://127.0.0.1#@example.com/", PRIVATE("127.0.0.1")},
        HostCase{"http://127.0.0.1?@example.com/", PRIVATE("127.0.0.1")},
        HostCase{"http:///path", "invalid HTTP URI (missing host): http:///path"},
        HostCase{"http://", "invalid HTTP URI (missing host): http://"},
        HostCase{"https://user@/x", "invalid HTTP URI (missing host): https://user@/x"},
        HostCase{"http://:8080/", "invalid HTTP URI (missing host): http://:8080/"},
        HostCase{"http://[]/", "invalid HTTP URI (missing host): http://[]/"},
        HostCase{"HTTP://example.com/", "invalid HTTP URI (missing host): HTTP://example.com/"},
        HostCase{"ftp://example.com/", "invalid HTTP URI (missing host): ftp://example.com/"}));

INSTANTIATE_TEST_SUITE_P(
    Accepted, HttpHostCheck,
    ::testing::Values(HostCase{"http://172.32.0.1/", nullptr}, HostCase{"http://172.15.0.1/", nullptr},
                      HostCase{"http://192.169.0.1/", nullptr}, HostCase{"http://169.255.0.1/", nullptr},
                      HostCase{"http://100.64.0.1/", nullptr},  // carrier-grade NAT is not refused
                      HostCase{"http://224.0.0.1/", nullptr},
                      HostCase{"http://[2001:db8::1]/", nullptr},
                      HostCase{"http://[fec0::1]/", nullptr},
                      HostCase{"http://[::ffff:8.8.8.8]/", nullptr},
                      HostCase{"https://example.com/a.csv", nullptr},
                      HostCase{"https://example.com:8443", nullptr},
                      HostCase{"http://127.0.0.1@example.com/", nullptr},
                      HostCase{"http://printer.LOCAL/", nullptr},
                      HostCase{"http://localhost.example.com/", nullptr},
                      HostCase{"http://example.com?next=127.0.0.1", nullptr}));

}  // namespace
}  // namespace lorewood
