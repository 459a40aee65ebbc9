// The registry through the wide advapi32 calls: names and text data are UTF-16 in the registry and UTF-8
// in the program, so text beyond the system's code page survives, and the A calls of other programs
// read the same text.
#include <windows.h>

#include <cstring>

#include "platform/registry.h"
#include "win32/text.h"

namespace brisvane {
namespace {

HKEY RootHandle(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
  }
  return HKEY_CURRENT_USER;
}

// A key handle closed when it goes out of scope.
class Key {
 public:
  Key() = default;
  ~Key() {
    if (handle_) RegCloseKey(handle_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  bool Open(RegistryRoot root, std::string_view path, REGSAM access) {
    return RegOpenKeyExW(RootHandle(root), win32::Widen(path).c_str(), 0, access, &handle_) == ERROR_SUCCESS;
  }
  bool Create(RegistryRoot root, std::string_view path) {
    // The most access the user has, so that an existing key the user may only read still opens.
    return RegCreateKeyExW(RootHandle(root), win32::Widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           MAXIMUM_ALLOWED, nullptr, &handle_, nullptr) == ERROR_SUCCESS;
  }
  HKEY get() const { return handle_; }

 private:
  HKEY handle_ = nullptr;
};

// Text data from UTF-16 to UTF-8, NULs kept. A dangling odd byte is no character and is dropped.
Bytes TextFromRegistry(const Bytes& raw) {
  std::wstring wide(raw.size() / 2, L'\0');
  if (!wide.empty()) std::memcpy(wide.data(), raw.data(), wide.size() * sizeof(wchar_t));
  const std::string utf8 = win32::Narrow(wide);
  return Bytes(utf8.begin(), utf8.end());
}

Bytes TextToRegistry(const Bytes& utf8) {
  const std::wstring wide =
      win32::Widen(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
  Bytes raw(wide.size() * sizeof(wchar_t));
  if (!raw.empty()) std::memcpy(raw.data(), wide.data(), raw.size());
  return raw;
}

class Win32Registry final : public IRegistry {
 public:
  bool KeyExists(RegistryRoot root, std::string_view path) override {
    Key key;
    return key.Open(root, path, MAXIMUM_ALLOWED);
  }

  bool CreateKey(RegistryRoot root, std::string_view path) override {
    Key key;
    return key.Create(root, path);
  }

  std::optional<RegData> QueryValue(RegistryRoot root, std::string_view path, std::string_view name) override {
    Key key;
    if (!key.Open(root, path, KEY_QUERY_VALUE)) return std::nullopt;
    const std::wstring wide_name = win32::Widen(name);
    RegData value;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), wide_name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      return std::nullopt;
    // A buffer of exactly the stored size: with room to spare the system would add a NUL to text that
    // was stored without one. Another program may change the value between the two calls.
    for (int attempt = 0; attempt < 8; ++attempt) {
      value.data.resize(size);
      const LONG status = RegQueryValueExW(key.get(), wide_name.c_str(), nullptr, &type,
                                           value.data.empty() ? nullptr : value.data.data(), &size);
      if (status == ERROR_SUCCESS) {
        value.data.resize(size);
        value.type = type;
        if (IsRegTextType(type)) value.data = TextFromRegistry(value.data);
        return value;
      }
      if (status != ERROR_MORE_DATA) return std::nullopt;
    }
    return std::nullopt;
  }

  bool SetValue(RegistryRoot root, std::string_view path, std::string_view name, const RegData& value) override {
    Key key;
    if (!key.Open(root, path, KEY_SET_VALUE)) return false;
    Bytes raw = IsRegTextType(value.type) ? TextToRegistry(value.data) : value.data;
    const auto size = static_cast<DWORD>(raw.size());
    // Text whose count leaves out a NUL that follows it in memory gets that NUL stored as well; a
    // character other than NUL after the data keeps the stored text exactly as given.
    if (IsRegTextType(value.type)) raw.insert(raw.end(), {0xFF, 0xFF});
    return RegSetValueExW(key.get(), win32::Widen(name).c_str(), 0, value.type, raw.data(), size) ==
           ERROR_SUCCESS;
  }

  bool DeleteValue(RegistryRoot root, std::string_view path, std::string_view name) override {
    Key key;
    if (!key.Open(root, path, KEY_SET_VALUE)) return false;
    return RegDeleteValueW(key.get(), win32::Widen(name).c_str()) == ERROR_SUCCESS;
  }

  bool DeleteSubkey(RegistryRoot root, std::string_view parent_path, std::string_view subkey) override {
    if (subkey.empty()) return false;  // would name the parent itself
    Key key;
    if (!key.Open(root, parent_path, MAXIMUM_ALLOWED)) return false;
    return RegDeleteKeyW(key.get(), win32::Widen(subkey).c_str()) == ERROR_SUCCESS;
  }

  std::optional<std::vector<std::string>> ValueNames(RegistryRoot root, std::string_view path) override {
    Key key;
    if (!key.Open(root, path, KEY_READ)) return std::nullopt;
    std::vector<std::string> names;
    // Value names are at most 16383 characters long.
    std::wstring buffer(16384, L'\0');
    for (DWORD index = 0;; ++index) {
      DWORD length = static_cast<DWORD>(buffer.size());
      if (RegEnumValueW(key.get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS)
        break;
      names.push_back(win32::Narrow(std::wstring_view(buffer.data(), length)));
    }
    return names;
  }
};

}  // namespace

std::unique_ptr<IRegistry> MakeSystemRegistry() { return std::make_unique<Win32Registry>(); }

}  // namespace brisvane
