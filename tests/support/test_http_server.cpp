#include "support/test_http_server.h"

#include <chrono>
#include <stdexcept>
#include <tuple>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using Socket = SOCKET;
constexpr int kNoSignal = 0;
int CloseSocket(Socket s) { return closesocket(s); }
bool WouldBlock() { return WSAGetLastError() == WSAEWOULDBLOCK; }
void MakeNonBlocking(Socket s) {
  u_long on = 1;
  ioctlsocket(s, FIONBIO, &on);
}
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
using Socket = int;
constexpr Socket INVALID_SOCKET = -1;
constexpr int kNoSignal = MSG_NOSIGNAL;  // a client that hangs up must not kill the test run
int CloseSocket(Socket s) { return close(s); }
bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }
void MakeNonBlocking(Socket s) { fcntl(s, F_SETFL, fcntl(s, F_GETFL) | O_NONBLOCK); }
#endif

namespace brisvane::testing {
namespace {

// Waits up to 50 ms for `s` to be readable (or writable); the caller re-checks its stop flag between waits.
bool Ready(Socket s, bool write) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval wait{0, 50'000};
  return select(static_cast<int>(s) + 1, write ? nullptr : &set, write ? &set : nullptr, nullptr, &wait) > 0;
}

// Listens on 127.0.0.1 at a port the system picks, without blocking.
Socket Listen(int& port) {
#ifdef _WIN32
  static WSADATA data;
  [[maybe_unused]] static const int started = WSAStartup(MAKEWORD(2, 2), &data);
#endif
  const Socket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 8) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    CloseSocket(s);
    throw std::runtime_error("test server: cannot listen on 127.0.0.1");
  }
  port = ntohs(address.sin_port);
  MakeNonBlocking(s);
  return s;
}

}  // namespace

TestHttpServer::TestHttpServer() {
  listener_ = static_cast<std::intptr_t>(Listen(port_));
  thread_ = std::thread([this] { Serve(); });
}

TestHttpServer::~TestHttpServer() {
  stop_ = true;
  thread_.join();
  for (const std::intptr_t held : held_) CloseSocket(static_cast<Socket>(held));
  CloseSocket(static_cast<Socket>(listener_));
}

void TestHttpServer::Set(Mode mode, int status, std::string body) {
  std::lock_guard lock(mutex_);
  std::tie(mode_, status_, body_) = std::tuple(mode, status, std::move(body));
}

std::string TestHttpServer::Url(std::string_view target) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(target);
}

std::vector<std::string> TestHttpServer::Targets() const {
  std::lock_guard lock(mutex_);
  return targets_;
}

void TestHttpServer::Serve() {
  const Socket listener = static_cast<Socket>(listener_);
  while (!stop_) {
    if (!Ready(listener, false)) continue;
    const Socket connection = accept(listener, nullptr, nullptr);
    if (connection == INVALID_SOCKET) continue;
    MakeNonBlocking(connection);
    if (Handle(static_cast<std::intptr_t>(connection))) held_.push_back(static_cast<std::intptr_t>(connection));
    else CloseSocket(connection);
  }
}

bool TestHttpServer::Handle(std::intptr_t handle) {
  const Socket s = static_cast<Socket>(handle);
  const auto [mode, status, body] = [this] {
    std::lock_guard lock(mutex_);
    return std::tuple(mode_, status_, body_);
  }();
  if (mode == Mode::CloseAtOnce) return false;

  char buffer[4096];
  // Bytes read into `buffer`; 0 when none came within one wait, -1 once the client has closed or failed.
  const auto receive = [&]() -> long {
    if (!Ready(s, false)) return 0;
    const auto n = recv(s, buffer, sizeof buffer, 0);
    return n > 0 ? n : n < 0 && WouldBlock() ? 0 : -1;
  };
  // The request head; a GET has no body.
  std::string request;
  while (!stop_ && request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
    const long n = receive();
    if (n < 0) return false;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  const auto first = request.find(' ');
  const auto second = request.find(' ', first + 1);
  if (second != std::string::npos) {
    std::lock_guard lock(mutex_);
    targets_.push_back(request.substr(first + 1, second - first - 1));
  }

  // Held open, unanswered, while the next connections are taken: a second request is seen at once.
  if (mode == Mode::Silent) return true;

  const auto send_all = [&](std::string_view data) {
    while (!data.empty() && !stop_) {
      if (!Ready(s, true)) continue;
      const auto n = send(s, data.data(), static_cast<int>(data.size()), kNoSignal);
      if (n >= 0) data.remove_prefix(static_cast<std::size_t>(n));
      else if (!WouldBlock()) return false;
    }
    return data.empty();
  };
  // Endless: no length, then bytes until the client hangs up.
  std::string head = "HTTP/1.1 " + std::to_string(status) + " Test\r\nContent-Type: text/plain\r\n";
  if (mode == Mode::Reply) head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  if (send_all(head + "Connection: close\r\n\r\n" + body) && mode == Mode::Endless) {
    const std::string block(65536, 'A');
    while (send_all(block)) {}
  }
  shutdown(s, 1);  // SD_SEND / SHUT_WR: the reply is complete
  // Let the client read and close first, so that our close cannot reset what it has not read yet.
  for (int i = 0; i < 100 && !stop_ && receive() >= 0; ++i) {}
  return false;
}

}  // namespace brisvane::testing
