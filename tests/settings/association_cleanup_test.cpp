#include "settings/association_cleanup.h"

#include <gtest/gtest.h>

#include "settings/association_test_support.h"
#include "settings/file_association.h"

namespace brisvane {
namespace {

using testing::ChosenSystem;
using testing::MemoryRegistry;
using testing::PutText;
constexpr RegistryRoot CU = RegistryRoot::CurrentUser;

// Who holds .torrent files before the uninstaller's revert, and who should afterwards.
struct Case {
  const char* name;
  OsVersionInfo version;
  const char* exe_path;
  bool set_by_brisvane;    // Set Association was pressed over Acme
  const char* then_chosen;  // a client the user picked afterwards, if any
  bool reverted;
  const char* key;         // where the handler lives on this Windows
  const char* value;
  const char* handler_after;
};

const Case kCases[] = {
    {"later Windows, held", testing::kWindows10, "C:\\Apps\\Brisvane.exe", true, nullptr, true,
     kUserChoiceKey.data(), "Progid", "Acme.Torrent"},
    {"renamed executable, held", testing::kWindows7, "C:\\Apps\\bv.exe", true, nullptr, true, kUserChoiceKey.data(),
     "Progid", "Acme.Torrent"},
    {"another client chosen since", testing::kWindows10, "C:\\Apps\\Brisvane.exe", true, "Other.Torrent", false,
     kUserChoiceKey.data(), "Progid", "Other.Torrent"},
    {"never set", testing::kWindows10, "C:\\Apps\\Brisvane.exe", false, nullptr, false, kUserChoiceKey.data(),
     "Progid", "Acme.Torrent"},
    {"old shell, held", testing::kWindowsXp, "C:\\Apps\\Brisvane.exe", true, nullptr, true, kFileExtsKey.data(),
     "Application", "acme.exe"},
};

TEST(RevertAssociationIfOwned, RevertsOnlyWhatThisProgramHolds) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    MemoryRegistry registry;
    ChosenSystem system;
    system.version = c.version;
    system.exe_path = c.exe_path;
    // Acme as the user's choice, in the place this Windows keeps it.
    PutText(registry, CU, c.key, c.value, c.value == std::string("Application") ? "acme.exe" : "Acme.Torrent");
    if (c.set_by_brisvane) Set_File_Association(registry, system);
    if (c.then_chosen) PutText(registry, CU, c.key, c.value, c.then_chosen);

    EXPECT_EQ(RevertAssociationIfOwned(registry, system), c.reverted);
    EXPECT_EQ(testing::ReadText(registry, CU, c.key, c.value), c.handler_after);
  }
}

}  // namespace
}  // namespace brisvane
