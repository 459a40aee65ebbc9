#pragma once
// The command line of reputation-server, apart from main() so that tests can drive it.
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace brisvane::reputation {

enum CliExit : int {
  kExitOk = 0,
  kExitFailed = 1,   // bad data, a database or network error
  kExitUsage = 64,   // the command line was wrong
};

struct ListenAddress {
  std::string host;  // without the brackets of an IPv6 address
  int port = 0;
};

// "HOST:PORT" or "[IPv6]:PORT", port 0 to 65535.
std::optional<ListenAddress> ParseListenAddress(std::string_view text);

// `args` are the arguments after the program name. `serve` blocks SIGINT and SIGTERM in the calling
// process and returns kExitOk when one of them arrives.
int RunReputationCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace brisvane::reputation
