// The server on a loopback port, spoken to with raw bytes (read back with Beast's parser): the replies
// the Windows client depends on, the limits and what bad input gets.
#include "http_server.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <thread>
#include <vector>

#include "http_service.h"
#include "test_support.h"

namespace brisvane::reputation {
namespace {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using tcp = asio::ip::tcp;
using Response = http::response<http::string_body>;
using support::HashNumber;
using support::kSha1Abc;
using support::ScratchStore;

const std::string kPath(kLookupPath);
std::string Get(const std::string& target, const std::string& headers = "") {
  return "GET " + target + " HTTP/1.1\r\nHost: test\r\n" + headers + "\r\n";
}
std::string Lookup(unsigned n) { return kPath + "?hash=" + ToHex(HashNumber(n)); }

// One client connection with a bound on every wait, so that a server that does not answer fails the test.
class Client {
 public:
  explicit Client(int port) : socket_(context_) {
    socket_.connect({asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
    const timeval bound{10, 0};
    setsockopt(socket_.native_handle(), SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    setsockopt(socket_.native_handle(), SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
  }
  void Send(const std::string& bytes) { asio::write(socket_, asio::buffer(bytes)); }
  // The next reply; nullopt when the connection ended instead. HEAD replies have no body to wait for.
  std::optional<Response> Read(bool head = false) {
    http::response_parser<http::string_body> parser;
    parser.skip(head);
    boost::beast::error_code ec;
    http::read(socket_, buffer_, parser, ec);
    if (ec) return std::nullopt;
    return parser.release();
  }
  // Whether the server has closed the connection (nothing more comes).
  bool Closed() {
    char byte;
    boost::beast::error_code ec;
    if (buffer_.size() > 0) return false;
    socket_.read_some(asio::buffer(&byte, 1), ec);
    return ec == asio::error::eof || ec == asio::error::connection_reset;
  }
  tcp::socket& socket() { return socket_; }

 private:
  asio::io_context context_;
  tcp::socket socket_;
  boost::beast::flat_buffer buffer_;
};

class LiveServer : public ::testing::Test {
 protected:
  void Start(ServerOptions options = {}) {
    for (unsigned i = 0; i < 6; ++i) store_->Store(HashNumber(i), static_cast<Rating>(i));
    server_ = std::make_unique<ReputationServer>(*store_, options);
    port_ = server_->Bind("127.0.0.1", 0);
    thread_ = std::thread([this] { served_ = server_->Run(); });
  }
  // Idle connections stay open for a minute: only stopping the server may close them in a test.
  void SetUp() override { Start(ServerOptions{.idle_timeout = std::chrono::seconds(60)}); }
  void TearDown() override {
    server_->Stop();
    thread_.join();
    EXPECT_TRUE(served_);
  }
  // The reply to one request on a fresh connection.
  Response Ask(const std::string& request) {
    Client client(port_);
    client.Send(request);
    auto response = client.Read(request.starts_with("HEAD"));
    if (!response) throw std::runtime_error("no reply to " + request.substr(0, 80));
    return *response;
  }

  ScratchStore scratch_{"sqlite"};
  std::unique_ptr<RatingStore> store_ = OpenRatingStore(scratch_.url());
  std::unique_ptr<ReputationServer> server_;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> served_{false};
};

struct Case {
  std::string request;
  unsigned status;
  std::string body;
};

TEST_F(LiveServer, RepliesAreOneWordOrThe404Page) {
  const std::string hex = ToHex(HashNumber(5));
  std::string upper = hex;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string page(kNotFoundPage);
  char escaped[4];
  std::snprintf(escaped, sizeof escaped, "%%%02X", hex[0]);
  std::vector<Case> cases = {
      {Get(kPath + "?hash=" + kSha1Abc), 200, "NOTFOUND"},
      {Get(kPath + "?hash=" + upper), 200, "FAKE"},
      {Get(kPath + "?hash=" + escaped + hex.substr(1)), 200, "FAKE"},
      {Get(kPath + "?client=brisvane&hash=" + hex + "&x="), 200, "FAKE"},
      {Get(kPath + "?hash=" + hex + "&hash=" + hex), 200, "FAKE"},
      {Get(kPath), 400, "MISSINGHASH"},
      {Get(kPath + "?"), 400, "MISSINGHASH"},
      {Get(kPath + "?Hash=" + hex), 400, "MISSINGHASH"},
      {Get(kPath + "?hash=" + hex + "&hash=" + kSha1Abc), 400, "INVALIDHASH"},
      {Get(kPath + "?hash=" + hex + "&hash="), 400, "INVALIDHASH"},
      {Get(kPath + "?key=1?hash=" + hex), 400, "BADREQUEST"},
      {"POST " + kPath + " HTTP/1.1\r\nHost: t\r\nContent-Length: 1\r\n\r\nx", 405, "NOTALLOWED"},
      {"DELETE " + kPath + " HTTP/1.1\r\nHost: t\r\n\r\n", 405, "NOTALLOWED"},
      {"BREW " + kPath + " HTTP/1.1\r\nHost: t\r\n\r\n", 405, "NOTALLOWED"},
      {"HEAD " + Lookup(1) + " HTTP/1.1\r\nHost: t\r\n\r\n", 200, ""},
      {Get("/healthz"), 200, "OK"},
  };
  for (unsigned i = 0; i < 6; ++i) cases.push_back({Get(Lookup(i)), 200, std::string(RatingWord(static_cast<Rating>(i)))});
  // Values that are no hash, among them bad percent-encoding and NUL bytes.
  for (const std::string& value : {std::string(), hex.substr(0, 39), hex + "0", hex.substr(0, 39) + "g", hex + "%0A",
                                   "%20" + hex, std::string(40, 'x'), hex.substr(0, 38) + "%zz", hex.substr(0, 39) + "%",
                                   hex.substr(0, 39) + "%00", "%" + hex.substr(1), hex.substr(0, 39) + "%4"}) {
    cases.push_back({Get(kPath + "?hash=" + value), 400, "INVALIDHASH"});
  }
  for (const char* path : {"/", "/api/", "/api/fakeskan.phpx", "/api/fakeskanXphp", "/api/fakeskan.php/",
                                  "/API/fakeskan.php", "/x/api/fakeskan.php", "/favicon.ico"}) {
    cases.push_back({Get(path + ("?hash=" + hex)), 404, page});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request);
    const Response response = Ask(c.request);
    EXPECT_EQ(response.result_int(), c.status);
    EXPECT_EQ(response.body(), c.body);
    EXPECT_EQ(response[http::field::content_type], c.status == 404 ? "text/html" : "text/plain");
    EXPECT_EQ(response[http::field::cache_control], c.status == 200 && c.body != "OK" ? "public, max-age=60" : "no-store");
    if (c.status == 405) {
      EXPECT_EQ(response[http::field::allow], "GET, HEAD");
    }
    if (c.request.starts_with("HEAD")) {
      EXPECT_EQ(response[http::field::content_length], "4");
    }
  }
}

TEST_F(LiveServer, BadRequestsGetAClearErrorAndTheConnectionCloses) {
  const std::string target = Lookup(1);
  std::string flood = "GET " + target + " HTTP/1.1\r\nHost: t\r\n";
  for (int i = 0; i < 200; ++i) flood += "X-" + std::to_string(i) + ": y\r\n";
  const std::vector<Case> cases = {
      {flood + "\r\n", 431, "ERROR"},
      {Get(target, "X-Padding: " + std::string(20000, 'h') + "\r\n"), 431, "ERROR"},
      {"GET " + target + "&pad=" + std::string(10000, 'p') + " HTTP/1.1\r\nHost: t\r\n\r\n", 414, "URITOOLONG"},
      {"GET " + target + "&pad=" + std::string(1 << 20, 'p') + " HTTP/1.1\r\nHost: t\r\n\r\n", 414, "URITOOLONG"},
      {"GET /api/fake" + std::string(1, '\0') + "skan.php HTTP/1.1\r\nHost: t\r\n\r\n", 400, "BADREQUEST"},
      {"GET " + target + " HTTP/1.1\r\nHost: t\r\nContent-Length: 5\r\n\r\nsmall", 400, "BADREQUEST"},
      {"GET " + target + " HTTP/1.1\r\nHost: t\r\nContent-Length: 65536\r\n\r\n" + std::string(65536, 'x'), 413, "TOOLARGE"},
      {"POST " + target + " HTTP/1.1\r\nHost: t\r\nTransfer-Encoding: chunked\r\n\r\n10000\r\n" + std::string(65536, 'x'), 413,
       "TOOLARGE"},
      {"HELLO\r\n\r\n", 400, "BADREQUEST"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request.substr(0, 60));
    Client client(port_);
    client.Send(c.request);
    const auto response = client.Read();
    ASSERT_TRUE(response);
    EXPECT_EQ(response->result_int(), c.status);
    EXPECT_EQ(response->body(), c.body);
    EXPECT_FALSE(response->keep_alive());
    EXPECT_TRUE(client.Closed());
  }
  EXPECT_EQ(Ask(Get(target)).body(), "GOOD");
}

TEST_F(LiveServer, PipelinedRequestsFromManyClientsAtOnceAreAnsweredInOrder) {
  std::atomic<unsigned> wrong{0};
  std::vector<std::thread> clients;
  for (unsigned t = 0; t < 8; ++t) {
    clients.emplace_back([&, t] {
      Client client(port_);
      std::string requests;
      for (unsigned i = 0; i < 400; ++i) requests += Get(Lookup((t + i) % 7));
      requests += Get(Lookup(2), "Connection: close\r\n");
      client.Send(requests);
      for (unsigned i = 0; i < 400; ++i) {
        const auto response = client.Read();
        const unsigned n = (t + i) % 7;  // 6 is unrated
        if (!response || response->body() != (n < 6 ? RatingWord(static_cast<Rating>(n)) : "NOTFOUND")) ++wrong;
      }
      const auto last = client.Read();
      if (!last || last->body() != "NONE" || last->keep_alive() || !client.Closed()) ++wrong;
    });
  }
  for (auto& client : clients) client.join();
  EXPECT_EQ(wrong, 0u);
}

TEST_F(LiveServer, AnImportWhileServingIsAnsweredSoonAndALostTableIsAServerError) {
  // The answer to `request` once it is `body`, asked again for up to a few times the readers' freshness.
  const auto settled = [this](const std::string& request, const std::string& body) {
    const auto deadline = std::chrono::steady_clock::now() + 3 * kReaderFreshness;
    Response response = Ask(request);
    while (response.body() != body && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      response = Ask(request);
    }
    return response;
  };
  EXPECT_EQ(Ask(Get(kPath + "?hash=" + kSha1Abc)).body(), "NOTFOUND");
  OpenRatingStore(scratch_.url())->Store(support::Hash(kSha1Abc), Rating::kBad);
  EXPECT_EQ(settled(Get(kPath + "?hash=" + kSha1Abc), "BAD").body(), "BAD");

  scratch_.Execute("DROP TABLE ratings");
  const Response failed = settled(Get(Lookup(1)), "ERROR");
  EXPECT_EQ(failed.result_int(), 500);
  EXPECT_EQ(failed.body(), "ERROR");
  EXPECT_EQ(failed[http::field::cache_control], "no-store");
  EXPECT_EQ(Ask(Get("/healthz")).result_int(), 503);
  EXPECT_EQ(Ask(Get(kPath)).body(), "MISSINGHASH");

  const std::string metrics = Ask(Get("/metrics")).body();
  for (const char* line : {"reputation_requests_total{status=\"200\",word=\"BAD\"} ",
                           "reputation_requests_total{status=\"500\",word=\"ERROR\"} 1\n",
                           "reputation_requests_total{status=\"503\",word=\"ERROR\"} 1\n",
                           "reputation_store_errors_total 2\n", "reputation_request_duration_seconds_bucket{le=\"+Inf\"} ",
                           "reputation_open_connections "}) {
    EXPECT_NE(metrics.find(line), std::string::npos) << line << "\n" << metrics;
  }
}

TEST_F(LiveServer, IdleAndHalfSentConnectionsHoldNoThreadAndStoppingFinishesRequestsInFlight) {
  rlimit files{};
  getrlimit(RLIMIT_NOFILE, &files);
  if (files.rlim_max < 4000) GTEST_SKIP() << "needs 4000 open files";
  files.rlim_cur = files.rlim_max;
  setrlimit(RLIMIT_NOFILE, &files);
  std::vector<std::unique_ptr<Client>> slow;
  for (int i = 0; i < 1000; ++i) {
    slow.push_back(std::make_unique<Client>(port_));
    if (i % 2) slow.back()->Send("GET " + Lookup(1) + " HTTP/1.1\r\nHost: t\r\nX-Slow: ");
  }
  EXPECT_EQ(Ask(Get(Lookup(3))).body(), "NOTFOUND");
  Client in_flight(port_);
  in_flight.Send("GET " + Lookup(4) + " HTTP/1.1\r\n");
  Client idle(port_);
  EXPECT_EQ(Ask(Get(Lookup(4))).body(), "BAD");
  slow.clear();

  std::thread stopper([this] { server_->Stop(); });
  EXPECT_TRUE(idle.Closed());
  in_flight.Send("Host: t\r\n\r\n");
  const auto response = in_flight.Read();
  stopper.join();
  ASSERT_TRUE(response);
  EXPECT_EQ(response->body(), "BAD");
  EXPECT_FALSE(response->keep_alive());
}

// Started by the test itself, with small limits.
class LimitedServer : public LiveServer {
 protected:
  void SetUp() override {}
};

TEST_F(LimitedServer, IdleAndStuckClientsAreDroppedAndConnectionsCapped) {
  ServerOptions options;
  options.max_connections = 3;
  options.idle_timeout = std::chrono::milliseconds(300);
  options.write_timeout = std::chrono::milliseconds(300);
  options.read_timeout = std::chrono::milliseconds(300);
  Start(options);
  Client idle(port_);
  EXPECT_TRUE(idle.Closed());  // after the idle time

  // A client that sends and never reads: its replies back up until the write time-out drops it.
  Client stuck(port_);
  const int small = 4096;
  setsockopt(stuck.socket().native_handle(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  std::string many;
  for (int i = 0; i < 2000; ++i) many += Get(Lookup(1));
  std::thread sender([&] {
    boost::beast::error_code ec;
    for (int i = 0; i < 50 && !ec; ++i) asio::write(stuck.socket(), asio::buffer(many), ec);
  });
  EXPECT_EQ(Ask(Get(Lookup(2))).body(), "NONE");
  sender.join();  // ends once the server has dropped the connection
  for (int i = 0; i < 1000 && server_->metrics().open_connections() > 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  Client first(port_);
  Client second(port_);
  Client third(port_);
  third.Send(Get(Lookup(5)));
  EXPECT_EQ(third.Read()->body(), "FAKE");
  const Response refused = Ask(Get(Lookup(5)));
  EXPECT_EQ(refused.result_int(), 503);
  EXPECT_EQ(refused.body(), "ERROR");
}

TEST(ReputationServerLife, StopBeforeOrRightAfterRunIsNotLostAndABusyPortIsAnError) {
  ScratchStore scratch("sqlite");
  const auto store = OpenRatingStore(scratch.url());
  ReputationServer early(*store, ServerOptions{});
  const int port = early.Bind("127.0.0.1", 0);
  early.Stop();
  EXPECT_TRUE(early.Run());
  ReputationServer second(*store, ServerOptions{});
  EXPECT_THROW(second.Bind("127.0.0.1", port), std::runtime_error);
  for (int round = 0; round < 20; ++round) {
    ReputationServer server(*store, ServerOptions{});
    server.Bind("127.0.0.1", 0);
    std::thread thread([&] { server.Run(); });
    server.Stop();
    thread.join();
  }
}

}  // namespace
}  // namespace brisvane::reputation
