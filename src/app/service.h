#pragma once
// Where the ratings come from and who makes Brisvane: spelled once for every window that names them.
// Macros so that the form tables can splice them into their captions at compile time.
#include <string_view>

#define BRISVANE_SERVICE_DOMAIN "bitsnoop.com"
#define BRISVANE_TERMS_URL "http://" BRISVANE_SERVICE_DOMAIN "/info/terms.html"
#define BRISVANE_MAKER_URL "http://www.kestrelwick.com"

namespace brisvane {

// The service's lookup address; the path is fixed, the host is ours to choose.
inline constexpr std::string_view kDefaultServiceUrl = "http://" BRISVANE_SERVICE_DOMAIN "/api/fakeskan.php";

}  // namespace brisvane
