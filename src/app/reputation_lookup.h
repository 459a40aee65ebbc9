#pragma once
// Asks the reputation service how a torrent is rated: one GET of the service URL with "?hash=" and the
// info-hash, and a check that the reply can be a rating word.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/http.h"
#include "platform/message_box.h"

namespace brisvane {

// The message texts, spelled as users have always seen them.
inline constexpr std::string_view kErrorContactingUrl = "Error contacting URL: ";
inline constexpr std::string_view kNoDataReturned = "No data was returned back from API call.";
inline constexpr std::string_view kUnexpectedValue = "Unexpected value returned from API call:";
inline constexpr std::string_view kNotFoundError = "404 error!:";
inline constexpr std::string_view kNotFoundTitle = "<title>404 Not Found</title>";

// A reply longer than kMaxReplyBytes is shown cut to this many bytes and an ellipsis.
inline constexpr std::size_t kShownReplyBytes = 200;

// Receives the outcome for the activity log: the reply word, or "ERROR".
using LookupLog = std::function<void(std::string_view outcome)>;

// The request: the service URL as typed, "?hash=" and the info-hash.
std::string LookupUrl(std::string_view service_url, std::string_view hash);

// The rating word in a reply to `url`, unchanged, or "" when there is none, after telling the user in a
// message box captioned with the program's title where there is something to tell.
std::string RatingFromReply(const HttpReply& reply, std::string_view url, IMessageBox& messages,
                            const LookupLog& log = {});

// Both, with the request in between.
std::string LookUpRating(std::string_view service_url, std::string_view hash, IHttpClient& http,
                         IMessageBox& messages, const LookupLog& log = {});

}  // namespace brisvane
