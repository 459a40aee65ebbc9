// The HTTP client of native builds, on libcurl. Proxies come from the environment (http_proxy,
// https_proxy, no_proxy), as libcurl reads them.
#include <curl/curl.h>

#include <algorithm>
#include <mutex>
#include <string>

#include "platform/http.h"

namespace brisvane {
namespace {

struct Sink {
  Bytes* body;
  bool truncated = false;
};

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* user) {
  auto& sink = *static_cast<Sink*>(user);
  const std::size_t n = size * count;
  const std::size_t room = kMaxReplyBytes - sink.body->size();
  sink.body->insert(sink.body->end(), data, data + std::min(n, room));
  if (n > room) {
    // Returning short ends the transfer; we have all we will keep.
    sink.truncated = true;
    return 0;
  }
  return n;
}

long Millis(std::chrono::milliseconds ms) { return static_cast<long>(ms.count()); }

class CurlHttpClient final : public IHttpClient {
 public:
  explicit CurlHttpClient(const HttpTimeouts& timeouts) : timeouts_(timeouts) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  }

  HttpReply Get(std::string_view url) override {
    HttpReply reply;
    CURL* curl = curl_easy_init();
    if (!curl) {
      reply.error = "libcurl could not start a request";
      return reply;
    }
    char error_text[CURL_ERROR_SIZE] = {};
    Sink sink{&reply.body};
    const std::string target(url);
    curl_easy_setopt(curl, CURLOPT_URL, target.c_str());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error_text);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // libcurl counts name resolution inside the connect phase.
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, Millis(timeouts_.resolve + timeouts_.connect));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, Millis(std::min(timeouts_.total, timeouts_.resolve + timeouts_.connect +
                                                                                   timeouts_.send + timeouts_.receive)));
    // A server that stops sending mid-way is given up after the receive limit, as WinHTTP does.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, std::max(1L, Millis(timeouts_.receive) / 1000));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);

    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);

    reply.status = static_cast<int>(status);
    reply.truncated = sink.truncated;
    if (code == CURLE_OK || (code == CURLE_WRITE_ERROR && sink.truncated)) {
      reply.sent = true;
    } else {
      reply.body.clear();
      reply.truncated = false;
      reply.error = error_text[0] ? error_text : curl_easy_strerror(code);
    }
    return reply;
  }

 private:
  HttpTimeouts timeouts_;
};

}  // namespace

std::unique_ptr<IHttpClient> MakeSystemHttpClient(const HttpTimeouts& timeouts) {
  return std::make_unique<CurlHttpClient>(timeouts);
}

}  // namespace brisvane
