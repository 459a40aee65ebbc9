#include "app/torrent_decoder.h"

#include <cstdio>
#include <vector>

#include "hash/sha_digest.h"

namespace brisvane {
namespace {

enum class Kind : std::uint8_t { Dict, List, Integer };

struct Frame {
  Kind kind;
  bool at_value;  // dictionaries: the next item is a value, not a key
};

std::string ByteAt(std::uint8_t byte, std::size_t offset) {
  char text[64];
  std::snprintf(text, sizeof text, "byte 0x%02X at offset %zu", static_cast<unsigned>(byte), offset);
  return text;
}

class Scanner {
 public:
  Scanner(std::span<const std::uint8_t> bytes, const ScanHooks& hooks) : bytes_(bytes), hooks_(hooks) {}

  TorrentScan Run() {
    if (bytes_.empty()) return NotValid("the file is empty");
    std::size_t next_progress = kProgressInterval;
    for (pos_ = 0; pos_ < bytes_.size() && phase_ != Phase::Done; ++pos_) {
      if (pos_ >= next_progress) {
        if (hooks_.progress) hooks_.progress();
        next_progress = pos_ - pos_ % kProgressInterval + kProgressInterval;
      }
      Step(bytes_[pos_]);
    }
    return Finish();
  }

 private:
  // Seeking: no span yet. InSpan: inside the info dictionary. Tail: the span is closed and we read on
  // to the end of the outermost dictionary, only to find a second "info" key.
  enum class Phase { Seeking, InSpan, Tail, Done };
  enum class Halt { None, BadLength, PastEnd, TooDeep };
  enum class Verdict { None, InfoNotDict, InfoWithoutValue, SecondInfo };

  void Step(std::uint8_t byte) {
    switch (byte) {
      case 'd': Open(Kind::Dict); break;
      case 'l': Open(Kind::List); break;
      case 'i': Open(Kind::Integer); break;
      case 'e': Close(); break;
      case ':': Colon(); break;
      case '-':
        if (frames_.empty() || frames_.back().kind != Kind::Integer) Stray();
        break;
      default:
        if (byte < '0' || byte > '9') Stray();
        break;  // digits and stray bytes stay in the token, as a length prefix or integer would
    }
  }

  void Open(Kind kind) {
    token_begin_ = pos_ + 1;
    if (frames_.size() >= kMaxNestingDepth) return Stop(Halt::TooDeep, pos_);
    if (AtInfoTopLevel()) {
      // A container as a key or value of the info dictionary: only an integer "meta version" counts.
      meta_version_open_ = kind == Kind::Integer && frames_.back().at_value && info_key_ == InfoKey::MetaVersion;
      integer_begin_ = pos_ + 1;
      if (!frames_.back().at_value) info_key_ = InfoKey::Other;
    }
    const bool first_top_level = frames_.empty() && top_items_ == 0;
    const bool starts_span = BeginItem(kind == Kind::Dict, false, pos_);
    if (phase_ == Phase::Done) return;
    frames_.push_back({kind, false});
    if (first_top_level && kind == Kind::Dict) outer_dict_ = true;
    if (starts_span) {
      span_offset_ = pos_;
      span_depth_ = frames_.size();
      phase_ = Phase::InSpan;
    }
  }

  void Close() {
    token_begin_ = pos_ + 1;
    if (frames_.empty()) return;  // an 'e' with nothing open has always been let through
    if (frames_.size() == 1 && outer_dict_) {
      if (info_key_pending_) return Decide(Verdict::InfoWithoutValue, info_key_offset_);
      outer_dict_ = false;
      frames_.pop_back();
      if (phase_ == Phase::Tail) phase_ = Phase::Done;
      return;
    }
    if (meta_version_open_ && frames_.size() == span_depth_ + 1) {
      meta_version_open_ = false;
      facts_.meta_version_2 = pos_ - integer_begin_ == 1 && bytes_[integer_begin_] == '2';
    }
    if (phase_ == Phase::InSpan && frames_.size() == span_depth_) {
      span_length_ = pos_ - span_offset_ + 1;
      phase_ = bare_info_ ? Phase::Done : Phase::Tail;  // a bare span has no dictionary around it to finish
    }
    frames_.pop_back();
  }

