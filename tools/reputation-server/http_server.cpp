#include "http_server.h"

#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <cerrno>
#include <ctime>
#include <iostream>
#include <map>
#include <tuple>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <unordered_set>
#include <vector>

#include "http_service.h"
#include "text_escape.h"

namespace brisvane::reputation {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

// A closing connection gets this long to take its reply and hang up itself; closing at once with its
// request still unread would reset the connection and could lose the reply on the way.
constexpr auto kLingerTime = std::chrono::seconds(1);
// Beyond the connection cap, this many more are told 503 before closing; past that they are just closed.
constexpr std::int64_t kMaxRefusing = 256;
// After a failed accept (out of file descriptors), wait instead of spinning.
constexpr auto kAcceptPause = std::chrono::milliseconds(50);
constexpr auto kLogFlushInterval = std::chrono::milliseconds(200);
constexpr std::size_t kLogFlushBytes = 16 * 1024;
constexpr std::size_t kLoggedTargetBytes = 200;
constexpr int kBacklog = 4096;
// Deadlines are checked by one sweep per thread this often, instead of a timer per read and write:
// arming a timer costs system calls on every request.
constexpr auto kSweepInterval = std::chrono::milliseconds(100);
constexpr char kCacheableRating[] = "public, max-age=60";
static_assert(kRatingMaxAgeSeconds == 60, "kCacheableRating states the age");

class Connection;

// One thread's share: its event loop, its accept on the listening socket, its reader of the store.
// Everything in it is touched only from its own thread, after Stop has posted there.
struct Worker {
  explicit Worker(std::size_t number) : index(number) {}
  std::size_t index;
  asio::io_context context{1};
  std::optional<tcp::acceptor> acceptor;
  asio::steady_timer accept_pause{context};
  asio::steady_timer drain{context};
  asio::steady_timer log_flush{context};
  asio::steady_timer sweep{context};
  // Each distinct reply serialized once by Beast; the key is everything its bytes depend on.
  std::map<std::tuple<int, std::string_view, bool, unsigned, bool>, std::string> replies;
  std::unique_ptr<RatingReader> reader;
  std::unordered_set<Connection*> connections;
  bool stopping = false;
  std::string log;
  std::time_t log_second = -1;
  std::string log_time;
};

void WriteAll(int fd, std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // a closed or broken log loses lines, never the service
    done += static_cast<std::size_t>(n);
  }
  text.clear();
}

class EventServer {
 public:
  EventServer(const RatingStore& store, const ServerOptions& options)
      : store_(store), options_(options), metrics_(options.threads) {
    for (std::size_t i = 0; i < std::max<std::size_t>(options.threads, 1); ++i) {
      workers_.push_back(std::make_unique<Worker>(i));
    }
  }

  const ServerOptions& options() const { return options_; }
  Metrics& metrics() { return metrics_; }
  bool logging() const { return options_.access_log_fd >= 0; }

  int Bind(const std::string& host, int port) {
    Worker& first = *workers_.front();
    try {
      tcp::resolver resolver(first.context);
      const auto found = resolver.resolve(host, std::to_string(port), tcp::resolver::passive | tcp::resolver::numeric_service);
      const tcp::endpoint endpoint = found.begin()->endpoint();
      first.acceptor.emplace(first.context);
      first.acceptor->open(endpoint.protocol());
      // SO_REUSEADDR only: with SO_REUSEPORT a second server on a busy port would start and silently
      // take half the connections instead of failing.
      first.acceptor->set_option(tcp::acceptor::reuse_address(true));
      first.acceptor->bind(endpoint);
      first.acceptor->listen(kBacklog);
      // Every thread accepts from the same socket in its own loop: no hand-over between threads.
      for (std::size_t i = 1; i < workers_.size(); ++i) {
        const int fd = ::dup(first.acceptor->native_handle());
        if (fd < 0) throw std::runtime_error("dup failed");
        workers_[i]->acceptor.emplace(workers_[i]->context);
        workers_[i]->acceptor->assign(endpoint.protocol(), fd);
      }
      return first.acceptor->local_endpoint().port();
    } catch (const std::exception&) {
      for (auto& worker : workers_) worker->acceptor.reset();
      throw std::runtime_error("cannot listen on " + host + " port " + std::to_string(port));
    }
  }

  bool Serve() {
    std::atomic<bool> failed{false};
    const auto run = [this, &failed](Worker& worker) {
      if (worker.acceptor) Accept(worker);
      Sweep(worker);
      // Opened before the first request, which would otherwise wait for it.
      Reader(worker);
      if (logging()) ScheduleLogFlush(worker);
      try {
        worker.context.run();
      } catch (const std::exception& error) {
        std::cerr << "reputation-server: " << error.what() << std::endl;
        failed = true;
        RequestStop();
      }
      if (logging()) WriteAll(options_.access_log_fd, worker.log);
    };
    std::vector<std::thread> threads;
    for (std::size_t i = 1; i < workers_.size(); ++i) threads.emplace_back(run, std::ref(*workers_[i]));
    run(*workers_.front());
    for (auto& thread : threads) thread.join();
    return !failed;
  }

