#pragma once
// The server: Boost.Beast on Asio, event-driven. A fixed number of threads, each with its own event
// loop, its own accept on the shared listening socket and its own reader of the store, serves any
// number of connections; a slow or idle client costs a socket, never a thread.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

#include "metrics.h"
#include "rating_store.h"

namespace brisvane::reputation {

struct ServerOptions {
  std::size_t threads = 2;
  // Past this many open connections a new one is told 503 and closed.
  std::size_t max_connections = 10000;
  // The request line and the headers together; the 1 MB request line of an attacker stops here.
  std::size_t max_header_bytes = 16 * 1024;
  std::size_t max_headers = 100;
  std::size_t max_target_bytes = 8 * 1024;
  std::size_t max_body_bytes = 4096;
  // A connection may wait this long for its next request (or its first).
  std::chrono::milliseconds idle_timeout{5000};
  // From the first byte of a request to its last.
  std::chrono::milliseconds read_timeout{5000};
  // For a reply to leave; a client that stops reading is dropped after it.
  std::chrono::milliseconds write_timeout{5000};
  // How long Stop lets requests in flight finish.
  std::chrono::milliseconds drain_timeout{5000};
  // A file descriptor for the access log, one line per request; -1 for none.
  int access_log_fd = -1;
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
  // From any thread, before or during Run: stops accepting, closes idle connections, lets requests in
  // flight finish (for up to drain_timeout), and returns once Run has finished (or will not start).
  void Stop();

  const Metrics& metrics() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::mutex mutex_;
  std::condition_variable finished_;
  bool stop_requested_ = false;
  bool running_ = false;
  bool finished_running_ = false;
};

}  // namespace brisvane::reputation
