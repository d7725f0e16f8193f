#include "query/folded_text.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace lorewood {

namespace {

constexpr unsigned char fold_byte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c | 0x20) : c;
}

constexpr unsigned char letter_mask(unsigned char folded) {
  return (folded >= 'a' && folded <= 'z') ? 0x20 : 0;
}

// Whether `needle` occurs at `at` once folded (the caller checked the bounds).
bool matches_folded(const char* at, std::string_view needle) {
  for (std::size_t j = 0; j < needle.size(); ++j)
    if (fold_byte(static_cast<unsigned char>(at[j])) != static_cast<unsigned char>(needle[j]))
      return false;
  return true;
}

}  // namespace

std::string fold_ascii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(fold_byte(static_cast<unsigned char>(c)));
  return out;
}

bool equal_folded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold_byte(static_cast<unsigned char>(a[i])) != fold_byte(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

FoldedPattern::FoldedPattern(std::string folded) : folded_(std::move(folded)) {
  if (folded_.empty()) return;
  first_mask_ = letter_mask(static_cast<unsigned char>(folded_.front()));
  last_mask_ = letter_mask(static_cast<unsigned char>(folded_.back()));
}

bool FoldedPattern::found_scalar(std::string_view text, std::size_t from) const {
  const std::size_t m = folded_.size();
  const unsigned char first = static_cast<unsigned char>(folded_.front());
  for (std::size_t i = from; i + m <= text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) | first_mask_) != first) continue;
    if (matches_folded(text.data() + i, folded_)) return true;
  }
  return false;
}

namespace {

// Block scans: each tests 16 or 32 candidate positions at once. A position
// survives when both its first and its last byte match (folded by OR-ing the
// letter mask), and only survivors are compared in full. Each scan returns
// true on a match, or false with `i` at the first position it did not test.
struct Needle {
  std::string_view text;
  unsigned char first_mask, last_mask;
};

bool verify_candidates(std::uint32_t bits, const char* block, std::string_view needle) {
  while (bits != 0) {
    if (matches_folded(block + std::countr_zero(bits), needle)) return true;
    bits &= bits - 1;
  }
  return false;
}

#if defined(__x86_64__)
bool scan_sse2(std::string_view text, const Needle& n, std::size_t& i) {
  const std::size_t m = n.text.size();
  const std::size_t last_start = text.size() - m;
  const __m128i first = _mm_set1_epi8(n.text.front());
  const __m128i last = _mm_set1_epi8(n.text.back());
  const __m128i first_mask = _mm_set1_epi8(static_cast<char>(n.first_mask));
  const __m128i last_mask = _mm_set1_epi8(static_cast<char>(n.last_mask));
  for (; i + 16 <= last_start + 1; i += 16) {
    const char* block = text.data() + i;
    __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
    __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + m - 1));
    __m128i hits = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(head, first_mask), first),
                                 _mm_cmpeq_epi8(_mm_or_si128(tail, last_mask), last));
    auto bits = static_cast<std::uint32_t>(_mm_movemask_epi8(hits));
    if (bits != 0 && verify_candidates(bits, block, n.text)) return true;
  }
  return false;
}

__attribute__((target("avx2"))) bool scan_avx2(std::string_view text, const Needle& n,
                                               std::size_t& i) {
  const std::size_t m = n.text.size();
  const std::size_t last_start = text.size() - m;
  const __m256i first = _mm256_set1_epi8(n.text.front());
  const __m256i last = _mm256_set1_epi8(n.text.back());
  const __m256i first_mask = _mm256_set1_epi8(static_cast<char>(n.first_mask));
  const __m256i last_mask = _mm256_set1_epi8(static_cast<char>(n.last_mask));
  for (; i + 32 <= last_start + 1; i += 32) {
    const char* block = text.data() + i;
    __m256i head = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
    __m256i tail = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + m - 1));
    __m256i hits = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(head, first_mask), first),
                                    _mm256_cmpeq_epi8(_mm256_or_si256(tail, last_mask), last));
    auto bits = static_cast<std::uint32_t>(_mm256_movemask_epi8(hits));
    if (bits != 0 && verify_candidates(bits, block, n.text)) return true;
  }
  return false;
}

bool has_avx2() {
  static const bool supported = __builtin_cpu_supports("avx2");
  return supported;
}
#endif

}  // namespace

bool FoldedPattern::found_in(std::string_view text) const {
  const std::size_t m = folded_.size();
  if (m == 0) return true;
  if (text.size() < m) return false;
  std::size_t i = 0;
#if defined(__x86_64__)
  const Needle needle{folded_, first_mask_, last_mask_};
  if (has_avx2() && scan_avx2(text, needle, i)) return true;
  if (scan_sse2(text, needle, i)) return true;  // what the wide scan left
#endif
  return found_scalar(text, i);
}

}  // namespace lorewood