  void RequestStop() {
    if (stop_posted_.exchange(true)) return;
    for (auto& worker : workers_) asio::post(worker->context, [this, &w = *worker] { StopWorker(w); });
  }

  // The thread's reader, opened on first use and again after opening failed.
  RatingReader* Reader(Worker& worker) {
    if (!worker.reader) {
      try {
        worker.reader = store_.OpenReader();
      } catch (const StoreError&) {
        return nullptr;
      }
    }
    return worker.reader.get();
  }

  void Log(Worker& worker, std::string_view peer, std::string_view method, std::string_view target, unsigned version,
           int status, std::string_view word, Clock::duration took) {
    const std::time_t now = std::time(nullptr);
    if (now != worker.log_second) {
      std::tm utc{};
      gmtime_r(&now, &utc);
      char text[32];
      std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
      worker.log_time = text;
      worker.log_second = now;
    }
    std::string& log = worker.log;
    log += worker.log_time;
    log += ' ';
    log += peer;
    log += " \"";
    log += method;
    log += ' ';
    AppendEscaped(log, target, kLoggedTargetBytes);  // one line per request, whatever it holds
    log += version == 10 ? " HTTP/1.0\" " : " HTTP/1.1\" ";
    log += std::to_string(status);
    log += ' ';
    log += word;
    log += ' ';
    log += std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(took).count());
    log += "us\n";
    if (log.size() >= kLogFlushBytes) WriteAll(options_.access_log_fd, log);
  }

  void ConnectionGone(Worker& worker) {
    if (worker.stopping && worker.connections.empty()) worker.drain.cancel();
  }

  std::atomic<std::int64_t>& refusing() { return refusing_; }

 private:
  void Accept(Worker& worker);

  void ScheduleLogFlush(Worker& worker) {
    worker.log_flush.expires_after(kLogFlushInterval);
    worker.log_flush.async_wait([this, &worker](beast::error_code ec) {
      if (ec || worker.stopping) return;
      if (!worker.log.empty()) WriteAll(options_.access_log_fd, worker.log);
      ScheduleLogFlush(worker);
    });
  }

  void StopWorker(Worker& worker);
  void Sweep(Worker& worker);

  const RatingStore& store_;
  ServerOptions options_;
  Metrics metrics_;
  std::vector<std::unique_ptr<Worker>> workers_;
  std::atomic<bool> stop_posted_{false};
  std::atomic<std::int64_t> refusing_{0};
};

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  // A `refused` connection is over the cap: it is told 503 and closed, and does not count as open.
  Connection(EventServer& server, Worker& worker, tcp::socket socket, bool refused)
      : server_(server), worker_(worker), socket_(std::move(socket)), refused_(refused) {
    worker_.connections.insert(this);
    if (refused_) {
      server_.refusing().fetch_add(1, std::memory_order_relaxed);
    } else {
      server_.metrics().ConnectionOpened();
    }
  }
  ~Connection() {
    if (refused_) {
      server_.refusing().fetch_sub(1, std::memory_order_relaxed);
    } else {
      server_.metrics().ConnectionClosed();
    }
    worker_.connections.erase(this);
    server_.ConnectionGone(worker_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void Start() {
    beast::error_code ec;
    socket_.set_option(tcp::no_delay(true), ec);
    if (server_.logging()) {
      const auto peer = socket_.remote_endpoint(ec);
      if (!ec) peer_ = peer.address().to_string();
    }
    if (refused_) {
      started_ = Clock::now();
      return Send(StatusReply(503), false, false, true);
    }
    ReadNext();
  }

  // Stopping: a connection waiting for a request closes now; one in the middle of a request finishes it.
  void OnStop() {
    if (waiting_ || lingering_) Close();
  }
  // Its pending operations end with an error, and with them the connection.
  void Close() {
    beast::error_code ec;
    socket_.shutdown(tcp::socket::shutdown_both, ec);
    socket_.close(ec);
  }
  // Past its deadline. Replies that could not leave are dropped with a reset: closed the usual way,
  // the kernel would keep trying to deliver them, to a client that does not read, for minutes.
  void Expire() {
    int unsent = 0;
    if (writing_ || (ioctl(socket_.native_handle(), SIOCOUTQ, &unsent) == 0 && unsent > 0)) {
      beast::error_code ec;
      socket_.set_option(asio::socket_base::linger(true, 0), ec);
      socket_.close(ec);
      return;
    }
    Close();
  }
  Clock::time_point deadline() const { return deadline_; }

 private:
  const ServerOptions& options() const { return server_.options(); }
  void Within(Clock::duration time) { deadline_ = Clock::now() + time; }

  void ReadNext() {
    if (worker_.stopping) return Close();
    // A pipelined request may already be here.
    if (buffer_.size() > 0) return ReadRequest();
    waiting_ = true;
    Within(options().idle_timeout);
    socket_.async_read_some(buffer_.prepare(1024), [self = shared_from_this()](beast::error_code ec, std::size_t n) {
      self->waiting_ = false;
      // The idle time ran out, the client left, or the server stops.
      if (ec) return self->Close();
      self->buffer_.commit(n);
      self->ReadRequest();
    });
  }

  void ReadRequest() {
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(options().max_header_bytes));
    parser_->body_limit(options().max_body_bytes);
    Within(options().read_timeout);
    http::async_read(socket_, buffer_, *parser_,
                     [self = shared_from_this()](beast::error_code ec, std::size_t) { self->OnRequest(ec); });
  }

  void OnRequest(beast::error_code ec) {
    started_ = Clock::now();
    const auto& http_errors = http::make_error_code(http::error::bad_target).category();
    if (ec == http::error::header_limit) {
      // Too long before the first line even ended: the target is what is too long.
      const std::string_view seen(static_cast<const char*>(buffer_.data().data()), buffer_.size());
      return Refuse(seen.find('\n') == std::string_view::npos ? 414 : 431);
    }
    if (ec == http::error::body_limit) return Refuse(413);
    if (ec == http::error::end_of_stream || ec == http::error::partial_message) return Close();
    if (ec && ec.category() == http_errors) return Refuse(400);
    if (ec) return Close();  // time-out, reset, or stopped

    const auto& request = parser_->get();
    version_ = request.version();
    method_ = request.method_string();
    target_ = request.target();
    const bool get_or_head = request.method() == http::verb::get || request.method() == http::verb::head;
    const bool has_body = parser_->chunked() || parser_->content_length().value_or(0) > 0;
    if (static_cast<std::size_t>(std::distance(request.begin(), request.end())) > options().max_headers) {
      return Refuse(431);
    }
    if (target_.size() > options().max_target_bytes) return Refuse(414);
    // A GET with a body is no lookup this service knows; a chunked one has no length to check.
    if (get_or_head && has_body) return Refuse(parser_->chunked() ? 413 : 400);

    Reply reply = Answer(method_, target_, server_.Reader(worker_), server_.metrics());
    Send(std::move(reply), request.keep_alive() && !worker_.stopping, request.method() == http::verb::head, false);
  }

  // Answers and closes, giving the client time to read the answer.
  void Refuse(int status) {
    method_ = "-";
    target_ = {};
    if (parser_ && parser_->is_header_done()) {
      method_ = parser_->get().method_string();
      target_ = parser_->get().target();
    }
    Send(StatusReply(status), false, false, true);
  }

  // The reply's bytes, as Beast serializes them.
  static std::string Serialized(Reply reply, bool keep_alive, bool head, unsigned version) {
    http::response<http::string_body> response(static_cast<http::status>(reply.status), version);
    response.set(http::field::content_type, reply.content_type);
    if (reply.names_allowed_methods) response.set(http::field::allow, "GET, HEAD");
    response.set(http::field::cache_control, reply.cacheable ? kCacheableRating : "no-store");
    response.keep_alive(keep_alive);
    response.content_length(reply.body.size());
    if (!head) response.body() = std::move(reply.body);
    std::ostringstream bytes;
    bytes << response;
    return bytes.str();
  }

  void Send(Reply reply, bool keep_alive, bool head, bool linger) {
    status_ = reply.status;
    word_ = reply.word;
    const std::string* bytes = nullptr;
    if (word_ == "metrics") {
      // The only reply whose body changes.
      fresh_ = Serialized(std::move(reply), keep_alive, head, version_);
      bytes = &fresh_;
    } else {
      const auto key = std::make_tuple(status_, word_, keep_alive, version_, head);
      auto found = worker_.replies.find(key);
      if (found == worker_.replies.end()) {
        found = worker_.replies.emplace(key, Serialized(std::move(reply), keep_alive, head, version_)).first;
      }
      bytes = &found->second;
    }
    Within(options().write_timeout);
    writing_ = true;
    asio::async_write(socket_, asio::buffer(*bytes),
                      [self = shared_from_this(), keep_alive, linger](beast::error_code ec, std::size_t) {
                        self->OnSent(ec, keep_alive, linger);
                      });
  }

  void OnSent(beast::error_code ec, bool keep_alive, bool linger) {
    writing_ = false;
    server_.metrics().CountRequest(worker_.index, status_, word_, Clock::now() - started_);
    if (server_.logging()) {
      server_.Log(worker_, peer_, method_, target_, version_, status_, word_, Clock::now() - started_);
    }
    if (ec) return Close();  // the client stopped reading or left
    if (keep_alive) return ReadNext();
    if (!linger && buffer_.size() == 0) {
      // The client asked to close and sent nothing more: hang up now.
      beast::error_code ignored;
      socket_.shutdown(tcp::socket::shutdown_send, ignored);
      socket_.close(ignored);
      return;
    }
    Linger();
  }

  void Linger() {
    lingering_ = true;
    beast::error_code ec;
    socket_.shutdown(tcp::socket::shutdown_send, ec);
    Within(kLingerTime);
    Discard();
  }

  void Discard() {
    buffer_.consume(buffer_.size());
    socket_.async_read_some(buffer_.prepare(4096), [self = shared_from_this()](beast::error_code ec, std::size_t) {
      if (ec) return self->Close();  // the client hung up, or the linger time ran out
      self->Discard();
    });
  }

  EventServer& server_;
  Worker& worker_;
  tcp::socket socket_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  std::string fresh_;
  bool refused_;
  bool waiting_ = false;
  bool lingering_ = false;
  bool writing_ = false;  // its deadline is the write time-out
  Clock::time_point deadline_ = Clock::time_point::max();
  std::string peer_;
  // What the access log and the metrics say of the request being answered.
  Clock::time_point started_;
  unsigned version_ = 11;
  std::string_view method_ = "-";
  std::string_view target_;
  int status_ = 0;
  std::string_view word_;
};

