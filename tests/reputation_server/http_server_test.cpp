// The server on a loopback port, spoken to with raw bytes: the replies the Windows client depends on,
// the limits and what bad input gets.
#include "http_server.h"

#include <algorithm>

#include "http_service.h"
#include "test_support.h"

namespace brisvane::reputation {
namespace {

using namespace support;

const std::string kPath(kLookupPath);
std::string Lookup(unsigned n) { return kPath + "?hash=" + HexNumber(n); }
std::string Word(unsigned n) { return n < 6 ? std::string(RatingWord(static_cast<Rating>(n))) : "NOTFOUND"; }

// A server on a free port whose store rates hash n (n < 6) with the rating of code n.
class LiveServer : public ::testing::Test {
 protected:
  void Start(ServerOptions options) {
    for (unsigned i = 0; i < 6; ++i) store_->Store(HashNumber(i), static_cast<Rating>(i));
    server_ = std::make_unique<ReputationServer>(*store_, options);
    port_ = server_->Bind("127.0.0.1", 0);
    thread_ = std::thread([this] { server_->Run(); });
  }
  // Idle connections stay open for a minute: only stopping the server may close them here.
  void SetUp() override { Start({.idle_timeout = 60s}); }
  void TearDown() override {
    server_->Stop();
    thread_.join();
  }
  Response Ask(const std::string& target) { return Client(port_).Ask(target); }

