#include <cstdint>
#include <cstring>

#include "error/display_path.h"

namespace lorewood {
namespace {

// Length of the well-formed UTF-8 sequence at `p` (bytes available: `n`), or 0
// when it is ill-formed. `*bad` receives how many bytes form the maximal
// ill-formed prefix (at least 1) in that case.
std::size_t sequence_length(const unsigned char* p, std::size_t n, std::size_t* bad) {
  unsigned char c = p[0];
  *bad = 1;
  if (c < 0x80) return 1;
  std::size_t need;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    need = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  for (std::size_t k = 1; k < need; ++k) {
    if (k >= n) return 0;
    unsigned char b = p[k];
    unsigned char l = k == 1 ? lo : 0x80, h = k == 1 ? hi : 0xBF;
    if (b < l || b > h) return 0;
    *bad = k + 1;
  }
  return need;
}

bool chunk_is_ascii(const unsigned char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return (word & 0x8080808080808080ULL) == 0;
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
  auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t n = bytes.size(), i = 0;
  while (i < n) {
    if (i + 8 <= n && chunk_is_ascii(p + i)) {
      i += 8;
      continue;
    }
    std::size_t bad;
    std::size_t len = sequence_length(p + i, n - i, &bad);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

std::string utf8_lossy(std::string_view bytes) {
  if (is_valid_utf8(bytes)) return std::string(bytes);
  auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t n = bytes.size(), i = 0;
  std::string out;
  out.reserve(n + 8);
  while (i < n) {
    std::size_t bad;
    std::size_t len = sequence_length(p + i, n - i, &bad);
    if (len == 0) {
      out += "\xEF\xBF\xBD";
      i += bad;
      continue;
    }
    out.append(bytes.substr(i, len));
    i += len;
  }
  return out;
}

}  // namespace lorewood