void EventServer::Sweep(Worker& worker) {
  if (worker.reader) worker.reader->Idle();
  const auto now = Clock::now();
  std::vector<Connection*> late;
  for (Connection* connection : worker.connections) {
    if (connection->deadline() < now) late.push_back(connection);
  }
  for (Connection* connection : late) connection->Expire();
  worker.sweep.expires_after(kSweepInterval);
  worker.sweep.async_wait([this, &worker](beast::error_code ec) {
    if (!ec && !worker.stopping) Sweep(worker);
  });
}

void EventServer::Accept(Worker& worker) {
  worker.acceptor->async_accept([this, &worker](beast::error_code ec, tcp::socket socket) {
    if (worker.stopping || ec == asio::error::operation_aborted) return;
    if (ec) {
      worker.accept_pause.expires_after(kAcceptPause);
      worker.accept_pause.async_wait([this, &worker](beast::error_code wait_ec) {
        if (!wait_ec && !worker.stopping) Accept(worker);
      });
      return;
    }
    const bool over_cap = metrics_.open_connections() >= static_cast<std::int64_t>(options_.max_connections);
    if (over_cap) metrics_.ConnectionRefused();
    if (!over_cap || refusing_.load(std::memory_order_relaxed) < kMaxRefusing) {
      std::make_shared<Connection>(*this, worker, std::move(socket), over_cap)->Start();
    }
    Accept(worker);
  });
}

