// Brisvane.exe as Windows sees it: its icon, version information, manifest and subsystem, read back with
// Windows' own resource and version functions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/version.h"
#include "win32/text.h"

namespace brisvane {
namespace {

using ::testing::HasSubstr;

// The build hands us a Unix path; under Wine the Unix root is drive Z:.
std::wstring ProgramPath() {
  std::string path = BRISVANE_PROGRAM_EXE;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  return win32::Widen(path);
}

class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(ProgramPath().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << win32::ErrorText(GetLastError());
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  std::string Resource(LPCWSTR type, int id) {
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module_, found);
    const char* data = static_cast<const char*>(LockResource(loaded));
    return std::string(data, SizeofResource(module_, found));
  }

  HMODULE module_ = nullptr;
};

#pragma pack(push, 2)
struct IconGroupEntry {
  BYTE width, height, colors, reserved;
  WORD planes, bits;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST_F(ProgramResources, IconOneHoldsFourSizesThatWindowsCanDecode) {
  const std::string group = Resource(RT_GROUP_ICON, 1);
  ASSERT_GE(group.size(), 6u);
  WORD count = 0;
  std::memcpy(&count, group.data() + 4, sizeof count);
  ASSERT_EQ(group.size(), 6 + count * sizeof(IconGroupEntry));
  std::vector<int> sizes;
  for (WORD i = 0; i < count; ++i) {
    IconGroupEntry entry{};
    std::memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
    const int size = entry.width ? entry.width : 256;
    sizes.push_back(size);
    EXPECT_EQ(entry.bits, 32);

    // The image itself, through Windows' own icon decoder.
    std::string image = Resource(RT_ICON, entry.id);
    ASSERT_EQ(image.size(), entry.bytes);
    HICON icon = CreateIconFromResourceEx(reinterpret_cast<PBYTE>(image.data()), static_cast<DWORD>(image.size()),
                                          TRUE, 0x00030000, size, size, 0);
    ASSERT_NE(icon, nullptr) << "size " << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, size);
    EXPECT_EQ(bitmap.bmHeight, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
  EXPECT_THAT(sizes, ::testing::UnorderedElementsAre(16, 32, 48, 256));
}

std::string VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  wchar_t* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return {};
  return win32::Narrow(std::wstring(value, length ? length - 1 : 0));
}

TEST_F(ProgramResources, VersionInformationNamesTheProgramAndItsVersion) {
  const std::wstring path = ProgramPath();
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));  // 1.0
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 1));  // .1.0
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  const std::string version = std::string(kProgramVersion) + ".0";
  EXPECT_EQ(VersionString(block, L"FileVersion"), version);
  EXPECT_EQ(VersionString(block, L"ProductVersion"), version);
  EXPECT_EQ(VersionString(block, L"ProductName"), "Brisvane");
  EXPECT_EQ(VersionString(block, L"CompanyName"), "Kestrelwick");
  EXPECT_EQ(VersionString(block, L"FileDescription"), "Brisvane torrent checker");
  EXPECT_EQ(VersionString(block, L"OriginalFilename"), "Brisvane.exe");
}

TEST_F(ProgramResources, ManifestAsksForCommonControlsSixPerMonitorDpiAndNoElevation) {
  const std::string manifest = Resource(RT_MANIFEST, 1);
  ASSERT_FALSE(manifest.empty()) << "no manifest resource 1";
  EXPECT_THAT(manifest, HasSubstr("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
  EXPECT_THAT(manifest, HasSubstr(">PerMonitorV2, PerMonitor</dpiAwareness>"));
  EXPECT_THAT(manifest, HasSubstr(">true/pm</dpiAware>"));
  EXPECT_THAT(manifest, HasSubstr("level=\"asInvoker\""));
  for (const char* os : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                         "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
    EXPECT_THAT(manifest, HasSubstr(os));
  }
  // Only one manifest: a second one (a linker's default) would make Windows refuse to start the program.
  int manifests = 0;
  EnumResourceNamesW(
      module_, RT_MANIFEST, [](HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) -> BOOL {
        ++*reinterpret_cast<int*>(count);
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&manifests));
  EXPECT_EQ(manifests, 1);
}

// A console subsystem would open a console window beside the program's own.
TEST(ProgramImage, IsAWindowsGuiProgram) {
  std::ifstream file(std::filesystem::path(ProgramPath()), std::ios::binary);
  ASSERT_TRUE(file);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), sizeof(IMAGE_DOS_HEADER));
  IMAGE_DOS_HEADER dos{};
  std::memcpy(&dos, bytes.data(), sizeof dos);
  ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
  ASSERT_LT(static_cast<std::size_t>(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS64), bytes.size());
  IMAGE_NT_HEADERS64 nt{};
  std::memcpy(&nt, bytes.data() + dos.e_lfanew, sizeof nt);
  ASSERT_EQ(nt.Signature, IMAGE_NT_SIGNATURE);
  EXPECT_EQ(nt.FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
  EXPECT_EQ(nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

}  // namespace
}  // namespace brisvane
