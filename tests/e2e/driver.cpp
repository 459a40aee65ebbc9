#include "e2e/driver.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "win32/text.h"

namespace brisvane::e2e {
namespace {

using win32::Narrow;
using win32::Widen;

// A sent message that takes longer than this means the program has hung.
constexpr UINT kSendTimeoutMs = 2000;

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

DWORD ProcessOf(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

// The caption as the system keeps it: no message is sent, so a hung program cannot stall a search.
std::wstring CaptionOf(HWND hwnd) {
  wchar_t text[512];
  return std::wstring(text, std::max(GetWindowTextW(hwnd, text, 512), 0));
}

// A message through the program's own window procedure; nullopt when it does not answer.
std::optional<DWORD_PTR> Send(HWND hwnd, UINT message, WPARAM wparam, const void* lparam) {
  DWORD_PTR result = 0;
  const LPARAM l = reinterpret_cast<LPARAM>(lparam);
  if (!SendMessageTimeoutW(hwnd, message, wparam, l, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) return std::nullopt;
  return result;
}

std::optional<std::wstring> SentText(HWND hwnd) {
  std::wstring text(8192, L'\0');
  const auto copied = Send(hwnd, WM_GETTEXT, text.size(), text.data());
  if (!copied) return std::nullopt;
  text.resize(*copied);
  return text;
}

// One line for failure messages: handle, class, id, process, text and whether it shows.
std::string Describe(HWND hwnd) {
  wchar_t class_name[64] = L"";
  GetClassNameW(hwnd, class_name, 64);
  return std::to_string(reinterpret_cast<UINT_PTR>(hwnd)) + " " + Narrow(class_name) + " id " +
         std::to_string(GetDlgCtrlID(hwnd)) + " process " + std::to_string(ProcessOf(hwnd)) + " " +
         Quoted(Narrow(CaptionOf(hwnd))) + (IsWindowVisible(hwnd) ? "" : " hidden");
}

DriverError TimedOut(std::string_view what, Millis timeout) {
  std::string windows;
  for (HWND hwnd = GetTopWindow(nullptr); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
    if (IsWindowVisible(hwnd)) windows += "  " + Describe(hwnd) + "\n";
  return DriverError("Timed out after " + std::to_string(timeout.count()) + " ms waiting for " + std::string(what) +
                     ".\nVisible windows:\n" + windows);
}

}  // namespace

void WaitUntil(std::string_view what, const std::function<bool()>& done, Millis timeout) {
  for (const auto deadline = std::chrono::steady_clock::now() + timeout; !done(); Sleep(10))
    if (std::chrono::steady_clock::now() >= deadline) throw TimedOut(what, timeout);
}

// --- processes --------------------------------------------------------------------------------------

Process::Process(const std::vector<std::string>& argv)
    : Process(std::accumulate(argv.begin() + 1, argv.end(), Quoted(argv.at(0)),
                              [](std::string line, const std::string& arg) { return line + " " + Quoted(arg); }),
              0) {}

Process::Process(std::string_view command_line, int) {
  std::wstring wide = Widen(command_line);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    throw DriverError("Cannot start " + std::string(command_line) + ": " + win32::ErrorText(GetLastError()));
  CloseHandle(info.hThread);
  handle_ = info.hProcess;
  id_ = info.dwProcessId;
}

Process::~Process() {
  if (WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(handle_, 1);
    WaitForSingleObject(handle_, static_cast<DWORD>(kDefaultTimeout.count()));
  }
  CloseHandle(handle_);
}

DWORD Process::ExpectExit(Millis timeout) const {
  WaitUntil("process " + std::to_string(id_) + " to end",
            [&] { return WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0; }, timeout);
  DWORD code = 0;
  GetExitCodeProcess(handle_, &code);
  return code;
}

// --- windows ----------------------------------------------------------------------------------------

std::string Window::Text() const {
  if (const auto text = SentText(hwnd_)) return Narrow(*text);
  throw DriverError("No text from " + Describe(hwnd_) + ": it has gone or does not answer");
}

void Window::SetText(std::string_view text) const {
  if (!Send(hwnd_, WM_SETTEXT, 0, Widen(text).c_str()).value_or(FALSE))
    throw DriverError("Cannot set the text of " + Describe(hwnd_) + " to " + Quoted(text));
}

void Window::WaitForText(std::string_view text, Millis timeout) const {
  try {
    WaitUntil(Describe(hwnd_) + " to read " + Quoted(text), [&] { return SentText(hwnd_) == Widen(text); }, timeout);
  } catch (const DriverError& error) {
    throw DriverError(error.what() + ("It reads " + Quoted(Narrow(SentText(hwnd_).value_or(L"<no answer>")))));
  }
}

void Window::Post(UINT message) const {
  if (!PostMessageW(hwnd_, message, 0, 0)) throw DriverError("Cannot post " + std::to_string(message) + " to " + Describe(hwnd_));
}

bool Window::Checked() const {
  if (const auto state = Send(hwnd_, BM_GETCHECK, 0, nullptr)) return *state == BST_CHECKED;
  throw DriverError("No check state from " + Describe(hwnd_));
}

void Window::SetChecked(bool checked) const {
  if (Checked() != checked) Click();
  WaitUntil(Describe(hwnd_) + (checked ? " to be checked" : " to be unchecked"), [&] { return Checked() == checked; });
}

void Window::WaitGone(Millis timeout) const {
  WaitUntil(Describe(hwnd_) + " to go", [&] { return !IsWindowVisible(hwnd_); }, timeout);
}

Window Window::Child(int id) const {
  if (HWND child = GetDlgItem(hwnd_, id)) return Window(child);
  throw DriverError("No control " + std::to_string(id) + " in " + Describe(hwnd_));
}

std::optional<Window> FindTopWindow(const WindowQuery& query) {
  for (HWND hwnd = GetTopWindow(nullptr); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT)) {
    if (IsWindowVisible(hwnd) && hwnd != query.except && (!query.process_id || ProcessOf(hwnd) == query.process_id) &&
        CaptionOf(hwnd) == Widen(query.caption) &&
        std::ranges::all_of(query.controls, [hwnd](int id) { return GetDlgItem(hwnd, id) != nullptr; })) {
      return Window(hwnd);
    }
  }
  return std::nullopt;
}

Window WaitForTopWindow(const WindowQuery& query, Millis timeout) {
  std::optional<Window> found;
  std::string what = "a window captioned " + Quoted(query.caption) + " of process " + std::to_string(query.process_id);
  for (int id : query.controls) what += " with control " + std::to_string(id);
  WaitUntil(what, [&] { return (found = FindTopWindow(query)).has_value(); }, timeout);
  return *found;
}

std::string DismissMessageBox(std::string_view caption, DWORD process_id, Millis timeout) {
  constexpr int kTextId = 0xFFFF;
  const Window box = WaitForTopWindow({std::string(caption), process_id, {kTextId}}, timeout);
  std::string text = box.Child(kTextId).Text();
  box.Child(IDOK).Click();
  box.WaitGone();
  return text;
}

// --- registry ---------------------------------------------------------------------------------------

namespace registry {
namespace {

// RegGetValueW limited to `type`: a value of another type fails with ERROR_UNSUPPORTED_TYPE.
bool Read(std::string_view key, std::string_view name, DWORD type, void* data, DWORD* size) {
  const LSTATUS status =
      RegGetValueW(HKEY_CURRENT_USER, Widen(key).c_str(), Widen(name).c_str(), type, nullptr, data, size);
  if (status == ERROR_FILE_NOT_FOUND) return false;
  if (status != ERROR_SUCCESS) {
    throw DriverError("Cannot read " + std::string(key) + " value " + Quoted(name) + ": " +
                      win32::ErrorText(static_cast<DWORD>(status)));
  }
  return true;
}

void DeleteKey(HKEY root, const std::string& key) {
  RegDeleteTreeW(root, Widen(key).c_str());
  RegDeleteKeyW(root, Widen(key).c_str());  // some systems leave the emptied key itself
}

}  // namespace

std::optional<std::string> ReadString(std::string_view key, std::string_view name) {
  std::wstring text(8192, L'\0');
  DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (!Read(key, name, RRF_RT_REG_SZ, text.data(), &size)) return std::nullopt;
  return Narrow(text.c_str());
}

std::optional<std::uint32_t> ReadDword(std::string_view key, std::string_view name) {
  DWORD value = 0, size = sizeof value;
  if (!Read(key, name, RRF_RT_REG_DWORD, &value, &size)) return std::nullopt;
  return value;
}

bool KeyExists(std::string_view key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Widen(key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

bool ValueExists(std::string_view key, std::string_view name) {
  DWORD size = 0;
  return Read(key, name, RRF_RT_ANY, nullptr, &size);
}

void WriteString(std::string_view key, std::string_view name, std::string_view value, HKEY root) {
  const std::wstring data = Widen(value);
  if (RegSetKeyValueW(root, Widen(key).c_str(), Widen(name).c_str(), REG_SZ, data.c_str(),
                      static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)))) {
    throw DriverError("Cannot write " + std::string(key) + " value " + Quoted(name));
  }
}

ScopedKey::ScopedKey(std::string key, HKEY root) : key_(std::move(key)), root_(root) { DeleteKey(root_, key_); }

ScopedKey::~ScopedKey() { DeleteKey(root_, key_); }

ScopedKey& ScopedKey::Seed(std::string_view name, std::string_view value) {
  WriteString(key_, name, value, root_);
  return *this;
}

}  // namespace registry

// --- paths ------------------------------------------------------------------------------------------

std::string FromHostPath(std::string_view path) {
  std::string windows = "Z:" + std::string(path);
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return windows;
}

}  // namespace brisvane::e2e
