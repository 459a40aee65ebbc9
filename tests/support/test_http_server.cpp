#include "support/test_http_server.h"

#include <chrono>
#include <stdexcept>

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

void UseSockets() {
#ifdef _WIN32
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
#endif
}

// Waits up to 50 ms for `s` to be readable (or writable); the caller re-checks its stop flag between waits.
bool Ready(Socket s, bool write) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval wait{0, 50'000};
  return select(static_cast<int>(s) + 1, write ? nullptr : &set, write ? &set : nullptr, nullptr, &wait) > 0;
}

// Listens on 127.0.0.1 at a port the system picks.
Socket Listen(int& port) {
  Socket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) throw std::runtime_error("test server: no socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t size = sizeof address;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 8) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    CloseSocket(s);
    throw std::runtime_error("test server: cannot listen on 127.0.0.1");
  }
  port = ntohs(address.sin_port);
  return s;
}

}  // namespace

TestHttpServer::TestHttpServer() {
  UseSockets();
  listener_ = static_cast<std::intptr_t>(Listen(port_));
  MakeNonBlocking(static_cast<Socket>(listener_));
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
  mode_ = mode;
  status_ = status;
  body_ = std::move(body);
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
    if (Handle(static_cast<std::intptr_t>(connection))) {
      held_.push_back(static_cast<std::intptr_t>(connection));
    } else {
      CloseSocket(connection);
    }
  }
}

bool TestHttpServer::Handle(std::intptr_t handle) {
  const Socket s = static_cast<Socket>(handle);
  Mode mode;
  int status;
  std::string body;
  {
    std::lock_guard lock(mutex_);
    mode = mode_;
    status = status_;
    body = body_;
  }
  if (mode == Mode::CloseAtOnce) return false;

  // The request head; a GET has no body.
  std::string request;
  char buffer[4096];
  while (!stop_ && request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
    if (!Ready(s, false)) continue;
    const auto n = recv(s, buffer, sizeof buffer, 0);
    if (n == 0) return false;
    if (n < 0) {
      if (WouldBlock()) continue;
      return false;
    }
    request.append(buffer, static_cast<std::size_t>(n));
  }
  const auto first = request.find(' ');
  const auto second = request.find(' ', first + 1);
  if (first != std::string::npos && second != std::string::npos) {
    std::lock_guard lock(mutex_);
    targets_.push_back(request.substr(first + 1, second - first - 1));
  }

  // Held open, unanswered, while the next connections are taken: a second request is seen at once.
  if (mode == Mode::Silent) return true;

  const auto send_all = [&](std::string_view data) {
    while (!data.empty() && !stop_) {
      if (!Ready(s, true)) continue;
      const auto n = send(s, data.data(), static_cast<int>(data.size()), kNoSignal);
      if (n < 0) {
        if (WouldBlock()) continue;
        return false;
      }
      data.remove_prefix(static_cast<std::size_t>(n));
    }
    return data.empty();
  };

  if (mode == Mode::Endless) {
    if (!send_all("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n")) return false;
    const std::string block(65536, 'A');
    while (!stop_ && send_all(block)) {
    }
    return false;
  }

  send_all("HTTP/1.1 " + std::to_string(status) + " Test\r\nContent-Type: text/plain\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
  shutdown(s, 1);  // SD_SEND / SHUT_WR: the reply is complete
  // Let the client read and close first, so that our close cannot reset what it has not read yet.
  for (int i = 0; i < 100 && !stop_; ++i) {
    if (!Ready(s, false)) continue;
    const auto n = recv(s, buffer, sizeof buffer, 0);
    if (n == 0 || (n < 0 && !WouldBlock())) break;
  }
  return false;
}

int ClosedPort() {
  UseSockets();
  int port = 0;
  CloseSocket(Listen(port));
  return port;
}

}  // namespace brisvane::testing