  // A length prefix ends here. The string's bytes are skipped in one step, never looked at.
  void Colon() {
    if (token_begin_ == pos_) return Stray();
    const std::size_t prefix_offset = token_begin_;
    const std::size_t remaining = bytes_.size() - pos_ - 1;
    std::size_t length = 0;
    bool past_end = false;
    for (std::size_t at = token_begin_; at < pos_; ++at) {
      const std::uint8_t byte = bytes_[at];
      if (byte < '0' || byte > '9') return Stop(Halt::BadLength, prefix_offset);
      if (past_end) continue;  // keep checking that the rest are digits
      const std::size_t digit = byte - '0';
      if (length > remaining / 10 || digit > remaining - length * 10) {
        past_end = true;
      } else {
        length = length * 10 + digit;
      }
    }
    if (past_end) return Stop(Halt::PastEnd, prefix_offset);

    const std::string_view text(reinterpret_cast<const char*>(bytes_.data()) + pos_ + 1, length);
    if (!text.empty() && hooks_.on_string) hooks_.on_string(text);
    if (AtInfoTopLevel()) NoteInfoString(text);
    pos_ += length;  // the loop's step then moves past the string's last byte
    token_begin_ = pos_ + 1;
    BeginItem(false, text == "info", prefix_offset);
  }

  void Stray() {
    if (pos_ == 0) {
      not_torrent_ = true;
      phase_ = Phase::Done;
    } else if (phase_ == Phase::Tail) {
      phase_ = Phase::Done;  // the span is closed; what follows cannot take it away
    } else if (!error_) {
      error_ = true;
      error_offset_ = pos_;
    }
  }

  // Ends the scan. Past the span this only ends the look for a second "info" key: the span stands.
  void Stop(Halt why, std::size_t offset) {
    halt_ = why;
    halt_offset_ = offset;
    if (why != Halt::PastEnd && !error_) {
      error_ = true;
      error_offset_ = offset;
    }
    phase_ = Phase::Done;
  }

  void Decide(Verdict verdict, std::size_t offset) {
    verdict_ = verdict;
    verdict_offset_ = offset;
    phase_ = Phase::Done;
  }

  // True while the next item belongs to the info dictionary itself, not to anything inside it.
  bool AtInfoTopLevel() const {
    return phase_ == Phase::InSpan && frames_.size() == span_depth_ && frames_.back().kind == Kind::Dict;
  }

  // A string among the info dictionary's own keys and values.
  void NoteInfoString(std::string_view text) {
    if (frames_.back().at_value) {
      if (info_key_ == InfoKey::Name) facts_.name = std::string(text);
      return;
    }
    info_key_ = text == "meta version" ? InfoKey::MetaVersion
                : text == "pieces"     ? InfoKey::Pieces
                : text == "name"       ? InfoKey::Name
                                       : InfoKey::Other;
    if (info_key_ == InfoKey::Pieces) facts_.v1_pieces = true;
  }

  // Places one item (a completed string, or a container as it opens) in the container it belongs to.
  // Returns true when the item is a dictionary that opens the info span.
  bool BeginItem(bool is_dict, bool is_info_string, std::size_t offset) {
    if (frames_.empty()) {
      ++top_items_;
      if (top_items_ == 1) {
        first_is_info_ = is_info_string;
        return false;
      }
      // Brisvane has always hashed a file that is just "4:info" followed by the dictionary.
      bare_info_ = top_items_ == 2 && first_is_info_ && is_dict && phase_ == Phase::Seeking;
      return bare_info_;
    }
    Frame& frame = frames_.back();
    if (frame.kind != Kind::Dict) return false;
    const bool is_value = frame.at_value;
    frame.at_value = !frame.at_value;
    // Only the outermost dictionary's own keys count: an "info" anywhere deeper is a decoy.
    if (frames_.size() != 1 || !outer_dict_) return false;
    if (!is_value) {
      if (!is_info_string) return false;
      if (phase_ == Phase::Tail) {
        Decide(Verdict::SecondInfo, offset);  // clients differ on which of the two they open
      } else {
        info_key_pending_ = true;
        info_key_offset_ = offset;
      }
      return false;
    }
    if (!info_key_pending_) return false;
    info_key_pending_ = false;
    if (!is_dict) Decide(Verdict::InfoNotDict, offset);
    return is_dict;
  }

  TorrentScan NotValid(std::string problem) const {
    TorrentScan scan;
    scan.message = kNotValidTorrentMessage;
    scan.problem = std::move(problem);
    return scan;
  }

