#include <bit>
#include <utility>

#include "hash/sha_blocks.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace brisvane {
namespace {

// The round functions in forms that need fewer operations than the textbook ones, same values.
inline Word Choose(Word b, Word c, Word d) { return d ^ (b & (c ^ d)); }
inline Word Parity(Word b, Word c, Word d) { return b ^ c ^ d; }
inline Word Majority(Word b, Word c, Word d) { return (b & c) | (d & (b | c)); }

}  // namespace

void Sha1BlocksPortable(Word* hash, const std::uint8_t* blocks, std::size_t count) {
  Word h0 = hash[0], h1 = hash[1], h2 = hash[2], h3 = hash[3], h4 = hash[4];
  for (; count > 0; --count, blocks += 64) {
    // The schedule lives in a 16-word ring: W(t) replaces W(t-16).
    Word w[16];
    for (int i = 0; i < 16; ++i) w[i] = LoadBigEndian(blocks + 4 * i);
    Word a = h0, b = h1, c = h2, d = h3, e = h4;

#define BRISVANE_SHA1_W(t)                                                                       \
  ((t) < 16 ? w[(t) & 15]                                                                        \
            : (w[(t) & 15] = std::rotl(w[((t) + 13) & 15] ^ w[((t) + 8) & 15] ^ w[((t) + 2) & 15] ^ \
                                           w[(t) & 15],                                          \
                                       1)))
    // Instead of moving the five words each round, the names rotate between calls.
#define BRISVANE_SHA1_ROUND(a, b, c, d, e, f, k, t)            \
  e += std::rotl(a, 5) + f(b, c, d) + (k) + BRISVANE_SHA1_W(t); \
  b = std::rotl(b, 30);
#define BRISVANE_SHA1_FIVE(f, k, t)                   \
  BRISVANE_SHA1_ROUND(a, b, c, d, e, f, k, (t))     \
  BRISVANE_SHA1_ROUND(e, a, b, c, d, f, k, (t) + 1) \
  BRISVANE_SHA1_ROUND(d, e, a, b, c, f, k, (t) + 2) \
  BRISVANE_SHA1_ROUND(c, d, e, a, b, f, k, (t) + 3) \
  BRISVANE_SHA1_ROUND(b, c, d, e, a, f, k, (t) + 4)

    BRISVANE_SHA1_FIVE(Choose, 0x5A827999u, 0)
    BRISVANE_SHA1_FIVE(Choose, 0x5A827999u, 5)
    BRISVANE_SHA1_FIVE(Choose, 0x5A827999u, 10)
    BRISVANE_SHA1_FIVE(Choose, 0x5A827999u, 15)
    BRISVANE_SHA1_FIVE(Parity, 0x6ED9EBA1u, 20)
    BRISVANE_SHA1_FIVE(Parity, 0x6ED9EBA1u, 25)
    BRISVANE_SHA1_FIVE(Parity, 0x6ED9EBA1u, 30)
    BRISVANE_SHA1_FIVE(Parity, 0x6ED9EBA1u, 35)
    BRISVANE_SHA1_FIVE(Majority, 0x8F1BBCDCu, 40)
    BRISVANE_SHA1_FIVE(Majority, 0x8F1BBCDCu, 45)
    BRISVANE_SHA1_FIVE(Majority, 0x8F1BBCDCu, 50)
    BRISVANE_SHA1_FIVE(Majority, 0x8F1BBCDCu, 55)
    BRISVANE_SHA1_FIVE(Parity, 0xCA62C1D6u, 60)
    BRISVANE_SHA1_FIVE(Parity, 0xCA62C1D6u, 65)
    BRISVANE_SHA1_FIVE(Parity, 0xCA62C1D6u, 70)
    BRISVANE_SHA1_FIVE(Parity, 0xCA62C1D6u, 75)

#undef BRISVANE_SHA1_FIVE
#undef BRISVANE_SHA1_ROUND
#undef BRISVANE_SHA1_W

    h0 += a;
    h1 += b;
    h2 += c;
    h3 += d;
    h4 += e;
  }
  hash[0] = h0;
  hash[1] = h1;
  hash[2] = h2;
  hash[3] = h3;
  hash[4] = h4;
}

#if defined(__x86_64__) && defined(__GNUC__)
namespace {

// Four rounds (group g = 0..19) with the SHA extensions. msg[g % 4] holds W(4g..4g+3); while it is in use,
// the schedule for later groups is advanced (msg1, xor, msg2 each run over a fixed range of groups).
// e[g % 2] carries E for this group; the other one keeps ABCD for the next group's E.
template <int G>
__attribute__((target("sha,sse4.1"), always_inline)) inline void Sha1NiGroup(__m128i& abcd, __m128i (&e)[2],
                                                                            __m128i (&msg)[4]) {
  constexpr int kCur = G & 1;
  if constexpr (G == 0)
    e[0] = _mm_add_epi32(e[0], msg[0]);
  else
    e[kCur] = _mm_sha1nexte_epu32(e[kCur], msg[G & 3]);
  e[kCur ^ 1] = abcd;
  if constexpr (G >= 3 && G <= 18) msg[(G + 1) & 3] = _mm_sha1msg2_epu32(msg[(G + 1) & 3], msg[G & 3]);
  abcd = _mm_sha1rnds4_epu32(abcd, e[kCur], G / 5);
  if constexpr (G >= 1 && G <= 16) msg[(G + 3) & 3] = _mm_sha1msg1_epu32(msg[(G + 3) & 3], msg[G & 3]);
  if constexpr (G >= 2 && G <= 17) msg[(G + 2) & 3] = _mm_xor_si128(msg[(G + 2) & 3], msg[G & 3]);
}

template <int... G>
__attribute__((target("sha,sse4.1"), always_inline)) inline void Sha1NiGroups(
    __m128i& abcd, __m128i (&e)[2], __m128i (&msg)[4], std::integer_sequence<int, G...>) {
  (Sha1NiGroup<G>(abcd, e, msg), ...);
}

}  // namespace

__attribute__((target("sha,sse4.1"))) void Sha1BlocksShaNi(Word* hash, const std::uint8_t* blocks,
                                                            std::size_t count) {
  // Words are big-endian in memory; reversing all 16 bytes also puts W(0) in the top lane, as the
  // instructions want.
  const __m128i byte_swap = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(hash)), 0x1B);
  __m128i e0 = _mm_set_epi32(static_cast<int>(hash[4]), 0, 0, 0);

  for (; count > 0; --count, blocks += 64) {
    const __m128i abcd_saved = abcd;
    const __m128i e_saved = e0;
    __m128i msg[4];
    for (int i = 0; i < 4; ++i)
      msg[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), byte_swap);
    __m128i e[2] = {e0, _mm_setzero_si128()};
    Sha1NiGroups(abcd, e, msg, std::make_integer_sequence<int, 20>{});
    e0 = _mm_sha1nexte_epu32(e[0], e_saved);
    abcd = _mm_add_epi32(abcd, abcd_saved);
  }

  _mm_storeu_si128(reinterpret_cast<__m128i*>(hash), _mm_shuffle_epi32(abcd, 0x1B));
  hash[4] = static_cast<Word>(_mm_extract_epi32(e0, 3));
}
#endif

}  // namespace brisvane