void EventServer::StopWorker(Worker& worker) {
  worker.stopping = true;
  beast::error_code ec;
  if (worker.acceptor) worker.acceptor->close(ec);
  worker.accept_pause.cancel();
  worker.log_flush.cancel();
  worker.sweep.cancel();
  const std::vector<Connection*> open(worker.connections.begin(), worker.connections.end());
  for (Connection* connection : open) connection->OnStop();
  if (worker.connections.empty()) return;
  worker.drain.expires_after(options_.drain_timeout);
  worker.drain.async_wait([&worker](beast::error_code wait_ec) {
    if (wait_ec) return;
    const std::vector<Connection*> left(worker.connections.begin(), worker.connections.end());
    for (Connection* connection : left) connection->Close();
  });
}

}  // namespace

struct ReputationServer::Impl : EventServer {
  using EventServer::EventServer;
};

ReputationServer::ReputationServer(const RatingStore& store, const ServerOptions& options)
    : impl_(std::make_unique<Impl>(store, options)) {}

ReputationServer::~ReputationServer() = default;

int ReputationServer::Bind(const std::string& host, int port) { return impl_->Bind(host, port); }

bool ReputationServer::Run() {
  {
    std::lock_guard lock(mutex_);
    if (stop_requested_) return true;
    running_ = true;
  }
  const bool served = impl_->Serve();
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
  impl_->RequestStop();
  finished_.wait(lock, [this] { return finished_running_; });
}

const Metrics& ReputationServer::metrics() const { return impl_->metrics(); }

}  // namespace brisvane::reputation
