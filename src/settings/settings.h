#pragma once
// The user's settings: the service, the torrent program and the five allow flags.
#include <string>

namespace brisvane {

// Which ratings may pass. The initial values are the design defaults a first run starts with.
struct AllowFlags {
  bool verified = true;  // "VERIFIED"
  bool good = true;      // "GOOD"
  bool neutral = true;   // "NONE" and "NOTFOUND"
  bool bad = false;      // "BAD"
  bool fake = false;     // "FAKE"

  friend bool operator==(const AllowFlags&, const AllowFlags&) = default;
};

struct Settings {
  std::string service_url;
  std::string program_path;  // the torrent program, as a command line's program part
  AllowFlags allow;

  friend bool operator==(const Settings&, const Settings&) = default;
};

}  // namespace brisvane