  ScratchStore scratch_{"sqlite"};
  std::unique_ptr<RatingStore> store_ = scratch_.Open();
  std::unique_ptr<ReputationServer> server_;
  int port_ = 0;
  std::thread thread_;
};

// Requests and their replies: one word (a rating, or what is wrong), or the 404 page. A request that
// is bad HTTP, or too large, also closes the connection.
TEST_F(LiveServer, EachRequestGetsOneWordOrThe404Page) {
  const std::string hex = HexNumber(5);
  const std::string escaped = "%" + ToHex(InfoHash{static_cast<std::uint8_t>(hex[0])}).substr(0, 2) + hex.substr(1);
  std::string flood = "GET " + Lookup(1) + " HTTP/1.1\r\n";
  for (int i = 0; i < 200; ++i) flood += "X-" + std::to_string(i) + ": y\r\n";
  struct Case {
    std::string request;
    unsigned status;
    std::string body;
    bool closes = false;
  };
  std::vector<Case> cases = {
      {Get(kPath + "?hash=" + escaped), 200, "FAKE"},
      {Get(kPath + "?client=brisvane&hash=" + hex + "&x="), 200, "FAKE"},
      {Get(kPath + "?hash=" + hex + "&hash=" + hex), 200, "FAKE"},
      {Get(kPath), 400, "MISSINGHASH"},
      {Get(kPath + "?Hash=" + hex), 400, "MISSINGHASH"},
      {Get(kPath + "?hash=" + hex + "&hash=" + kSha1Abc), 400, "INVALIDHASH"},
      {Get(kPath + "?key=1?hash=" + hex), 400, "BADREQUEST"},
      {"POST " + kPath + " HTTP/1.1\r\nContent-Length: 1\r\n\r\nx", 405, "NOTALLOWED"},
      {"HEAD " + Lookup(1) + " HTTP/1.1\r\n\r\n", 200, ""},
      {Get("/healthz"), 200, "OK"},
      {flood + "\r\n", 431, "ERROR", true},
      {Get(Lookup(1), "X-Padding: " + std::string(20000, 'h') + "\r\n"), 431, "ERROR", true},
      {Get(Lookup(1) + "&pad=" + std::string(10000, 'p')), 414, "URITOOLONG", true},
      {Get(Lookup(1) + "&pad=" + std::string(1 << 20, 'p')), 414, "URITOOLONG", true},
      {Get(Lookup(1) + std::string(1, '\0')), 400, "BADREQUEST", true},
      {Get(Lookup(1), "Content-Length: 5\r\n") + "small", 400, "BADREQUEST", true},
      {Get(Lookup(1), "Content-Length: 65536\r\n") + std::string(65536, 'x'), 413, "TOOLARGE", true},
  };
  // After the requests that close their connections, every rating and one that is not there.
  for (unsigned i = 0; i <= 6; ++i) cases.push_back({Get(Lookup(i)), 200, Word(i)});
  // Values that are no hash, among them bad percent-encoding and NUL bytes.
  for (const std::string& value : {std::string(), hex.substr(0, 39), hex + "0", hex + "%0A", "%20" + hex,
                                   hex.substr(0, 38) + "%zz", hex.substr(0, 39) + "%", hex.substr(0, 39) + "%00",
                                   "%" + hex.substr(1), hex.substr(0, 39) + "%4", hex.substr(0, 39) + "g"}) {
    cases.push_back({Get(kPath + "?hash=" + value), 400, "INVALIDHASH"});
  }
  for (const char* path : {"/", "/api/fakeskan.phpx", "/API/fakeskan.php", "/x/api/fakeskan.php"}) {
    cases.push_back({Get(path + ("?hash=" + hex)), 404, std::string(kNotFoundPage)});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request.substr(0, 100));
    Client client(port_);
    client.Send(c.request);
    const auto response = client.Read(c.request.starts_with("HEAD"));
    ASSERT_TRUE(response);
    EXPECT_EQ(response->result_int(), c.status);
    EXPECT_EQ(response->body(), c.body);
    EXPECT_EQ((*response)[http::field::content_type], c.status == 404 ? "text/html" : "text/plain");
    EXPECT_EQ((*response)[http::field::cache_control], c.status == 200 && c.body != "OK" ? "public, max-age=60" : "no-store");
    EXPECT_EQ((*response)[http::field::allow], c.status == 405 ? "GET, HEAD" : "");
    EXPECT_EQ((*response)[http::field::content_length], std::to_string(c.request.starts_with("HEAD") ? 4 : c.body.size()));
    EXPECT_EQ(response->keep_alive(), !c.closes);
    EXPECT_TRUE(!c.closes || client.Closed());
  }
}

TEST_F(LiveServer, PipelinedRequestsFromManyClientsAtOnceAreAnsweredInOrder) {
  std::atomic<unsigned> wrong{0};
  std::vector<std::jthread> clients;
  for (unsigned t = 0; t < 8; ++t) {
    clients.emplace_back([&, t] {
      Client client(port_);
      std::string requests;
      for (unsigned i = 0; i < 400; ++i) requests += Get(Lookup((t + i) % 7));
      client.Send(requests + Get(Lookup(2), "Connection: close\r\n"));
      for (unsigned i = 0; i < 400; ++i) wrong += client.Read().value_or(Response()).body() != Word((t + i) % 7);
      const auto last = client.Read();
      wrong += !last || last->body() != "NONE" || last->keep_alive() || !client.Closed();
    });
  }
  clients.clear();  // each joins its thread
  EXPECT_EQ(wrong, 0u);
}

TEST_F(LiveServer, ALostTableIsAServerErrorThatTheMetricsCount) {
  scratch_.Sql("DROP TABLE ratings");
  Response failed;  // a reader may answer from what it read a moment ago
  EXPECT_TRUE(Eventually([&] { return (failed = Ask(Lookup(1))).body() == "ERROR"; }, 3 * kReaderFreshness));
  EXPECT_EQ(failed.result_int(), 500);
  EXPECT_EQ(failed[http::field::cache_control], "no-store");
  EXPECT_EQ(Ask("/healthz").result_int(), 503);
  EXPECT_EQ(Ask(kPath).body(), "MISSINGHASH");

  // A request is counted once its answer has gone out: the last one may not be counted yet.
  const char* const lines[] = {"reputation_requests_total{status=\"400\",word=\"MISSINGHASH\"} 1\n",
                               "reputation_requests_total{status=\"500\",word=\"ERROR\"} 1\n",
                               "reputation_requests_total{status=\"503\",word=\"ERROR\"} 1\n",
                               "reputation_store_errors_total 2\n", "reputation_request_duration_seconds_bucket{le=\"+Inf\"} ",
                               "reputation_open_connections "};
  std::string metrics;
  const auto all_counted = [&] {
    metrics = Ask("/metrics").body();
    return std::ranges::all_of(lines, [&](const char* line) { return metrics.find(line) != std::string::npos; });
  };
  EXPECT_TRUE(Eventually(all_counted, kReaderFreshness)) << metrics;
}

TEST_F(LiveServer, IdleAndHalfSentConnectionsHoldNoThreadAndAStopFinishesRequestsInFlightOrComesFirst) {
  // Many more than the server's two threads; both ends are in this process, within its usual 1024 files.
  std::vector<std::unique_ptr<Client>> slow;
  for (int i = 0; i < 400; ++i) {
    slow.push_back(std::make_unique<Client>(port_));
    if (i % 2) slow.back()->Send("GET " + Lookup(1) + " HTTP/1.1\r\nHost: t\r\nX-Slow: ");
  }
  Client in_flight(port_);
  in_flight.Send("GET " + Lookup(4) + " HTTP/1.1\r\n");
  Client idle(port_);
  EXPECT_EQ(Ask(Lookup(4)).body(), "BAD");
  slow.clear();

  std::thread stopper([this] { server_->Stop(); });
  EXPECT_TRUE(idle.Closed());
  in_flight.Send("Host: t\r\n\r\n");
  const auto response = in_flight.Read();
  stopper.join();
  ASSERT_TRUE(response);
  EXPECT_EQ(response->body(), "BAD");
  EXPECT_FALSE(response->keep_alive());

  // A stop that comes before serving starts (a signal right after the port is bound) is not lost.
  ReputationServer early(*store_, {});
  early.Stop();
  EXPECT_TRUE(early.Run());
}

TEST_F(LiveServer, WithSmallLimitsIdleAndStuckClientsAreDroppedAndConnectionsCapped) {
  server_->Stop();
  thread_.join();
  Start({.max_connections = 3, .idle_timeout = 300ms, .read_timeout = 300ms, .write_timeout = 300ms});
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
  EXPECT_EQ(Ask(Lookup(2)).body(), "NONE");
  sender.join();  // ends once the server has dropped the connection
  EXPECT_TRUE(Eventually([&] { return server_->metrics().open_connections() == 0; }));

  Client first(port_), second(port_), third(port_);
  EXPECT_EQ(third.Ask(Lookup(5)).body(), "FAKE");
  const Response refused = Ask(Lookup(5));
  EXPECT_EQ(refused.result_int(), 503);
  EXPECT_EQ(refused.body(), "ERROR");
}

}  // namespace
}  // namespace brisvane::reputation
