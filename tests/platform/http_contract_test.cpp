// The system HTTP client of this build (libcurl natively, WinHTTP under Windows) against a real server
// on 127.0.0.1: the bytes and failures the reputation lookup builds on.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/http.h"
#include "support/test_http_server.h"

namespace brisvane {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using testing::TestHttpServer;

// Short limits keep the failure cases quick; what they prove holds for the real ones.
HttpTimeouts Quick() { return {1000ms, 1000ms, 1000ms, 1000ms, 5000ms}; }

// A service URL with its own query gets a second "?" from the lookup; nothing may rewrite it. An error
// status still carries its body, judging it is the caller's business; a body is cut at the cap and says so.
TEST(HttpContract, TheUrlGoesOutAsGivenAndTheBodyArrivesExactlyWhateverTheStatusUpToTheCap) {
  TestHttpServer server;
  auto client = MakeSystemHttpClient(Quick());
  std::string every_byte, full(kMaxReplyBytes, 'x');
  for (int b = 0; b < 256; ++b) every_byte += static_cast<char>(b);
  full.back() = 'y';
  const std::string target = "/api/fakeskan.php?key=1?hash=600ccd1b71569232d01d110bc63e906beab04d8c";
  for (const auto& [status, body] : {std::pair{200, every_byte}, {404, "VERIFIED"s}, {503, ""s}, {200, full}, {200, full + "z"}}) {
    server.Reply(status, body);
    const HttpReply reply = client->Get(server.Url(target));
    ASSERT_TRUE(reply.sent) << status << ": " << reply.error;
    EXPECT_EQ(std::string(reply.body.begin(), reply.body.end()), body.substr(0, kMaxReplyBytes));
    EXPECT_EQ(reply.status, status);
    EXPECT_EQ(reply.truncated, body.size() > kMaxReplyBytes);
    EXPECT_EQ(server.Targets().back(), target);
  }
  // No path at all is a request for "/".
  ASSERT_TRUE(client->Get(server.Url("")).sent);
  EXPECT_EQ(server.Targets().back(), "/");

  // A server that never stops sending is cut off, not read to the end.
  server.Endless();
  const HttpReply reply = client->Get(server.Url());
  ASSERT_TRUE(reply.sent) << reply.error;
  EXPECT_EQ(reply.body.size(), kMaxReplyBytes);
  EXPECT_TRUE(reply.truncated);
  EXPECT_EQ(reply.status, 200);
}

// A server that never answers ends in a time-out, not a hang.
TEST(HttpContract, NoAnswerAtAllOrAUrlTheClientCannotUseIsNotSent) {
  auto client = MakeSystemHttpClient(Quick());
  TestHttpServer closing, silent;
  closing.CloseAtOnce();
  silent.Silent();
  // TestHttpServer().Url(): a server already gone, nothing listens on its port.
  for (const std::string& url : {silent.Url("/api/fakeskan.php?hash=00"), closing.Url(),
                                 TestHttpServer().Url(), ""s, "http://"s, "not a url"s, "http://[::1"s,
                                 "ftp://127.0.0.1/x"s, "file:///etc/hosts"s, "http://127.0.0.1:99999/"s}) {
    const HttpReply reply = client->Get(url);
    EXPECT_FALSE(reply.sent) << url;
    EXPECT_FALSE(reply.error.empty()) << url;
    EXPECT_TRUE(reply.body.empty()) << url;
  }
  EXPECT_EQ(silent.Targets().size(), 1u);  // the request did go out
}

}  // namespace
}  // namespace brisvane
