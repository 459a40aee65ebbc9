#pragma once
// A tiny HTTP server on 127.0.0.1 for the client contract tests: one connection at a time, on a port
// the system picks, answering every request the way the test set last.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace brisvane::testing {

class TestHttpServer {
  enum class Mode { Reply, Endless, Silent, CloseAtOnce };

 public:
  TestHttpServer();  // listening and serving when it returns
  ~TestHttpServer();

  // Each request gets this status and exactly these body bytes (with a Content-Length).
  void Reply(int status, std::string body) { Set(Mode::Reply, status, std::move(body)); }
  // A 200 without a length, then bytes until the client hangs up.
  void Endless() { Set(Mode::Endless); }
  // Reads each request and never answers; the connections stay open until the server goes, and later
  // ones are taken (and seen in Targets) meanwhile.
  void Silent() { Set(Mode::Silent); }
  // Closes each connection as soon as it is accepted, before reading anything.
  void CloseAtOnce() { Set(Mode::CloseAtOnce); }

  // "http://127.0.0.1:PORT" followed by `target`.
  std::string Url(std::string_view target = "/") const;
  // The request targets received so far (path and query as sent), in order.
  std::vector<std::string> Targets() const;

 private:
  void Set(Mode mode, int status = 200, std::string body = "");
  void Serve();
  // True when the connection is to be held open.
  bool Handle(std::intptr_t connection);

  std::intptr_t listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  Mode mode_ = Mode::Reply;
  int status_ = 200;
  std::string body_;
  std::vector<std::string> targets_;
  std::vector<std::intptr_t> held_;  // the serving thread's, until it has ended
  std::thread thread_;
};

}  // namespace brisvane::testing
