#include "http_service.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <sqlite3.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "test_support.h"

namespace brisvane::reputation {
namespace {

using support::Hash;
using support::HashNumber;
using support::kSha1Abc;
using support::kSha1Empty;
using support::TempDir;

const std::string kPath(kLookupPath);
const std::string kPage(kNotFoundPage);

// A server on a free loopback port, serving from a thread of its own.
class LiveServer : public ::testing::Test {
 protected:
  void SetUp() override {
    for (unsigned i = 0; i < 6; ++i) store_.Store(HashNumber(i), static_cast<Rating>(i));
    ServerOptions options;
    options.threads = 8;
    server_ = std::make_unique<ReputationServer>(store_, options);
    port_ = server_->Bind("127.0.0.1", 0);
    ASSERT_GT(port_, 0);
    thread_ = std::thread([this] { served_ = server_->Run(); });
  }
  void TearDown() override {
    server_->Stop();
    thread_.join();
    EXPECT_TRUE(served_);
  }

  httplib::Client Client() const {
    httplib::Client client("127.0.0.1", port_);
    client.set_connection_timeout(10);
    client.set_read_timeout(10);
    client.set_write_timeout(10);
    return client;
  }
  httplib::Result Get(const std::string& target) {
    auto client = Client();
    return client.Get(target.c_str());
  }

