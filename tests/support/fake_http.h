#pragma once
// An HTTP client for tests: records the URLs it is asked for and answers with the reply set last.
#include <string>
#include <string_view>
#include <vector>

#include "platform/http.h"

namespace brisvane::testing {

class FakeHttpClient final : public IHttpClient {
 public:
  HttpReply Get(std::string_view url) override {
    urls.emplace_back(url);
    return reply;
  }

  // A delivered reply with these body bytes and status.
  void Answer(std::string_view body, int status = 200) {
    reply = {};
    reply.sent = true;
    reply.body.assign(body.begin(), body.end());
    reply.status = status;
  }
  // A request that never got an answer.
  void Fail(std::string error = "the connection was refused") {
    reply = {};
    reply.error = std::move(error);
  }

  HttpReply reply;
  std::vector<std::string> urls;
};

}  // namespace brisvane::testing
