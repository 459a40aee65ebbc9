#include "app/magnet_link.h"

#include <gtest/gtest.h>

namespace brisvane {
namespace {

constexpr char kHex[] = "c12fe1c06bba254a9dc9f519b335aa7c1367a88a";
// The same 20 bytes in base32.
constexpr char kBase32[] = "YEX6DQDLXISUVHOJ6UM3GNNKPQJWPKEK";
constexpr char kSha256[] = "d8dd32ac93357c368556af3ac1d95c9d76bd0dff6fa9833ecdac3d53134efabb";

TEST(MagnetLink, TheHashComesFromBtihInHexOrBase32ElseFromTheCutBtmh) {
  struct Case { std::string link, hash, v1, v2; };
  const Case cases[] = {
      {"MAGNET:?XT=urn:BTIH:C12FE1C06BBA254A9DC9F519B335AA7C1367A88A", "", "", ""},  // "XT" is not the key "xt"
      {"magnet:?xt=URN:BTIH:C12FE1C06BBA254A9DC9F519B335AA7C1367A88A", kHex, kHex, ""},
      {std::string("magnet:?xt=urn:btih:") + kBase32, kHex, kHex, ""},
      {std::string("magnet:?dn=x&xt=urn:btmh:1220") + kSha256, std::string(kSha256).substr(0, 40), "", kSha256},
      // A hybrid link: the v1 hash stays the key.
      {std::string("magnet:?xt=urn:btmh:1220") + kSha256 + "&xt=urn:btih:" + kHex, kHex, kHex, kSha256},
      // The same torrent twice is one torrent; other topics are passed over.
      {std::string("magnet:?xt=urn:btih:") + kHex + "&xt.1=urn:btih:" + kBase32 + "&xt=urn:sha1:ABC", kHex, kHex, ""},
  };
  for (const Case& c : cases) {
    const MagnetLink link = ParseMagnetLink(c.link);
    EXPECT_EQ(link.hash, c.hash) << c.link;
    EXPECT_EQ(link.v1_hash, c.v1) << c.link;
    EXPECT_EQ(link.v2_hash, c.v2) << c.link;
    EXPECT_EQ(link.refusal.empty(), !c.hash.empty()) << c.link;
  }
}

TEST(MagnetLink, TheNameIsPercentDecodedUtf8OrTheHash) {
  const std::string base = std::string("magnet:?xt=urn:btih:") + kHex;
  EXPECT_EQ(MagnetDisplayName(ParseMagnetLink(base)), kHex);
  EXPECT_EQ(ParseMagnetLink(base + "&dn=Ubuntu+24.04%20%E3%82%A2%E3%83%AB&dn=second").name, "Ubuntu 24.04 アル");
  // Broken escapes stay as they are; bytes that are no UTF-8 and NULs become U+FFFD.
  EXPECT_EQ(ParseMagnetLink(base + "&dn=100%25%zz%4").name, "100%%zz%4");
  EXPECT_EQ(ParseMagnetLink(base + "&dn=a%FFb%00c%C3").name, "a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c\xEF\xBF\xBD");
  EXPECT_EQ(ParseMagnetLink(base + "&dn=%ED%A0%80").name, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // a surrogate
}

TEST(MagnetLink, LinksThatCannotBeCheckedOrHandedOnSafelyAreRefused) {
  const std::string hex = kHex;
  for (const std::string& link : {
           std::string("magnet:?dn=no+hash"), std::string("C:\\a.torrent"),
           "magnet:?xt=urn:btih:" + hex.substr(1),                    // 39 digits
           "magnet:?xt=urn:btih:" + hex.substr(0, 39) + "g",          // not hex
           "magnet:?xt=urn:btmh:1114" + hex,                          // not SHA-256
           "magnet:?xt=urn:btih:" + hex + "&xt=urn:btih:" + std::string(40, 'a'),  // two torrents
           "magnet:?xt=urn:btih:" + hex + "&dn=a b",                  // a blank
           "magnet:?xt=urn:btih:" + hex + "&dn=a\"b",                 // a quote could end the argument
           "magnet:?xt=urn:btih:" + hex + std::string("&dn=\0", 5),
           "magnet:?xt=urn:btih:" + hex + "&dn=" + std::string(kMaxMagnetLinkBytes, 'a'),
       }) {
    const MagnetLink parsed = ParseMagnetLink(link);
    EXPECT_FALSE(parsed.refusal.empty()) << link.substr(0, 100);
    EXPECT_TRUE(parsed.hash.empty()) << link.substr(0, 100);
  }
  EXPECT_TRUE(IsMagnetLink("Magnet:?xt"));
  EXPECT_FALSE(IsMagnetLink("C:\\magnet.torrent"));
}

}  // namespace
}  // namespace brisvane
