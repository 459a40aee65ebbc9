#include "http_service.h"

#include <httplib.h>

#include <charconv>
#include <chrono>
#include <iostream>
#include <regex>
#include <stdexcept>
#include <vector>

namespace brisvane::reputation {
namespace {

Reply Word(int status, std::string_view word) { return Reply{status, std::string(word), "text/plain"}; }

void Send(httplib::Response& response, const Reply& reply) {
  response.status = reply.status;
  response.set_content(reply.body, reply.content_type.c_str());
}

}  // namespace

Reply LookupReply(const RatingStore& store, std::span<const std::string> hash_values) {
  if (hash_values.empty()) return Word(400, "MISSINGHASH");
  // Two different hashes in one query would leave open which one is meant (the library folds
  // repeats of one key and value into one).
  if (hash_values.size() > 1) return Word(400, "INVALIDHASH");
  const auto hash = ParseInfoHash(hash_values.front());
  if (!hash) return Word(400, "INVALIDHASH");
  try {
    return Word(200, RatingWord(store.Find(*hash)));
  } catch (const StoreError& error) {
    std::cerr << "reputation-server: " << error.what() << std::endl;
    return Word(500, "ERROR");
  }
}

Reply StatusReply(int status) {
  switch (status) {
    case 404:
      return Reply{404, std::string(kNotFoundPage), "text/html"};
    case 400:
      return Word(status, "BADREQUEST");
    case 405:
      return Word(status, "NOTALLOWED");
    case 413:
      return Word(status, "TOOLARGE");
    case 414:
      return Word(status, "URITOOLONG");
    default:
      return Word(status, "ERROR");
  }
}

ReputationServer::ReputationServer(const RatingStore& store, const ServerOptions& options)
    : server_(std::make_unique<httplib::Server>()) {
  httplib::Server& server = *server_;
  const std::size_t threads = options.threads;
  server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  server.set_payload_max_length(options.max_body_bytes);
  server.set_keep_alive_max_count(options.keep_alive_requests);
  server.set_keep_alive_timeout(options.keep_alive_seconds);
  server.set_read_timeout(options.read_timeout_seconds);
  server.set_write_timeout(options.write_timeout_seconds);
  // The status line and headers and the body go out in separate writes; with Nagle on, the body
  // would wait for the client's delayed acknowledgement.
  server.set_tcp_nodelay(true);
  // The library's default adds SO_REUSEPORT, with which a second server on a busy port would start
  // and silently take half the connections instead of failing.
  server.set_socket_options([](socket_t sock) {
    const int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });

  // The library matches whole paths as regular expressions.
  const std::string path = std::regex_replace(std::string(kLookupPath), std::regex(R"(\.)"), R"(\.)");
  server.Get(path, [&store](const httplib::Request& request, httplib::Response& response) {
    std::vector<std::string> values;
    const auto [first, last] = request.params.equal_range("hash");
    for (auto it = first; it != last; ++it) values.push_back(it->second);
    Send(response, LookupReply(store, values));
  });
  const auto not_allowed = [](const httplib::Request&, httplib::Response& response) {
    response.set_header("Allow", "GET, HEAD");
    Send(response, StatusReply(405));
  };
  server.Post(path, not_allowed);
  server.Put(path, not_allowed);
  server.Patch(path, not_allowed);
  server.Delete(path, not_allowed);
  server.Options(path, not_allowed);
  // The library leaves the body of a GET unread, where the next request on the connection would
  // begin with it: refuse such requests and tell the client to close the connection.
  const std::size_t max_body = options.max_body_bytes;
  server.set_pre_routing_handler([max_body](const httplib::Request& request, httplib::Response& response) {
    const bool reads_body = request.method == "POST" || request.method == "PUT" || request.method == "PATCH" ||
                            request.method == "DELETE";
    const bool has_body = request.has_header("Transfer-Encoding") ||
                          (request.has_header("Content-Length") && request.get_header_value("Content-Length") != "0");
    if (reads_body || !has_body) return httplib::Server::HandlerResponse::Unhandled;
    // A chunked body has no length to check: it counts as too large.
    const std::string length = request.get_header_value("Content-Length");
    std::size_t bytes = 0;
    const auto [end, ec] = std::from_chars(length.data(), length.data() + length.size(), bytes);
    const bool too_large = ec != std::errc() || end != length.data() + length.size() || bytes > max_body;
    response.set_header("Connection", "close");
    Send(response, StatusReply(too_large ? 413 : 400));
    return httplib::Server::HandlerResponse::Handled;
  });
  // Errors the library finds itself (unknown path, oversized request) come without a body.
  server.set_error_handler(httplib::Server::HandlerWithResponse(
      [](const httplib::Request&, httplib::Response& response) {
        if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        // The library has not read the body it refused, so the connection cannot carry another request.
        if (response.status == 413) response.set_header("Connection", "close");
        Send(response, StatusReply(response.status));
        return httplib::Server::HandlerResponse::Handled;
      }));
}

ReputationServer::~ReputationServer() = default;

int ReputationServer::Bind(const std::string& host, int port) {
  const int bound = port == 0 ? server_->bind_to_any_port(host) : (server_->bind_to_port(host, port) ? port : -1);
  if (bound < 0) throw std::runtime_error("cannot listen on " + host + " port " + std::to_string(port));
  return bound;
}

bool ReputationServer::Run() {
  {
    std::lock_guard lock(mutex_);
    if (stop_requested_) return true;
    running_ = true;
  }
  const bool served = server_->listen_after_bind();
  {
    std::lock_guard lock(mutex_);
    finished_running_ = true;
  }
  finished_.notify_all();
  return served;
}

void ReputationServer::Stop() {
  std::unique_lock lock(mutex_);
  stop_requested_ = true;
  if (!running_) return;
  // Run may not have reached the library's accept loop yet, and the library ignores a stop before it.
  // Stopping twice is an error in the library, so stop once it runs and then only wait.
  while (!finished_running_) {
    if (!library_stopped_ && server_->is_running()) {
      server_->stop();
      library_stopped_ = true;
    }
    finished_.wait_for(lock, std::chrono::milliseconds(5));
  }
}

}  // namespace brisvane::reputation
