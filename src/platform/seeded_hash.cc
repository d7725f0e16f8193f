#include "platform/seeded_hash.h"

#include <cstring>

#include "platform/random.h"

namespace lorewood {
namespace {

inline std::uint64_t rotl(std::uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

struct SipState {
  std::uint64_t v0, v1, v2, v3;
  void round() {
    v0 += v1; v1 = rotl(v1, 13); v1 ^= v0; v0 = rotl(v0, 32);
    v2 += v3; v3 = rotl(v3, 16); v3 ^= v2;
    v0 += v3; v3 = rotl(v3, 21); v3 ^= v0;
    v2 += v1; v1 = rotl(v1, 17); v1 ^= v2; v2 = rotl(v2, 32);
  }
  void absorb(std::uint64_t m) {
    v3 ^= m;
    round();
    v0 ^= m;
  }
};

struct ProcessSeed {
  std::uint64_t k0 = platform::random_u64();
  std::uint64_t k1 = platform::random_u64();
};

const ProcessSeed& process_seed() {
  static const ProcessSeed seed;
  return seed;
}

}  // namespace

std::uint64_t siphash13(std::string_view bytes, std::uint64_t k0, std::uint64_t k1) {
  SipState s{k0 ^ 0x736f6d6570736575ULL, k1 ^ 0x646f72616e646f6dULL,
             k0 ^ 0x6c7967656e657261ULL, k1 ^ 0x7465646279746573ULL};
  const std::size_t n = bytes.size();
  const char* p = bytes.data();
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t m;
    std::memcpy(&m, p + i, 8);
    s.absorb(m);
  }
  std::uint64_t last = static_cast<std::uint64_t>(n) << 56;
  for (std::size_t k = 0; i + k < n; ++k)
    last |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i + k])) << (8 * k);
  s.absorb(last);
  s.v2 ^= 0xff;
  s.round();
  s.round();
  s.round();
  return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

std::size_t SeededHash::operator()(std::string_view s) const {
  const ProcessSeed& seed = process_seed();
  return static_cast<std::size_t>(siphash13(s, seed.k0, seed.k1));
}

}  // namespace lorewood