  TorrentScan Finish() const {
    switch (verdict_) {
      case Verdict::InfoNotDict:
        return NotValid("the info value at offset " + std::to_string(verdict_offset_) + " is not a dictionary");
      case Verdict::InfoWithoutValue:
        return NotValid("the info key at offset " + std::to_string(verdict_offset_) + " has no value");
      case Verdict::SecondInfo:
        return NotValid("a second info key at offset " + std::to_string(verdict_offset_));
      case Verdict::None:
        break;
    }
    if (not_torrent_) return NotValid("not bencoded: " + ByteAt(bytes_[0], 0));

    TorrentScan scan;
    if (span_length_ != 0) {
      scan.info = InfoSpan{span_offset_, span_length_};
      scan.facts = facts_;
      return scan;
    }
    if (error_) scan.message = kUnexpectedErrorMessage;
    const std::string at = std::to_string(halt_offset_);
    switch (halt_) {
      case Halt::BadLength:
        scan.problem = "the length prefix at offset " + at + " is not a number";
        break;
      case Halt::PastEnd:
        scan.problem = "the byte string at offset " + at + " runs past the end of the file";
        break;
      case Halt::TooDeep:
        scan.problem = "nesting deeper than " + std::to_string(kMaxNestingDepth) + " levels at offset " + at;
        break;
      case Halt::None:
        if (error_) {
          scan.problem = "unexpected " + ByteAt(bytes_[error_offset_], error_offset_);
        } else if (phase_ == Phase::InSpan) {
          scan.problem = "the info dictionary is not closed before the end of the file";
        } else {
          scan.problem = "no info dictionary";
        }
        break;
    }
    return scan;
  }

  std::span<const std::uint8_t> bytes_;
  const ScanHooks& hooks_;
  std::size_t pos_ = 0;
  std::size_t token_begin_ = 0;  // first byte of the current token (length prefix, integer digits, strays)
  std::vector<Frame> frames_;    // innermost last; on the heap, so depth never threatens the stack
  Phase phase_ = Phase::Seeking;

  std::size_t top_items_ = 0;
  bool first_is_info_ = false;
  bool bare_info_ = false;
  bool outer_dict_ = false;  // frames_[0] is the file's first value, a dictionary
  bool info_key_pending_ = false;
  std::size_t info_key_offset_ = 0;

  std::size_t span_offset_ = 0;
  std::size_t span_depth_ = 0;  // frames_.size() while the info dictionary is the innermost container
  std::size_t span_length_ = 0;

  // The info dictionary's own keys that tell the torrent's kind.
  enum class InfoKey { Other, MetaVersion, Pieces, Name };
  InfoKey info_key_ = InfoKey::Other;  // the key whose value comes next
  bool meta_version_open_ = false;     // inside the integer value of "meta version"
  std::size_t integer_begin_ = 0;
  InfoFacts facts_;

  bool not_torrent_ = false;
  bool error_ = false;
  std::size_t error_offset_ = 0;
  Halt halt_ = Halt::None;
  std::size_t halt_offset_ = 0;
  Verdict verdict_ = Verdict::None;
  std::size_t verdict_offset_ = 0;
};

}  // namespace

TorrentScan ParseTorrent(std::span<const std::uint8_t> bytes, const ScanHooks& hooks) {
  return Scanner(bytes, hooks).Run();
}

namespace {

struct Loaded {
  FileBytes bytes;
  std::string message;
  std::string problem;
};

Loaded Load(IFileSystem& fs, const std::string& path) {
  FileRead read = fs.ReadAll(path, kMaxTorrentFileBytes);
  Loaded loaded;
  switch (read.status) {
    case FileRead::Status::Ok:
      loaded.bytes = std::move(read.bytes);
      break;
    case FileRead::Status::NotFound:
      break;  // the scan of no bytes says the file is not a torrent
    case FileRead::Status::Unreadable:
      loaded.message = "The file could not be read: " + path + "\r\n" + read.error;
      loaded.problem = "cannot read " + path + ": " + read.error;
      break;
    case FileRead::Status::TooLarge:
      loaded.message = "The file is too large to be a torrent (over 1 GiB): " + path;
      loaded.problem = path + " is larger than 1 GiB";
      break;
  }
  return loaded;
}

}  // namespace

TorrentHash GetTorrentHash(IFileSystem& fs, const std::string& path, const ScanHooks& hooks) {
  TorrentHash result;
  Loaded loaded = Load(fs, path);
  if (!loaded.message.empty()) {
    result.message = std::move(loaded.message);
    result.problem = std::move(loaded.problem);
    return result;
  }
  TorrentScan scan = ParseTorrent(loaded.bytes.span(), hooks);
  result.message = std::move(scan.message);
  result.problem = std::move(scan.problem);
  if (scan.info) {
    const auto span = loaded.bytes.span().subspan(scan.info->offset, scan.info->length);
    const bool v2_only = scan.facts.meta_version_2 && !scan.facts.v1_pieces;
    if (!v2_only) result.v1_hash = Sha1Hex(span);
    if (scan.facts.meta_version_2) result.v2_hash = Sha256Hex(span);
    result.hash = v2_only ? result.v2_hash.substr(0, 40) : result.v1_hash;
    result.name = std::move(scan.facts.name);
  }
  return result;
}

}  // namespace brisvane
