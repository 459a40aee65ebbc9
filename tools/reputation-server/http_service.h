#pragma once
// The web side: what each request is answered, and the server that answers it.
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "rating_store.h"

namespace httplib {
class Server;
}

namespace brisvane::reputation {

inline constexpr std::string_view kLookupPath = "/api/fakeskan.php";
inline constexpr std::string_view kNotFoundPage =
    "<html><head><title>404 Not Found</title></head><body>Not Found</body></html>";

struct Reply {
  int status = 200;
  std::string body;
  std::string content_type = "text/plain";
};

// GET on the lookup path. `hash_values` holds the value of every "hash" query key, in order: one
// valid hash gets its rating word, none gets 400 "MISSINGHASH", anything else 400 "INVALIDHASH".
// Every body is one word without a line break; a failing database gives 500 "ERROR".
Reply LookupReply(const RatingStore& store, std::span<const std::string> hash_values);

// The body for an error status that has none yet: the usual page for 404, one word otherwise.
Reply StatusReply(int status);

struct ServerOptions {
  // Each open keep-alive connection holds one worker while it lasts.
  std::size_t threads = 64;
  std::size_t max_body_bytes = 4096;
  std::size_t keep_alive_requests = 1000;
  // Short, because stopping waits for idle connections to time out.
  int keep_alive_seconds = 2;
  int read_timeout_seconds = 5;
  int write_timeout_seconds = 5;
};

class ReputationServer {
 public:
  ReputationServer(const RatingStore& store, const ServerOptions& options);
  ~ReputationServer();
  ReputationServer(const ReputationServer&) = delete;
  ReputationServer& operator=(const ReputationServer&) = delete;

  // Binds the listening socket; port 0 picks a free one. Returns the port. Throws std::runtime_error.
  // Connections made after Bind wait in the backlog until Run starts.
  int Bind(const std::string& host, int port);
  // Serves until Stop; false when serving failed.
  bool Run();
  // From any thread, before or during Run. Returns once Run has finished (or will not start), which
  // takes up to the keep-alive time while idle connections are still open (the library lets them
  // time out).
  void Stop();

 private:
  std::unique_ptr<httplib::Server> server_;
  std::mutex mutex_;
  std::condition_variable finished_;
  bool stop_requested_ = false;
  bool running_ = false;
  bool finished_running_ = false;
  bool library_stopped_ = false;
};

}  // namespace brisvane::reputation
