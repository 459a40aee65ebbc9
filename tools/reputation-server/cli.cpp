#include "cli.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <charconv>
#include <exception>
#include <thread>

#include "csv_import.h"
#include "http_service.h"
#include "rating.h"
#include "rating_store.h"

namespace brisvane::reputation {
namespace {

constexpr char kDefaultDatabase[] = "ratings.db";
constexpr char kDefaultListen[] = "127.0.0.1:8080";
constexpr std::size_t kMaxThreads = 1024;

constexpr char kHelp[] =
    "Usage: reputation-server COMMAND [OPTIONS]\n"
    "The reputation service that Brisvane asks: GET /api/fakeskan.php?hash=<40 hex digits> answers\n"
    "VERIFIED, GOOD, NONE, NOTFOUND, BAD or FAKE; NOTFOUND for a hash without a rating.\n"
    "\n"
    "Commands:\n"
    "  serve [--db PATH] [--listen HOST:PORT] [--threads N]\n"
    "      Answer lookups until SIGINT or SIGTERM. Defaults: ratings.db, 127.0.0.1:8080, 64 threads.\n"
    "      Port 0 picks a free port. Each open keep-alive connection holds one thread.\n"
    "  import [--db PATH] FILE.csv\n"
    "      Add the \"hash,rating\" lines of FILE.csv, replacing older ratings of the same hashes, in one\n"
    "      transaction: a bad line is reported with its number and nothing is changed.\n"
    "  rate [--db PATH] HASH RATING\n"
    "      Set the rating of one hash.\n"
    "  --help\n"
    "      Show this text.\n"
    "\n"
    "A database file that does not exist yet is created empty.\n";

struct Options {
  std::string db = kDefaultDatabase;
  std::string listen = kDefaultListen;
  std::string threads;
  std::vector<std::string> operands;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the options that `command` takes, as "--name VALUE" or "--name=VALUE", anywhere after it.
Options ParseOptions(const std::vector<std::string>& args, bool serve) {
  Options options;
  bool only_operands = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (only_operands || arg.size() < 2 || arg[0] != '-') {
      options.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      only_operands = true;
      continue;
    }
    const auto equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    std::string* target = nullptr;
    if (name == "--db") target = &options.db;
    if (serve && name == "--listen") target = &options.listen;
    if (serve && name == "--threads") target = &options.threads;
    if (!target) throw UsageError("unknown option " + name + " for " + args[0]);
    if (equals != std::string::npos) {
      *target = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      *target = args[++i];
    } else {
      throw UsageError(name + " needs a value");
    }
    if (target->empty()) throw UsageError(name + " needs a value");
  }
  return options;
}

void ExpectOperands(const Options& options, std::size_t count, const char* what) {
  if (options.operands.size() != count) throw UsageError(std::string("expected ") + what);
}

int Import(const Options& options, std::ostream& out) {
  ExpectOperands(options, 1, "one CSV file");
  RatingStore store(options.db);
  const std::string& file = options.operands[0];
  try {
    const std::size_t count = ImportRatingsCsv(store, file);
    out << "imported " << count << (count == 1 ? " rating" : " ratings") << " from " << file << " into "
        << options.db << "\n";
  } catch (const CsvError& error) {
    throw std::runtime_error(file + ": " + error.what() + "; nothing was imported");
  } catch (const StoreError& error) {
    throw std::runtime_error(std::string(error.what()) + "; nothing was imported");
  }
  return kExitOk;
}

int Rate(const Options& options, std::ostream& out) {
  ExpectOperands(options, 2, "a hash and a rating");
  const auto hash = ParseInfoHash(options.operands[0]);
  if (!hash) throw UsageError("\"" + options.operands[0] + "\" is not an info-hash of 40 hexadecimal digits");
  const auto rating = ParseRating(options.operands[1]);
  if (!rating) {
    throw UsageError("\"" + options.operands[1] + "\" is not a rating (VERIFIED, GOOD, NONE, NOTFOUND, BAD or FAKE)");
  }
  RatingStore store(options.db);
  store.Store(*hash, *rating);
  out << ToHex(*hash) << " " << RatingWord(*rating) << "\n";
  return kExitOk;
}

int Serve(const Options& options, std::ostream& out, std::ostream& err) {
  ExpectOperands(options, 0, "no operands");
  const auto address = ParseListenAddress(options.listen);
  if (!address) throw UsageError("--listen wants HOST:PORT, not \"" + options.listen + "\"");
  ServerOptions server_options;
  if (!options.threads.empty()) {
    std::size_t threads = 0;
    const auto* end = options.threads.data() + options.threads.size();
    const auto [ptr, ec] = std::from_chars(options.threads.data(), end, threads);
    if (ec != std::errc() || ptr != end || threads < 1 || threads > kMaxThreads) {
      throw UsageError("--threads wants a number from 1 to " + std::to_string(kMaxThreads));
    }
    server_options.threads = threads;
  }

  RatingStore store(options.db);
  if (store.created()) err << "reputation-server: " << options.db << " did not exist: serving a new empty database\n";

  // The signals are taken by one waiting thread, so that stopping is ordinary code rather than work
  // inside a signal handler. Threads started from here on inherit the mask.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  // A client that hangs up early must not end the server.
  signal(SIGPIPE, SIG_IGN);

  ReputationServer server(store, server_options);
  const int port = server.Bind(address->host, address->port);
  const bool v6 = address->host.find(':') != std::string::npos;
  out << "listening on http://" << (v6 ? "[" + address->host + "]" : address->host) << ":" << port << kLookupPath
      << std::endl;

  std::atomic<int> received{0};
  std::thread waiter([&] {
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    received = signal_number;
    server.Stop();
  });
  const bool served = server.Run();
  // Serving ended on its own: wake the waiter with a signal only it can take.
  if (received == 0) pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();
  if (!served) {
    err << "reputation-server: serving stopped with an error\n";
    return kExitFailed;
  }
  err << "reputation-server: stopped on " << (received == SIGINT ? "SIGINT" : "SIGTERM") << "\n";
  return kExitOk;
}

}  // namespace

std::optional<ListenAddress> ParseListenAddress(std::string_view text) {
  ListenAddress address;
  std::string_view port_text;
  if (!text.empty() && text.front() == '[') {
    const auto close = text.find(']');
    if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') return std::nullopt;
    address.host = std::string(text.substr(1, close - 1));
    port_text = text.substr(close + 2);
  } else {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    address.host = std::string(text.substr(0, colon));
    // An IPv6 address needs brackets, or its last group would be taken for the port.
    if (address.host.find(':') != std::string::npos) return std::nullopt;
    port_text = text.substr(colon + 1);
  }
  if (address.host.empty() || port_text.empty() || port_text.size() > 5) return std::nullopt;
  const auto [ptr, ec] = std::from_chars(port_text.data(), port_text.data() + port_text.size(), address.port);
  if (ec != std::errc() || ptr != port_text.data() + port_text.size() || address.port < 0 || address.port > 65535) {
    return std::nullopt;
  }
  return address;
}

int RunReputationCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    if (args.empty()) throw UsageError("no command");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
      out << kHelp;
      return kExitOk;
    }
    if (command == "serve") return Serve(ParseOptions(args, true), out, err);
    if (command == "import") return Import(ParseOptions(args, false), out);
    if (command == "rate") return Rate(ParseOptions(args, false), out);
    throw UsageError("unknown command \"" + command + "\"");
  } catch (const UsageError& error) {
    err << "reputation-server: " << error.what() << "\nTry 'reputation-server --help'.\n";
    return kExitUsage;
  } catch (const std::exception& error) {
    err << "reputation-server: " << error.what() << "\n";
    return kExitFailed;
  }
}

}  // namespace brisvane::reputation
