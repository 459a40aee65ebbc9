// Today's torrents: Windows starts Brisvane.exe for a magnet link as it does for a .torrent file, and a
// torrent without v1 pieces is looked up by its v2 info-hash cut to 40 hex digits. The service is asked
// for the hash, and an allowed link goes to the stand-in client exactly as Windows passed it.
#include "e2e/launch.h"

namespace brisvane::e2e {
namespace {

using P = PopupWindow;

constexpr char kLinkHash[] = "c12fe1c06bba254a9dc9f519b335aa7c1367a88a";
// Upper-case base16, a name with both ways of writing a blank, and a tracker: handed on untouched.
constexpr char kLink[] =
    "magnet:?xt=urn:btih:C12FE1C06BBA254A9DC9F519B335AA7C1367A88A&dn=Big%20Buck+Bunny"
    "&tr=udp%3A%2F%2Ftracker.example%3A1337%2Fannounce";

class TodaysTorrents : public Launch {};

TEST_F(TodaysTorrents, AMagnetLinkIsCheckedByItsHashAndTheClientGetsTheLinkExactly) {
  service_.Reply(200, "GOOD");
  Process app = Start({kLink});
  const Window popup = PopupOf(app);
  EXPECT_EQ(popup.Child(Id(P::kFileName)).Text(), "Big Buck Bunny");
  EXPECT_EQ(popup.Child(Id(P::kRating)).Text(), "GOOD");
  EXPECT_EQ(popup.Child(Id(P::kAction)).Text(), "Allowed");
  EXPECT_EQ(app.ExpectExit(kCheckTimeout), 0u);
  EXPECT_EQ(ClientCommandLine(), Launched(kLink));
  EXPECT_EQ(service_.Targets(), std::vector<std::string>{std::string("/api/fakeskan.php?hash=") + kLinkHash});
}

TEST_F(TodaysTorrents, ABlockedMagnetLinkStartsNothing) {
  service_.Reply(200, "BAD");
  Process app = Start({kLink});
  EXPECT_EQ(PopupOf(app).Child(Id(P::kAction)).Text(), "Blocked");
  EXPECT_EQ(app.ExpectExit(kCheckTimeout), 0u);
  EXPECT_EQ(ClientCommandLine(), "");
}

// The lookup key as libtorrent gave it when the example was made (examples/KEYS: key, v2 hash, file).
TEST_F(TodaysTorrents, AV2OnlyTorrentIsLookedUpByItsCutV2InfoHash) {
  std::string key;
  std::ifstream(std::string(BRISVANE_SOURCE_DIR) + "/examples/KEYS") >> key;
  ASSERT_EQ(key.size(), 40u);
  service_.Reply(200, "VERIFIED");
  const std::string torrent = ExamplePath("v2-only.torrent");
  Process app = Start({torrent});
  EXPECT_EQ(PopupOf(app).Child(Id(P::kAction)).Text(), "Allowed");
  EXPECT_EQ(app.ExpectExit(kCheckTimeout), 0u);
  EXPECT_EQ(service_.Targets(), std::vector<std::string>{"/api/fakeskan.php?hash=" + key});
  EXPECT_EQ(ClientCommandLine(), Launched(torrent));
}

}  // namespace
}  // namespace brisvane::e2e
