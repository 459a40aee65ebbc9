#include "hash/sha256_strategy.h"

namespace brisvane {

using namespace modCommon;

SHA256Strategy::SHA256Strategy(BlockFunction blocks) : k_(kSha256RoundConstants), blocks_(blocks) {}

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

SHA224Strategy::SHA224Strategy(BlockFunction blocks) : inner_(std::make_unique<SHA256Strategy>(blocks)) {}

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
