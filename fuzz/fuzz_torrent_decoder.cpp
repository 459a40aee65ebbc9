// Any bytes at all: the decoder must not crash, must stay inside the input, must say something when
// it finds no span, and must agree with the strict reference reader whenever that reader accepts the input.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "reference_bencode.h"
#include "app/torrent_decoder.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using brisvane::testing::reference::Result;
  const std::span<const std::uint8_t> bytes(data, size);
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  brisvane::ScanHooks hooks;
  hooks.progress = [] {};
  hooks.on_string = [&](std::string_view s) {
    // Every string offered lies inside the input.
    Check(!s.empty() && s.data() >= text.data() && s.data() + s.size() <= text.data() + text.size());
  };
  const brisvane::TorrentScan scan = brisvane::ParseTorrent(bytes, hooks);

  if (scan.info) {
    Check(scan.info->length >= 2 && scan.info->offset <= size && scan.info->length <= size - scan.info->offset);
    Check(data[scan.info->offset] == 'd' && data[scan.info->offset + scan.info->length - 1] == 'e');
    Check(scan.message.empty() && scan.problem.empty());
  } else {
    Check(!scan.problem.empty());
  }
  Check(scan.message.empty() || scan.message == brisvane::kNotValidTorrentMessage ||
        scan.message == brisvane::kUnexpectedErrorMessage);

  // Hooks watch; they never change the outcome.
  const brisvane::TorrentScan plain = brisvane::ParseTorrent(bytes);
  Check(plain.info.has_value() == scan.info.has_value() && plain.message == scan.message &&
        plain.problem == scan.problem);
  if (scan.info) Check(plain.info->offset == scan.info->offset && plain.info->length == scan.info->length);

  const Result expected = brisvane::testing::reference::Read(text, 200);
  switch (expected.kind) {
    case Result::Kind::Info:
      Check(scan.info && scan.info->offset == expected.info_offset && scan.info->length == expected.info_length);
      break;
    case Result::Kind::Refused:
      Check(!scan.info && scan.message == brisvane::kNotValidTorrentMessage);
      break;
    case Result::Kind::NoInfo:
      Check(!scan.info && scan.message.empty());
      break;
    case Result::Kind::Malformed:
    case Result::Kind::TooDeep:
      break;
  }
  return 0;
}
