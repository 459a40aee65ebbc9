#include "app/reputation_lookup.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace brisvane {
namespace {

constexpr char kHash[] = "600ccd1b71569232d01d110bc63e906beab04d8c";
constexpr char kService[] = "http://127.0.0.1:8080/api/fakeskan.php";
const std::string kUnexpected = "Unexpected value returned from API call:\r\n";

TEST(LookUpRating, AReplyThatCanBeARatingWordIsTakenUnchangedAnyOtherHasItsMessageAndItsLogLine) {
  const std::string page = "<html><head><title>404 Not Found</title></head><body>nope</body></html>";
  std::string overlong = "<title>404 Not Found</title>" + std::string(kMaxReplyBytes, 'x');
  overlong.resize(kMaxReplyBytes);
  const std::string odd("GO\0OD\xE9", 6);
  struct Case {
    std::string reply;
    bool sent, truncated;
    std::string message;  // none: the reply is the rating
    std::vector<std::string> logged;
  };
  const Case cases[] = {
      {"GOOD", true, false, "", {"GOOD"}},
      {"SOMETHING ELSE", true, false, "", {"SOMETHING ELSE"}},
      {"<title>404 not found</title>", true, false, "", {"<title>404 not found</title>"}},
      {odd, true, false, "", {odd}},
      {"", false, false, std::string("Error contacting URL: ") + kService + "?hash=" + kHash, {}},
      {"", true, false, "No data was returned back from API call.", {"ERROR"}},
      {"GOOD\r\n", true, false, kUnexpected + "GOOD\r\n", {"ERROR"}},
      {"\rGOOD", true, false, kUnexpected + "\rGOOD", {"ERROR"}},
      {page, true, false, "404 error!:\r\n" + page, {}},
      {"<html>\r\n" + page, true, false, kUnexpected + "<html>\r\n" + page, {"ERROR"}},
      // Past the cap: cut for display, whatever it holds.
      {overlong, true, true, kUnexpected + overlong.substr(0, kShownReplyBytes) + "\xE2\x80\xA6", {"ERROR"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply.substr(0, 40));
    testing::FakeHttpClient http;
    testing::FakeMessageBox messages;
    std::vector<std::string> logged;
    http.Answer(c.reply);
    http.reply.sent = c.sent;
    http.reply.truncated = c.truncated;
    EXPECT_EQ(LookUpRating(kService, kHash, http, messages, [&](std::string_view s) { logged.emplace_back(s); }),
              c.message.empty() ? c.reply : "");
    EXPECT_EQ(messages.shown, c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
    EXPECT_EQ(logged, c.logged);
  }
}

}  // namespace
}  // namespace brisvane
