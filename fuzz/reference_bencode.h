#pragma once
// A small strict bencode reader, written apart from the decoder so that the two can check each other:
// recursive descent over exactly one value that must cover the whole input. The fuzz target holds the
// decoder to it.
#include <cstddef>
#include <string_view>

namespace brisvane::testing::reference {

struct Result {
  enum class Kind {
    Malformed,  // not exactly one well-formed value
    TooDeep,    // deeper than this reader goes; no opinion
    NoInfo,     // well-formed, but the root is no dictionary or has no "info" key
    Refused,    // the root's "info" is not a dictionary, or the root has two "info" keys
    Info,       // exactly one "info" key in the root, and its value is a dictionary
  };
  Kind kind = Kind::Malformed;
  std::size_t info_offset = 0;
  std::size_t info_length = 0;
};

class Reader {
 public:
  Reader(std::string_view text, int max_depth) : text_(text), max_depth_(max_depth) {}

  Result Read() {
    if (!Value(0) || at_ != text_.size()) return {too_deep_ ? Result::Kind::TooDeep : Result::Kind::Malformed};
    if (info_keys_ == 0) return {Result::Kind::NoInfo};
    if (info_keys_ > 1 || text_[info_begin_] != 'd') return {Result::Kind::Refused};
    return {Result::Kind::Info, info_begin_, info_end_ - info_begin_};
  }

 private:
  bool Value(int depth) {
    if (depth > max_depth_) {
      too_deep_ = true;
      return false;
    }
    if (Accept('i')) {
      Accept('-');
      const std::size_t digits = at_;
      while (at_ < text_.size() && IsDigit(text_[at_])) ++at_;
      return at_ != digits && Accept('e');
    }
    if (Accept('l')) {
      while (!Accept('e'))
        if (!Value(depth + 1)) return false;
      return true;
    }
    if (Accept('d')) {
      while (!Accept('e')) {
        std::string_view key;
        if (!String(&key)) return false;
        const std::size_t value_begin = at_;
        if (!Value(depth + 1)) return false;
        if (depth == 0 && key == "info") {
          ++info_keys_;
          info_begin_ = value_begin;
          info_end_ = at_;
        }
      }
      return true;
    }
    return String(nullptr);
  }

  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  bool Accept(char c) {
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }

  bool String(std::string_view* out) {
    std::size_t length = 0;
    const std::size_t digits = at_;
    for (; at_ < text_.size() && IsDigit(text_[at_]); ++at_) {
      if (length > text_.size()) return false;  // longer than the input anyway; stop before overflow
      length = length * 10 + static_cast<std::size_t>(text_[at_] - '0');
    }
    if (at_ == digits || !Accept(':') || length > text_.size() - at_) return false;
    if (out) *out = text_.substr(at_, length);
    at_ += length;
    return true;
  }

  std::string_view text_;
  int max_depth_;
  std::size_t at_ = 0;
  bool too_deep_ = false;
  int info_keys_ = 0;
  std::size_t info_begin_ = 0;
  std::size_t info_end_ = 0;
};

inline Result Read(std::string_view text, int max_depth = 256) { return Reader(text, max_depth).Read(); }

}  // namespace brisvane::testing::reference
