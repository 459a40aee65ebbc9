#include "cli.h"

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <exception>
#include <thread>

#include "csv_import.h"
#include "http_server.h"
#include "http_service.h"
#include "rating.h"
#include "rating_store.h"

namespace brisvane::reputation {
namespace {

constexpr char kDefaultDatabase[] = "ratings.db";
constexpr char kDefaultListen[] = "127.0.0.1:8080";
constexpr std::size_t kMaxThreads = 1024;
constexpr std::size_t kMaxConnections = 1000000;

constexpr char kHelp[] =
    "Usage: reputation-server COMMAND [OPTIONS]\n"
    "The reputation service that Brisvane asks: GET /api/fakeskan.php?hash=<40 hex digits> answers\n"
    "VERIFIED, GOOD, NONE, NOTFOUND, BAD or FAKE; NOTFOUND for a hash without a rating.\n"
    "GET /healthz answers OK while the database answers; GET /metrics gives Prometheus metrics.\n"
    "\n"
    "Commands:\n"
    "  serve [--db DATABASE] [--listen HOST:PORT] [--threads N] [--max-connections N] [--access-log on|off]\n"
    "      Answer lookups until SIGINT or SIGTERM, then finish the requests in flight. Defaults: ratings.db,\n"
    "      127.0.0.1:8080, one thread per core, 10000 connections, access log on standard output.\n"
    "      Port 0 picks a free port. Idle connections cost no thread; past the connection cap new\n"
    "      ones are answered 503.\n"
    "  import [--db DATABASE] FILE.csv\n"
    "      Add the \"hash,rating\" lines of FILE.csv, replacing older ratings of the same hashes, in one\n"
    "      transaction: a bad line is reported with its number and nothing is changed.\n"
    "  rate [--db DATABASE] HASH RATING\n"
    "      Set the rating of one hash.\n"
    "  --help\n"
    "      Show this text.\n"
    "\n"
    "DATABASE is the path of a SQLite file (created empty when it does not exist yet) or a PostgreSQL\n"
    "URL, postgresql://USER@HOST:PORT/NAME, which several servers can share.\n";

struct Options {
  std::string db = kDefaultDatabase;
  std::string listen = kDefaultListen;
  std::string threads;
  std::string max_connections;
  std::string access_log = "on";
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
    if (serve && name == "--max-connections") target = &options.max_connections;
    if (serve && name == "--access-log") target = &options.access_log;
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
  const auto store = OpenRatingStore(options.db);
  const std::string& file = options.operands[0];
  try {
    const std::size_t count = ImportRatingsCsv(*store, file);
    out << "imported " << count << (count == 1 ? " rating" : " ratings") << " from " << file << " into "
        << store->Name() << "\n";
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
  OpenRatingStore(options.db)->Store(*hash, *rating);
  out << ToHex(*hash) << " " << RatingWord(*rating) << "\n";
  return kExitOk;
}

std::size_t Count(const std::string& text, const char* option, std::size_t most) {
  std::size_t value = 0;
  const auto* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value < 1 || value > most) {
    throw UsageError(std::string(option) + " wants a number from 1 to " + std::to_string(most));
  }
  return value;
}

// Each connection is a file descriptor: the usual soft limit of 1024 would cap connections far below
// what the server can hold, so it is raised to the hard limit.
void RaiseFileLimit(std::size_t connections, std::ostream& err) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
  getrlimit(RLIMIT_NOFILE, &limit);
  if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < connections + 64) {
    err << "reputation-server: only " << limit.rlim_cur << " files may be open: fewer than " << connections
        << " connections will be served\n";
  }
}

int Serve(const Options& options, std::ostream& out, std::ostream& err) {
  ExpectOperands(options, 0, "no operands");
  const auto address = ParseListenAddress(options.listen);
  if (!address) throw UsageError("--listen wants HOST:PORT, not \"" + options.listen + "\"");
  ServerOptions server_options;
  server_options.threads = std::max(1u, std::thread::hardware_concurrency());
  if (!options.threads.empty()) server_options.threads = Count(options.threads, "--threads", kMaxThreads);
  if (!options.max_connections.empty()) {
    server_options.max_connections = Count(options.max_connections, "--max-connections", kMaxConnections);
  }
  if (options.access_log != "on" && options.access_log != "off") throw UsageError("--access-log wants on or off");
  if (options.access_log == "on") server_options.access_log_fd = STDOUT_FILENO;
  RaiseFileLimit(server_options.max_connections, err);

  const auto store = OpenRatingStore(options.db);
  if (store->created()) err << "reputation-server: " << store->Name() << " did not exist: serving a new empty database\n";

  // The signals are taken by one waiting thread, so that stopping is ordinary code rather than work
  // inside a signal handler. Threads started from here on inherit the mask.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  // A client that hangs up early must not end the server.
  signal(SIGPIPE, SIG_IGN);

  ReputationServer server(*store, server_options);
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
