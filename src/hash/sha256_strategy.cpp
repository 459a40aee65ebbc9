#include "hash/sha256_strategy.h"

namespace brisvane {

using namespace modCommon;

namespace {
constexpr std::array<Word, 64> kSha256RoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
}  // namespace

SHA256Strategy::SHA256Strategy() : k_(kSha256RoundConstants) {}

std::vector<Word> SHA256Strategy::InitializeHash() const {
  return {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
}

Word SHA256Strategy::Expand(std::span<const Word> w, int t) const {
  return AddWords(AddWords(AddWords(SmallSigma1(w[t - 2]), w[t - 7]), SmallSigma0(w[t - 15])), w[t - 16]);
}

void SHA256Strategy::Round(int t, std::span<Word> work, Word w) const {
  const Word a = work[0], b = work[1], c = work[2], d = work[3];
  const Word e = work[4], f = work[5], g = work[6], h = work[7];
  const Word t1 = AddWords(AddWords(AddWords(AddWords(h, BigSigma1(e)), Ch(e, f, g)), k_.at(t)), w);
  const Word t2 = AddWords(BigSigma0(a), Maj(a, b, c));
  work[7] = g;
  work[6] = f;
  work[5] = e;
  work[4] = AddWords(d, t1);
  work[3] = c;
  work[2] = b;
  work[1] = a;
  work[0] = AddWords(t1, t2);
}

std::string SHA256Strategy::Output(std::span<const Word> hash) const { return WordsToHex(hash.first(8)); }

SHA224Strategy::SHA224Strategy() : inner_(std::make_unique<SHA256Strategy>()) {}

std::vector<Word> SHA224Strategy::InitializeHash() const {
  return {0xc1059ed8, 0x367cd507, 0x3070dd17, 0xf70e5939, 0xffc00b31, 0x68581511, 0x64f98fa7, 0xbefa4fa4};
}
Word SHA224Strategy::Expand(std::span<const Word> schedule, int t) const { return inner_->Expand(schedule, t); }
void SHA224Strategy::Round(int t, std::span<Word> work, Word w) const { inner_->Round(t, work, w); }
int SHA224Strategy::NumRounds() const { return inner_->NumRounds(); }
bool SHA224Strategy::CompressBlocks(Word* hash, const std::uint8_t* blocks, std::size_t count) const {
  return inner_->CompressBlocks(hash, blocks, count);
}
std::string SHA224Strategy::Output(std::span<const Word> hash) const { return WordsToHex(hash.first(7)); }

}  // namespace brisvane
