#include "app/verdict.h"

namespace brisvane {

AllowFlags AllowFlagsFrom(const SettingsFields& fields) {
  return {fields.allow_verified, fields.allow_good, fields.allow_neutral, fields.allow_bad, fields.allow_fake};
}

bool IsAllowed(std::string_view rating, const AllowFlags& flags) {
  int flag = 0;
  if (rating == "VERIFIED") {
    flag = flags.verified;
  } else if (rating == "GOOD") {
    flag = flags.good;
  } else if (rating == "NONE" || rating == "NOTFOUND") {
    flag = flags.neutral;
  } else if (rating == "BAD") {
    flag = flags.bad;
  } else if (rating == "FAKE") {
    flag = flags.fake;
  }
  return flag == 1;
}

}  // namespace brisvane
