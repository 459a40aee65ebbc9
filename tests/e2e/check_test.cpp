// Windows starts Brisvane.exe for a .torrent file or a magnet link while the user has it open as well: the
// popup over the task bar says how the service rated the torrent and whether it is allowed, and an
// allowed torrent goes to the torrent program, here a stand-in that records its command line, after the
// popup.
#include "e2e/scenario.h"

namespace brisvane::e2e {
namespace {

using M = MainWindow;
using P = PopupWindow;

constexpr char kSingleHash[] = "8c450b7de44b7a6df98919a4a009b323567b110f";
// Upper-case base16, a name with both ways of writing a blank, and a tracker: handed on untouched.
constexpr char kLink[] =
    "magnet:?xt=urn:btih:C12FE1C06BBA254A9DC9F519B335AA7C1367A88A&dn=Big%20Buck+Bunny"
    "&tr=udp%3A%2F%2Ftracker.example%3A1337%2Fannounce";

struct Started {
  const char* what;  // an example torrent's name, or a link
  const char* rating;
  const char* shown_name;
  const char* hash;  // as the service is asked for it
  bool allowed;
};
// A torrent without v1 pieces is looked up by its v2 info-hash cut to 40 hex digits (examples/KEYS).
constexpr Started kStarts[] = {
    {"single-file.torrent", "VERIFIED", "single-file.torrent", kSingleHash, true},
    {"single-file.torrent", "FAKE", "single-file.torrent", kSingleHash, false},
    {"アルバム-альбом.torrent", "GOOD", "アルバム-альбом.torrent", "94a0b109ad0eb41f0c75b42c33bfdf4a05c866ae", true},
    {kLink, "GOOD", "Big Buck Bunny", "c12fe1c06bba254a9dc9f519b335aa7c1367a88a", true},
    {kLink, "BAD", "Big Buck Bunny", "c12fe1c06bba254a9dc9f519b335aa7c1367a88a", false},
    {"v2-only.torrent", "VERIFIED", "v2-only.torrent", "f2a59588445f7171b767e445a607e42431161b19", true},
};

class StartedByWindows : public Scenario, public ::testing::WithParamInterface<Started> {};

// The user has Brisvane open as well: the one Windows started checks on its own.
TEST_P(StartedByWindows, ThePopupGivesTheVerdictAndOnlyAnAllowedTorrentReachesTheClientAfterIt) {
  const Started& start = GetParam();
  service_.Reply(200, start.rating);
  Process open = Start();
  const Window open_main = MainOf(open);
  const std::string what = std::string_view(start.what).starts_with("magnet:") ? start.what : ExamplePath(start.what);
  Process app = Start({what});
  const Window popup = PopupOf(app);
  if (std::string_view(start.shown_name).ends_with("альбом.torrent")) Pose("popup", popup);
  EXPECT_EQ(popup.Child(Id(P::kFileName)).Text(), start.shown_name);
  EXPECT_EQ(popup.Child(Id(P::kRating)).Text(), start.rating);
  EXPECT_EQ(popup.Child(Id(P::kAction)).Text(), start.allowed ? "Allowed" : "Blocked");
  EXPECT_FALSE(FindTopWindow({kMainCaption, app.id(), {Id(M::kAboutButton)}}));
  EXPECT_FALSE(std::filesystem::exists(log_)) << "the client started before the popup had gone";

  EXPECT_EQ(app.ExpectExit(kCheckTimeout), 0u);
  EXPECT_EQ(ClientCommandLine(), start.allowed ? Launched(what) : "");
  EXPECT_EQ(service_.Targets(), std::vector<std::string>{std::string("/api/fakeskan.php?hash=") + start.hash});
  CloseAndWait(open_main, open);
}

INSTANTIATE_TEST_SUITE_P(Examples, StartedByWindows, ::testing::ValuesIn(kStarts));

}  // namespace
}  // namespace brisvane::e2e
