#include "app/reputation_lookup.h"

#include "product.h"

namespace brisvane {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // "…" in UTF-8

}  // namespace

std::string LookupUrl(std::string_view service_url, std::string_view hash) {
  return std::string(service_url) + "?hash=" + std::string(hash);
}

std::string LookUpRating(std::string_view service_url, std::string_view hash, IHttpClient& http,
                         IMessageBox& messages, const LookupLog& log) {
  const std::string url = LookupUrl(service_url, hash);
  return RatingFromReply(http.Get(url), url, messages, log);
}

std::string RatingFromReply(const HttpReply& reply, std::string_view url, IMessageBox& messages,
                            const LookupLog& log) {
  if (!reply.sent) {
    messages.Show(std::string(kErrorContactingUrl) + std::string(url), kProgramTitle);
    return {};
  }

  // One character per byte: the text holds exactly the body's bytes.
  const std::string text(reply.body.begin(), reply.body.end());
  const auto logged = [&](std::string_view outcome) {
    if (log) log(outcome);
  };
  if (text.empty()) {
    messages.Show(kNoDataReturned, kProgramTitle);
    logged("ERROR");
    return {};
  }
  // A reply past the cap cannot be a rating word; only its beginning is worth showing.
  if (reply.truncated || text.find_first_of("\r\n") != std::string::npos) {
    std::string shown = std::string(kUnexpectedValue) + std::string(kCrLf);
    if (reply.truncated) {
      shown += text.substr(0, kShownReplyBytes);
      shown += kEllipsis;
    } else {
      shown += text;
    }
    messages.Show(shown, kProgramTitle);
    logged("ERROR");
    return {};
  }
  if (text.find(kNotFoundTitle) != std::string::npos) {
    messages.Show(std::string(kNotFoundError) + std::string(kCrLf) + text, kProgramTitle);
    return {};
  }
  logged(text);
  return text;
}

}  // namespace brisvane
