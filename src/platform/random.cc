#include "platform/random.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace lorewood::platform {
namespace {

void fill_random(void* out, std::size_t size) {
  auto* bytes = static_cast<unsigned char*>(out);
  std::size_t done = 0;
  while (done < size) {
    ssize_t got = getrandom(bytes + done, size - done, 0);
    if (got > 0) {
      done += static_cast<std::size_t>(got);
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    // The kernel generator is unavailable: fall back to the library's device.
    std::random_device device;
    for (; done < size; ++done) bytes[done] = static_cast<unsigned char>(device());
  }
}

}  // namespace

std::uint64_t random_u64() {
  std::uint64_t value;
  fill_random(&value, sizeof value);
  return value;
}

std::string random_alphanumeric(std::size_t count) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string out;
  out.reserve(count);
  while (out.size() < count) {
    unsigned char byte;
    fill_random(&byte, 1);
    if (byte >= 248) continue;  // 248 = 4 * 62: keep the choice uniform
    out += kAlphabet[byte % 62];
  }
  return out;
}

std::string uuid_v4() {
  unsigned char b[16];
  fill_random(b, sizeof b);
  b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
  char text[37];
  std::snprintf(text, sizeof text,
                "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[0],
                b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                b[14], b[15]);
  return std::string(text, 36);
}

}  // namespace lorewood::platform
