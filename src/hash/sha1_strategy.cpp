#include "hash/sha1_strategy.h"

namespace brisvane {

using namespace modCommon;

std::vector<Word> SHA1Strategy::InitializeHash() const {
  return {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
}

Word SHA1Strategy::Expand(std::span<const Word> w, int t) const {
  return RotateLeft(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
}

void SHA1Strategy::Round(int t, std::span<Word> work, Word w) const {
  const Word a = work[0], b = work[1], c = work[2], d = work[3], e = work[4];
  Word f, k;
  if (t < 20) {
    f = (b & c) | (~b & d);
    k = 0x5A827999u;
  } else if (t < 40) {
    f = b ^ c ^ d;
    k = 0x6ED9EBA1u;
  } else if (t < 60) {
    f = (b & c) | (b & d) | (c & d);
    k = 0x8F1BBCDCu;
  } else {
    f = b ^ c ^ d;
    k = 0xCA62C1D6u;
  }
  const Word temp = AddWords(AddWords(AddWords(AddWords(RotateLeft(a, 5), f), e), k), w);
  work[4] = d;
  work[3] = c;
  work[2] = RotateLeft(b, 30);
  work[1] = a;
  work[0] = temp;
}

std::string SHA1Strategy::Output(std::span<const Word> hash) const { return WordsToHex(hash.first(5)); }

}  // namespace brisvane
