// Brisvane.exe as Windows sees it: its icon, version information, manifest and subsystem, read back with
// Windows' own resource and version functions.
#include <gmock/gmock.h>
#include <windows.h>

#include "product.h"
#include "win32/text.h"

namespace brisvane {
namespace {

using ::testing::HasSubstr;

// The build hands us a Unix path; under Wine the Unix root is drive Z:.
std::wstring ProgramPath() { return win32::Widen(std::string("Z:") + BRISVANE_PROGRAM_EXE); }

class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << win32::ErrorText(GetLastError());
  }
  void TearDown() override { FreeLibrary(module_); }
  std::string Resource(LPCWSTR type, int id) {
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
    if (!found) return {};
    return std::string(static_cast<const char*>(LockResource(LoadResource(module_, found))),
                       SizeofResource(module_, found));
  }
  HMODULE module_ = nullptr;
};

// Each size Windows may ask for has an image of its own, which Windows' own decoder reads at that size.
TEST_F(ProgramResources, IconOneHoldsFourSizesThatWindowsCanDecode) {
  std::string group = Resource(RT_GROUP_ICON, 1);
  ASSERT_FALSE(group.empty());
  for (const int size : {16, 32, 48, 256}) {
    const int id = LookupIconIdFromDirectoryEx(reinterpret_cast<PBYTE>(group.data()), TRUE, size, size, 0);
    std::string image = Resource(RT_ICON, id);
    HICON icon = CreateIconFromResourceEx(reinterpret_cast<PBYTE>(image.data()), static_cast<DWORD>(image.size()),
                                          TRUE, 0x00030000, 0, 0, 0);
    ASSERT_NE(icon, nullptr) << "size " << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ((std::pair{bitmap.bmWidth, bitmap.bmHeight}), (std::pair{LONG{size}, LONG{size}}));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

// The version Explorer shows, and one manifest (a linker's default beside it would make Windows refuse to
// start the program) that asks for what the program needs.
TEST_F(ProgramResources, VersionAndOneManifestWithPerMonitorDpi) {
  const std::wstring path = ProgramPath();
  std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), nullptr));
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  wchar_t* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\FileVersion", reinterpret_cast<void**>(&value), &length));
  EXPECT_EQ(win32::Narrow(value), BRISVANE_VERSION ".0");
  // Common controls 6, no elevation, and Windows 10 and 11 among the systems it knows.
  for (const char* part : {"Common-Controls\" version=\"6.0.0.0\"", ">PerMonitorV2, PerMonitor</dpiAwareness>",
                           "level=\"asInvoker\"", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
    EXPECT_THAT(Resource(RT_MANIFEST, 1), HasSubstr(part));
  }
  int manifests = 0;
  EnumResourceNamesW(
      module_, RT_MANIFEST,
      [](HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) -> BOOL { return ++*reinterpret_cast<int*>(count) > 0; },
      reinterpret_cast<LONG_PTR>(&manifests));
  EXPECT_EQ(manifests, 1);
}

// A console subsystem would open a console window beside the program's own.
TEST_F(ProgramResources, IsAWindowsGuiProgram) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(reinterpret_cast<UINT_PTR>(module_) & ~UINT_PTR{3});
  ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(reinterpret_cast<const BYTE*>(dos) + dos->e_lfanew);
  ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

}  // namespace
}  // namespace brisvane
