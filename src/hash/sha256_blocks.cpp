#include <bit>
#include <utility>

#include "hash/sha_blocks.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace brisvane {
namespace {

// FIPS 180-4 section 4.2.2.
constexpr Word kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

inline Word Ch(Word x, Word y, Word z) { return z ^ (x & (y ^ z)); }
inline Word Maj(Word x, Word y, Word z) { return ((y ^ z) & x) ^ (y & z); }
inline Word BigSigma0(Word x) { return std::rotr(x, 2) ^ std::rotr(x, 13) ^ std::rotr(x, 22); }
inline Word BigSigma1(Word x) { return std::rotr(x, 6) ^ std::rotr(x, 11) ^ std::rotr(x, 25); }
inline Word SmallSigma0(Word x) { return std::rotr(x, 7) ^ std::rotr(x, 18) ^ (x >> 3); }
inline Word SmallSigma1(Word x) { return std::rotr(x, 17) ^ std::rotr(x, 19) ^ (x >> 10); }

}  // namespace

void Sha256BlocksPortable(Word* hash, const std::uint8_t* blocks, std::size_t count) {
  const Word* k = kRoundConstants;
  for (; count > 0; --count, blocks += 64) {
    // The schedule lives in a 16-word ring: W(t) replaces W(t-16).
    Word w[16];
    for (int i = 0; i < 16; ++i) w[i] = LoadBigEndian(blocks + 4 * i);
    Word a = hash[0], b = hash[1], c = hash[2], d = hash[3], e = hash[4], f = hash[5], g = hash[6], h = hash[7];

#define BRISVANE_SHA256_W(t)                                                                          \
  ((t) < 16 ? w[(t) & 15]                                                                             \
            : (w[(t) & 15] += SmallSigma1(w[((t) + 14) & 15]) + w[((t) + 9) & 15] + SmallSigma0(w[((t) + 1) & 15])))
    // Instead of moving the eight words each round, the names rotate between calls.
#define BRISVANE_SHA256_ROUND(a, b, c, d, e, f, g, h, t)                                 \
  {                                                                                       \
    const Word t1 = h + BigSigma1(e) + Ch(e, f, g) + k[t] + BRISVANE_SHA256_W(t);        \
    d += t1;                                                                              \
    h = t1 + BigSigma0(a) + Maj(a, b, c);                                                 \
  }
#define BRISVANE_SHA256_EIGHT(t)                            \
  BRISVANE_SHA256_ROUND(a, b, c, d, e, f, g, h, (t))     \
  BRISVANE_SHA256_ROUND(h, a, b, c, d, e, f, g, (t) + 1) \
  BRISVANE_SHA256_ROUND(g, h, a, b, c, d, e, f, (t) + 2) \
  BRISVANE_SHA256_ROUND(f, g, h, a, b, c, d, e, (t) + 3) \
  BRISVANE_SHA256_ROUND(e, f, g, h, a, b, c, d, (t) + 4) \
  BRISVANE_SHA256_ROUND(d, e, f, g, h, a, b, c, (t) + 5) \
  BRISVANE_SHA256_ROUND(c, d, e, f, g, h, a, b, (t) + 6) \
  BRISVANE_SHA256_ROUND(b, c, d, e, f, g, h, a, (t) + 7)

    BRISVANE_SHA256_EIGHT(0)
    BRISVANE_SHA256_EIGHT(8)
    BRISVANE_SHA256_EIGHT(16)
    BRISVANE_SHA256_EIGHT(24)
    BRISVANE_SHA256_EIGHT(32)
    BRISVANE_SHA256_EIGHT(40)
    BRISVANE_SHA256_EIGHT(48)
    BRISVANE_SHA256_EIGHT(56)

#undef BRISVANE_SHA256_EIGHT
#undef BRISVANE_SHA256_ROUND
#undef BRISVANE_SHA256_W

    hash[0] += a;
    hash[1] += b;
    hash[2] += c;
    hash[3] += d;
    hash[4] += e;
    hash[5] += f;
    hash[6] += g;
    hash[7] += h;
  }
}

#if defined(__x86_64__) && defined(__GNUC__)
namespace {

// Four rounds (group g = 0..15) with the SHA extensions, two per sha256rnds2. msg[g % 4] holds W(4g..4g+3);
// while it is in use, the schedule for later groups is advanced (msg2 and msg1 over fixed ranges of groups).
template <int G>
__attribute__((target("sha,sse4.1"), always_inline)) inline void Sha256NiGroup(__m128i& abef, __m128i& cdgh,
                                                                              __m128i (&msg)[4]) {
  __m128i wk = _mm_add_epi32(msg[G & 3],
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(kRoundConstants + 4 * G)));
  cdgh = _mm_sha256rnds2_epu32(cdgh, abef, wk);
  if constexpr (G >= 3 && G <= 14) {
    const __m128i w_minus_7 = _mm_alignr_epi8(msg[G & 3], msg[(G + 3) & 3], 4);
    msg[(G + 1) & 3] = _mm_sha256msg2_epu32(_mm_add_epi32(msg[(G + 1) & 3], w_minus_7), msg[G & 3]);
  }
  wk = _mm_shuffle_epi32(wk, 0x0E);
  abef = _mm_sha256rnds2_epu32(abef, cdgh, wk);
  if constexpr (G >= 1 && G <= 12) msg[(G + 3) & 3] = _mm_sha256msg1_epu32(msg[(G + 3) & 3], msg[G & 3]);
}

template <int... G>
__attribute__((target("sha,sse4.1"), always_inline)) inline void Sha256NiGroups(
    __m128i& abef, __m128i& cdgh, __m128i (&msg)[4], std::integer_sequence<int, G...>) {
  (Sha256NiGroup<G>(abef, cdgh, msg), ...);
}

}  // namespace

__attribute__((target("sha,sse4.1"))) void Sha256BlocksShaNi(Word* hash, const std::uint8_t* blocks,
                                                              std::size_t count) {
  const __m128i byte_swap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  // The instructions keep the state as the pairs ABEF and CDGH.
  const __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hash));
  const __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hash + 4));
  const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
  const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);

  for (; count > 0; --count, blocks += 64) {
    const __m128i abef_saved = abef;
    const __m128i cdgh_saved = cdgh;
    __m128i msg[4];
    for (int i = 0; i < 4; ++i)
      msg[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), byte_swap);
    Sha256NiGroups(abef, cdgh, msg, std::make_integer_sequence<int, 16>{});
    abef = _mm_add_epi32(abef, abef_saved);
    cdgh = _mm_add_epi32(cdgh, cdgh_saved);
  }

  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(hash), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(hash + 4), _mm_alignr_epi8(dchg, feba, 8));
}
#endif

}  // namespace brisvane
