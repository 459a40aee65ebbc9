// The system HTTP client of this build (libcurl natively, WinHTTP under Windows) against a real server
// on 127.0.0.1: the bytes and failures the reputation lookup builds on.
#include <gtest/gtest.h>

#include <string>

#include "platform/http.h"
#include "support/test_http_server.h"

namespace brisvane {
namespace {

using namespace std::chrono_literals;
using testing::ClosedPort;
using testing::TestHttpServer;

// Short limits keep the failure cases quick; what they prove holds for the real ones.
HttpTimeouts Quick() { return {1000ms, 1000ms, 1000ms, 1000ms, 5000ms}; }

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(HttpContract, BodyBytesArriveExactlyWhateverTheStatus) {
  TestHttpServer server;
  auto client = MakeSystemHttpClient(Quick());

  std::string every_byte;
  for (int b = 0; b < 256; ++b) every_byte += static_cast<char>(b);
  server.Reply(200, every_byte);
  HttpReply reply = client->Get(server.Url("/api/fakeskan.php?hash=00"));
  ASSERT_TRUE(reply.sent) << reply.error;
  EXPECT_EQ(Text(reply.body), every_byte);
  EXPECT_FALSE(reply.truncated);
  EXPECT_EQ(reply.status, 200);

  // An error status still carries its body; judging it is the caller's business.
  for (int status : {404, 500, 503}) {
    server.Reply(status, "VERIFIED");
    reply = client->Get(server.Url());
    ASSERT_TRUE(reply.sent) << status << ": " << reply.error;
    EXPECT_EQ(Text(reply.body), "VERIFIED");
    EXPECT_EQ(reply.status, status);
  }

  server.Reply(200, "");
  reply = client->Get(server.Url());
  ASSERT_TRUE(reply.sent) << reply.error;
  EXPECT_TRUE(reply.body.empty());
  EXPECT_FALSE(reply.truncated);
}

TEST(HttpContract, TheUrlGoesOutAsGiven) {
  TestHttpServer server;
  auto client = MakeSystemHttpClient(Quick());
  server.Reply(200, "NONE");
  // A service URL with its own query gets a second "?" from the lookup; nothing may rewrite it.
  const std::string target = "/api/fakeskan.php?key=1?hash=600ccd1b71569232d01d110bc63e906beab04d8c";
  ASSERT_TRUE(client->Get(server.Url(target)).sent);
  ASSERT_EQ(server.Targets().size(), 1u);
  EXPECT_EQ(server.Targets()[0], target);
  // No path at all is a request for "/".
  ASSERT_TRUE(client->Get(server.Url("")).sent);
  EXPECT_EQ(server.Targets().back(), "/");
}

TEST(HttpContract, BodyIsCutAtTheCapAndSaysSo) {
  TestHttpServer server;
  auto client = MakeSystemHttpClient(Quick());

  std::string body(kMaxReplyBytes, 'x');
  body.back() = 'y';
  server.Reply(200, body);
  HttpReply reply = client->Get(server.Url());
  ASSERT_TRUE(reply.sent) << reply.error;
  EXPECT_EQ(Text(reply.body), body);
  EXPECT_FALSE(reply.truncated);

  server.Reply(200, body + "z");
  reply = client->Get(server.Url());
  ASSERT_TRUE(reply.sent) << reply.error;
  EXPECT_EQ(Text(reply.body), body);
  EXPECT_TRUE(reply.truncated);

  // A server that never stops sending is cut off, not read to the end.
  server.Endless();
  reply = client->Get(server.Url());
  ASSERT_TRUE(reply.sent) << reply.error;
  EXPECT_EQ(reply.body.size(), kMaxReplyBytes);
  EXPECT_TRUE(reply.truncated);
  EXPECT_EQ(reply.status, 200);
}

TEST(HttpContract, SilentServerEndsInATimeOutNotAHang) {
  TestHttpServer server;
  server.Silent();
  auto client = MakeSystemHttpClient(Quick());
  const HttpReply reply = client->Get(server.Url("/api/fakeskan.php?hash=00"));
  EXPECT_FALSE(reply.sent);
  EXPECT_FALSE(reply.error.empty());
  EXPECT_TRUE(reply.body.empty());
  EXPECT_EQ(server.Targets().size(), 1u);  // the request did go out
}

TEST(HttpContract, NoAnswerAtAllOrAUrlTheClientCannotUseIsNotSent) {
  auto client = MakeSystemHttpClient(Quick());
  TestHttpServer closing;
  closing.CloseAtOnce();
  for (const std::string& url : {closing.Url(), "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/",
                                 std::string(""), std::string("http://"), std::string("not a url"),
                                 std::string("http://[::1"), std::string("ftp://127.0.0.1/x"),
                                 std::string("file:///etc/hosts"), std::string("http://127.0.0.1:99999/")}) {
    const HttpReply reply = client->Get(url);
    EXPECT_FALSE(reply.sent) << url;
    EXPECT_FALSE(reply.error.empty()) << url;
    EXPECT_TRUE(reply.body.empty()) << url;
  }
}

}  // namespace
}  // namespace brisvane