  TempDir dir_;
  RatingStore store_{dir_ / "ratings.db"};
  std::unique_ptr<ReputationServer> server_;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> served_{false};
};

void ExpectWord(const httplib::Result& result, int status, const std::string& word) {
  ASSERT_TRUE(result) << httplib::to_string(result.error());
  EXPECT_EQ(result->status, status);
  EXPECT_EQ(result->body, word);
  EXPECT_EQ(result->get_header_value("Content-Type"), "text/plain");
}

TEST_F(LiveServer, EachRatingIsTheWholeBody) {
  for (unsigned i = 0; i < 6; ++i) {
    const auto result = Get(kPath + "?hash=" + ToHex(HashNumber(i)));
    ExpectWord(result, 200, std::string(RatingWord(static_cast<Rating>(i))));
    // What the client refuses: any line break, even a trailing one.
    EXPECT_EQ(result->body.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(result->get_header_value("Content-Length"), std::to_string(result->body.size()));
  }
  ExpectWord(Get(kPath + "?hash=" + kSha1Abc), 200, "NOTFOUND");
}

TEST_F(LiveServer, UpperCaseAndEncodedHashesAreTheSameTorrent) {
  const std::string hex = ToHex(HashNumber(5));
  std::string upper = hex;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  ExpectWord(Get(kPath + "?hash=" + upper), 200, "FAKE");
  char escaped[4];
  std::snprintf(escaped, sizeof escaped, "%%%02X", hex[0]);
  ExpectWord(Get(kPath + "?hash=" + escaped + hex.substr(1)), 200, "FAKE");
  // Other keys next to it do not matter.
  ExpectWord(Get(kPath + "?client=brisvane&hash=" + hex + "&x="), 200, "FAKE");
}

TEST_F(LiveServer, AMissingOrMalformedHashIsABadRequest) {
  const std::string hex = kSha1Abc;
  ExpectWord(Get(kPath), 400, "MISSINGHASH");
  ExpectWord(Get(kPath + "?"), 400, "MISSINGHASH");
  ExpectWord(Get(kPath + "?Hash=" + hex), 400, "MISSINGHASH");  // keys are case-sensitive
  ExpectWord(Get(kPath + "?info_hash=" + hex), 400, "MISSINGHASH");
  for (const std::string& value : {std::string(), hex.substr(0, 39), hex + "0", hex.substr(0, 39) + "g",
                                   hex.substr(0, 39) + "%20", "%20" + hex, hex + "%0A", std::string(40, 'x')}) {
    SCOPED_TRACE(value);
    ExpectWord(Get(kPath + "?hash=" + value), 400, "INVALIDHASH");
  }
  // Two different hashes leave open which one is meant; the library folds a repeated one into one.
  ExpectWord(Get(kPath + "?hash=" + hex + "&hash=" + kSha1Empty), 400, "INVALIDHASH");
  ExpectWord(Get(kPath + "?hash=" + hex + "&hash="), 400, "INVALIDHASH");
  ExpectWord(Get(kPath + "?hash=" + ToHex(HashNumber(2)) + "&hash=" + ToHex(HashNumber(2))), 200, "NONE");
  // A service URL that already has a query gets a second "?" from the client: the library refuses that.
  const auto second_question_mark = Get(kPath + "?key=1?hash=" + ToHex(HashNumber(2)));
  ASSERT_TRUE(second_question_mark);
  EXPECT_EQ(second_question_mark->status, 400);
  EXPECT_EQ(second_question_mark->body, "BADREQUEST");
}

TEST_F(LiveServer, OtherPathsAreNotFoundLikeAPlainWebServer) {
  for (const std::string& path : {std::string("/"), std::string("/api/"), std::string("/api/fakeskan.phpx"),
                                  std::string("/api/fakeskanXphp"), std::string("/api/fakeskan.php/"),
                                  std::string("/API/fakeskan.php"), std::string("/x/api/fakeskan.php"),
                                  std::string("/favicon.ico")}) {
    const auto result = Get(path + "?hash=" + kSha1Abc);
    ASSERT_TRUE(result) << path;
    EXPECT_EQ(result->status, 404) << path;
    EXPECT_EQ(result->body, kPage) << path;
    EXPECT_EQ(result->get_header_value("Content-Type"), "text/html") << path;
  }
}

TEST_F(LiveServer, OtherMethodsOnThePathAreNotAllowed) {
  auto client = Client();
  const std::string target = kPath + "?hash=" + kSha1Abc;
  std::vector<httplib::Result> results;
  results.push_back(client.Post(target.c_str(), "x", "text/plain"));
  results.push_back(client.Put(target.c_str(), "x", "text/plain"));
  results.push_back(client.Patch(target.c_str(), "x", "text/plain"));
  results.push_back(client.Delete(target.c_str()));
  results.push_back(client.Options(target.c_str()));
  for (const auto& result : results) {
    ExpectWord(result, 405, "NOTALLOWED");
    EXPECT_EQ(result->get_header_value("Allow"), "GET, HEAD");
  }
  const auto head = client.Head((kPath + "?hash=" + ToHex(HashNumber(1))).c_str());
  ASSERT_TRUE(head);
  EXPECT_EQ(head->status, 200);
  EXPECT_EQ(head->body, "");
}

TEST_F(LiveServer, OversizedRequestsAreRefused) {
  auto client = Client();
  httplib::Request with_body;
  with_body.method = "GET";
  with_body.path = kPath + "?hash=" + ToHex(HashNumber(1));
  with_body.body = std::string(64 * 1024, 'x');
  with_body.set_header("Content-Type", "text/plain");
  auto refused = client.send(with_body);
  ExpectWord(refused, 413, "TOOLARGE");
  // The library leaves a GET's body unread: the client must not send another request after it.
  EXPECT_EQ(refused->get_header_value("Connection"), "close");
  with_body.body = "small";
  refused = client.send(with_body);
  ExpectWord(refused, 400, "BADREQUEST");
  EXPECT_EQ(refused->get_header_value("Connection"), "close");
  httplib::Request post = with_body;
  post.method = "POST";
  post.body = std::string(64 * 1024, 'x');
  refused = client.send(post);
  ExpectWord(refused, 413, "TOOLARGE");
  EXPECT_EQ(refused->get_header_value("Connection"), "close");

  ExpectWord(Get(kPath + "?hash=" + ToHex(HashNumber(1)) + "&pad=" + std::string(10000, 'p')), 414, "URITOOLONG");

  // One header line longer than the library reads: no answer with a rating.
  httplib::Headers headers = {{"X-Padding", std::string(16 * 1024, 'h')}};
  const auto padded = client.Get((kPath + "?hash=" + ToHex(HashNumber(1))).c_str(), headers);
  if (padded) {
    EXPECT_GE(padded->status, 400);
    EXPECT_NE(padded->body, "GOOD");
  }
  // And the server still answers afterwards.
  ExpectWord(Get(kPath + "?hash=" + ToHex(HashNumber(1))), 200, "GOOD");
}

TEST_F(LiveServer, OneConnectionCarriesManyRequests) {
  auto client = Client();
  client.set_keep_alive(true);
  for (unsigned i = 0; i < 20; ++i) {
    const auto result = client.Get((kPath + "?hash=" + ToHex(HashNumber(i % 6))).c_str());
    ExpectWord(result, 200, std::string(RatingWord(static_cast<Rating>(i % 6))));
    EXPECT_EQ(result->get_header_value("Keep-Alive"), "timeout=2, max=1000");
    EXPECT_TRUE(client.is_socket_open());
  }
}

TEST_F(LiveServer, AnImportWhileServingIsAnsweredAtOnce) {
  ExpectWord(Get(kPath + "?hash=" + kSha1Empty), 200, "NOTFOUND");
  {
    RatingStore importer(dir_ / "ratings.db");
    importer.Store(Hash(kSha1Empty), Rating::kBad);
  }
  ExpectWord(Get(kPath + "?hash=" + kSha1Empty), 200, "BAD");
}

TEST_F(LiveServer, ADatabaseFailureIsAServerErrorNotARating) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((dir_ / "ratings.db").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "DROP TABLE ratings", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  ExpectWord(Get(kPath + "?hash=" + ToHex(HashNumber(1))), 500, "ERROR");
  // Malformed requests are still told so.
  ExpectWord(Get(kPath), 400, "MISSINGHASH");
}

TEST_F(LiveServer, ManyClientsAtOnceAllGetTheirOwnAnswer) {
  std::atomic<unsigned> wrong{0};
  std::vector<std::thread> clients;
  for (unsigned t = 0; t < 12; ++t) {
    clients.emplace_back([&, t] {
      auto client = Client();
      client.set_keep_alive(t % 2 == 0);
      for (unsigned i = 0; i < 60; ++i) {
        const unsigned n = (t + i) % 7;  // 6 is unknown
        const auto result = client.Get((kPath + "?hash=" + ToHex(HashNumber(n))).c_str());
        const std::string expected = n < 6 ? std::string(RatingWord(static_cast<Rating>(n))) : "NOTFOUND";
        if (!result || result->status != 200 || result->body != expected) ++wrong;
      }
    });
  }
  for (auto& client : clients) client.join();
  EXPECT_EQ(wrong, 0u);
}

TEST(ReputationServerLife, StopsWhileIdleConnectionsAreOpenAndThenRefusesConnections) {
  TempDir dir;
  RatingStore store(dir / "ratings.db");
  ReputationServer server(store, ServerOptions{});
  const int port = server.Bind("127.0.0.1", 0);
  bool served = false;
  std::thread thread([&] { served = server.Run(); });
  httplib::Client idle("127.0.0.1", port);
  idle.set_keep_alive(true);
  idle.set_read_timeout(10);
  ASSERT_TRUE(idle.Get((kPath + "?hash=" + kSha1Abc).c_str()));
  server.Stop();
  thread.join();
  EXPECT_TRUE(served);
  httplib::Client late("127.0.0.1", port);
  late.set_connection_timeout(5);
  const auto result = late.Get((kPath + "?hash=" + kSha1Abc).c_str());
  EXPECT_FALSE(result);
}

TEST(ReputationServerLife, AStopBeforeRunIsNotLost) {
  TempDir dir;
  RatingStore store(dir / "ratings.db");
  ReputationServer server(store, ServerOptions{});
  server.Bind("127.0.0.1", 0);
  server.Stop();
  EXPECT_TRUE(server.Run());
}

TEST(ReputationServerLife, AStopRightAfterRunStartsIsNotLost) {
  TempDir dir;
  RatingStore store(dir / "ratings.db");
  for (int round = 0; round < 20; ++round) {
    ReputationServer server(store, ServerOptions{});
    server.Bind("127.0.0.1", 0);
    std::thread thread([&] { server.Run(); });
    server.Stop();
    thread.join();
  }
}

TEST(ReputationServerLife, APortInUseIsAnError) {
  TempDir dir;
  RatingStore store(dir / "ratings.db");
  ReputationServer first(store, ServerOptions{});
  const int port = first.Bind("127.0.0.1", 0);
  ReputationServer second(store, ServerOptions{});
  EXPECT_THROW(second.Bind("127.0.0.1", port), std::runtime_error);
}

TEST(LookupReply, PlainFunctionAnswers) {
  TempDir dir;
  RatingStore store(dir / "ratings.db");
  store.Store(Hash(kSha1Abc), Rating::kNone);
  const std::vector<std::string> one = {kSha1Abc};
  const Reply reply = LookupReply(store, one);
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body, "NONE");
  EXPECT_EQ(reply.content_type, "text/plain");
  EXPECT_EQ(LookupReply(store, {}).body, "MISSINGHASH");
  EXPECT_EQ(StatusReply(404).body, kPage);
  EXPECT_EQ(StatusReply(404).content_type, "text/html");
  // Every other error body is one word on no line.
  for (int status : {400, 405, 413, 414, 431, 500, 503}) {
    const std::string body = StatusReply(status).body;
    EXPECT_FALSE(body.empty());
    EXPECT_EQ(body.find_first_of(" \r\n"), std::string::npos) << status;
    EXPECT_FALSE(ParseRating(body)) << "an error must not read as a rating: " << body;
  }
}

}  // namespace
}  // namespace brisvane::reputation
