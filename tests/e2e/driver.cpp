#include "e2e/driver.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <functional>

namespace brisvane::e2e {
namespace {

using Clock = std::chrono::steady_clock;
constexpr DWORD kPollMs = 10;

// --- text -------------------------------------------------------------------------------------------

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                    nullptr, 0);
  if (n <= 0) throw DriverError("Not valid UTF-8: \"" + std::string(utf8) + "\"");
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                    nullptr);
  std::string utf8(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr, nullptr);
  return utf8;
}

std::string ErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n && buffer ? std::wstring(buffer, n) : std::wstring();
  if (buffer) LocalFree(buffer);
  while (!text.empty() && std::iswspace(text.back())) text.pop_back();
  return (text.empty() ? std::string("error") : Narrow(text)) + " (" + std::to_string(code) + ")";
}

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
             CSTR_EQUAL;
}

std::string ShortText(std::string text) {
  constexpr std::size_t kMax = 80;
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  if (text.size() > kMax) {
    std::size_t cut = kMax;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // whole characters
    text = text.substr(0, cut) + "...";
  }
  return text;
}

std::string Ms(Millis timeout) { return std::to_string(timeout.count()) + " ms"; }

// Polls `done` until it holds or the deadline passes; checks once more at the deadline.
template <class Done>
bool PollUntil(Millis timeout, Done&& done) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    Sleep(kPollMs);
  }
}

// --- windows ----------------------------------------------------------------------------------------

HWND H(const Window& w) { return static_cast<HWND>(w.handle()); }

std::string HandleText(HWND hwnd) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(hwnd)));
  return buffer;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t buffer[256];
  const int n = GetClassNameW(hwnd, buffer, 256);
  return std::wstring(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

// The caption as the system keeps it: no message is sent, so a hung program cannot stall the search.
std::wstring CaptionOf(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int n = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return text;
}

DWORD ProcessOf(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

// WM_GETTEXT through the program's own window procedure; nullopt when it does not answer.
std::optional<std::wstring> SentText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeout.count(), &length)) {
    return std::nullopt;
  }
  // The length may be an upper bound (for mixed code pages); the copy tells the real one.
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                           kSendTimeout.count(), &copied)) {
    return std::nullopt;
  }
  text.resize(std::min<std::size_t>(copied, text.size() - 1));
  return text;
}

std::optional<CheckState> CheckStateOf(HWND hwnd) {
  if (!EqualsNoCase(ClassOf(hwnd), L"Button")) return std::nullopt;
  switch (GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
      break;
    default:
      return std::nullopt;
  }
  DWORD_PTR state = 0;
  if (!SendMessageTimeoutW(hwnd, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeout.count(), &state)) {
    return std::nullopt;
  }
  return state == BST_CHECKED ? CheckState::Checked
         : state == BST_INDETERMINATE ? CheckState::Indeterminate
                                      : CheckState::Unchecked;
}

const char* CheckName(CheckState state) {
  switch (state) {
    case CheckState::Checked:
      return "checked";
    case CheckState::Indeterminate:
      return "indeterminate";
    case CheckState::Unchecked:
      break;
  }
  return "unchecked";
}

std::vector<HWND> TopWindows() {
  std::vector<HWND> all;
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(
      parent,
      [](HWND hwnd, LPARAM param) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

std::string DescribeTop(HWND hwnd) {
  std::string line = HandleText(hwnd) + " " + Quoted(ShortText(Narrow(CaptionOf(hwnd)))) + " class " +
                     Quoted(Narrow(ClassOf(hwnd))) + " process " + std::to_string(ProcessOf(hwnd));
  if (HWND owner = GetWindow(hwnd, GW_OWNER)) line += " owner " + HandleText(owner);
  if (!IsWindowVisible(hwnd)) line += " hidden";
  if (!IsWindowEnabled(hwnd)) line += " disabled";
  return line;
}

std::string DescribeChildren(HWND parent) {
  std::string text;
  const auto children = Window(parent).Children();
  if (children.empty()) return "  (no controls)\n";
  for (const ControlInfo& c : children) text += "  " + c.window.Describe() + "\n";
  return text;
}

std::string DescribeQuery(const WindowQuery& query) {
  std::string text = "a top-level window captioned " + Quoted(query.caption);
  if (query.class_name) text += " of class " + Quoted(*query.class_name);
  if (query.process_id) text += " in process " + std::to_string(*query.process_id);
  if (!query.required_controls.empty()) {
    text += " with controls";
    for (int id : query.required_controls) text += " " + std::to_string(id);
  }
  return text;
}

bool MatchesQuery(HWND hwnd, const WindowQuery& query, const std::wstring& caption) {
  if (query.process_id && ProcessOf(hwnd) != *query.process_id) return false;
  if (query.class_name && !EqualsNoCase(ClassOf(hwnd), Widen(*query.class_name))) return false;
  return CaptionOf(hwnd) == caption;
}

// Why a matching window is not ready yet; empty when it is.
std::string NotReadyReason(HWND hwnd, const WindowQuery& query) {
  if (!IsWindowVisible(hwnd)) return "is still hidden";
  for (int id : query.required_controls) {
    if (!Window(hwnd).FindChild(id)) return "has no control " + std::to_string(id) + " yet";
  }
  // Answered only once its thread is back in a message loop, i.e. done creating the window.
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeout.count(), &ignored)) {
    return "does not answer messages";
  }
  return {};
}

[[noreturn]] void ThrowGone(HWND hwnd, const char* action) {
  throw DriverError(std::string("Cannot ") + action + ": window " + HandleText(hwnd) +
                    " no longer exists.\nTop-level windows:\n" + DescribeTopWindows());
}

void RequireWindow(HWND hwnd, const char* action) {
  if (!hwnd || !IsWindow(hwnd)) ThrowGone(hwnd, action);
}

// --- registry ---------------------------------------------------------------------------------------

std::wstring KeyPath(std::string_view key) {
  if (key.empty()) throw DriverError("Registry key path is empty");
  if (key.front() == '\\' || key.back() == '\\' || key.find("\\\\") != std::string_view::npos) {
    throw DriverError("Registry key path " + Quoted(key) +
                      " has an empty part: write it below HKEY_CURRENT_USER, like Software\\Vendor\\Program");
  }
  return Widen(key);
}

std::string ValueName(std::string_view key, std::string_view name) {
  return "HKEY_CURRENT_USER\\" + std::string(key) + " value " + Quoted(name);
}

[[noreturn]] void ThrowRegistry(const std::string& what, LSTATUS status) {
  throw DriverError(what + ": " + ErrorText(static_cast<DWORD>(status)));
}

// The type and size of a value; nullopt when the key or the value is missing.
std::optional<std::pair<DWORD, DWORD>> ValueInfo(std::string_view key, std::string_view name) {
  const std::wstring wkey = KeyPath(key);
  const std::wstring wname = Widen(name);
  DWORD type = 0;
  DWORD size = 0;
  const LSTATUS status =
      RegGetValueW(HKEY_CURRENT_USER, wkey.c_str(), wname.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  if (status != ERROR_SUCCESS) ThrowRegistry("Cannot read " + ValueName(key, name), status);
  return std::make_pair(type, size);
}

}  // namespace

// --- command lines ----------------------------------------------------------------------------------

std::string QuoteArgument(std::string_view arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string_view::npos) return std::string(arg);
  // Backslashes double only before a quote, including the closing one.
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      quoted.append(backslashes * 2 + 1, '\\');
    } else {
      quoted.append(backslashes, '\\');
    }
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

std::string JoinCommandLine(const std::vector<std::string>& argv) {
  std::string line;
  for (const std::string& arg : argv) {
    if (!line.empty()) line += ' ';
    line += QuoteArgument(arg);
  }
  return line;
}

// --- processes --------------------------------------------------------------------------------------

namespace {

// The caller's environment with the changes applied, as CreateProcessW wants it: sorted by name
// without regard to case, each "NAME=value" ended by a NUL, the block by one more.
std::wstring EnvironmentBlock(const std::vector<EnvSetting>& changes) {
  std::vector<std::wstring> entries;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) entries.emplace_back(p);
    FreeEnvironmentStringsW(block);
  }
  auto name_of = [](const std::wstring& entry) {
    // Names of the per-drive folders begin with '=' ("=C:=C:\\").
    const std::size_t eq = entry.find(L'=', 1);
    return entry.substr(0, eq == std::wstring::npos ? entry.size() : eq);
  };
  for (const EnvSetting& change : changes) {
    if (change.name.empty() || change.name.find('=') != std::string::npos) {
      throw DriverError("Not a usable environment variable name: " + Quoted(change.name));
    }
    const std::wstring name = Widen(change.name);
    std::erase_if(entries, [&](const std::wstring& e) { return EqualsNoCase(name_of(e), name); });
    if (change.value) entries.push_back(name + L"=" + Widen(*change.value));
  }
  std::stable_sort(entries.begin(), entries.end(), [&](const std::wstring& a, const std::wstring& b) {
    const std::wstring na = name_of(a);
    const std::wstring nb = name_of(b);
    return CompareStringOrdinal(na.c_str(), static_cast<int>(na.size()), nb.c_str(), static_cast<int>(nb.size()),
                                TRUE) == CSTR_LESS_THAN;
  });
  std::wstring result;
  for (const std::wstring& e : entries) {
    result += e;
    result += L'\0';
  }
  result += L'\0';
  return result;
}

std::string DescribeProcessWindows(unsigned long pid) {
  std::string text;
  for (HWND hwnd : TopWindows()) {
    if (ProcessOf(hwnd) == pid) text += "  " + DescribeTop(hwnd) + "\n";
  }
  return text.empty() ? "  (none)\n" : text;
}

}  // namespace

Process Process::StartCommandLine(std::string_view command_line, const LaunchOptions& options) {
  std::wstring line = Widen(command_line);
  if (line.empty()) throw DriverError("Cannot start a program from an empty command line");
  std::wstring environment;
  if (!options.environment.empty()) environment = EnvironmentBlock(options.environment);
  const std::wstring folder = Widen(options.working_directory);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                      environment.empty() ? nullptr : environment.data(), folder.empty() ? nullptr : folder.c_str(),
                      &startup, &info)) {
    const DWORD error = GetLastError();
    throw DriverError("Cannot start " + std::string(command_line) +
                      (folder.empty() ? "" : " in " + options.working_directory) + ": " + ErrorText(error));
  }
  CloseHandle(info.hThread);
  Process process;
  process.handle_ = info.hProcess;
  process.id_ = info.dwProcessId;
  process.command_line_ = std::string(command_line);
  return process;
}

Process Process::Start(const std::vector<std::string>& argv, const LaunchOptions& options) {
  if (argv.empty() || argv.front().empty()) throw DriverError("Cannot start a program without a program path");
  return StartCommandLine(JoinCommandLine(argv), options);
}

Process::Process(Process&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      id_(std::exchange(other.id_, 0)),
      command_line_(std::move(other.command_line_)) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, nullptr);
    id_ = std::exchange(other.id_, 0);
    command_line_ = std::move(other.command_line_);
  }
  return *this;
}

Process::~Process() { Release(); }

void Process::Release() {
  if (!handle_) return;
  if (Running()) {
    TerminateProcess(handle_, 1);
    WaitForSingleObject(handle_, static_cast<DWORD>(kDefaultTimeout.count()));
  }
  CloseHandle(handle_);
  handle_ = nullptr;
}

bool Process::Running() const {
  return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

std::optional<unsigned long> Process::ExitCode() const {
  if (!handle_ || Running()) return std::nullopt;
  DWORD code = 0;
  if (!GetExitCodeProcess(handle_, &code)) return std::nullopt;
  return code;
}

std::optional<unsigned long> Process::WaitForExit(Millis timeout) const {
  if (!handle_) throw DriverError("Cannot wait for a program that was never started");
  if (WaitForSingleObject(handle_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return std::nullopt;
  return ExitCode();
}

unsigned long Process::ExpectExit(Millis timeout) const {
  if (const auto code = WaitForExit(timeout)) return *code;
  throw DriverError("Process " + std::to_string(id_) + " (" + command_line_ + ") still runs after " + Ms(timeout) +
                    ".\nIts top-level windows:\n" + DescribeProcessWindows(id_));
}

void Process::Kill(unsigned exit_code) {
  if (!handle_) return;
  if (Running()) {
    if (!TerminateProcess(handle_, exit_code)) {
      const DWORD error = GetLastError();
      if (Running()) throw DriverError("Cannot end process " + std::to_string(id_) + ": " + ErrorText(error));
    }
    WaitForSingleObject(handle_, static_cast<DWORD>(kDefaultTimeout.count()));
  }
}

// --- windows ----------------------------------------------------------------------------------------

bool Window::Exists() const { return hwnd_ && IsWindow(H(*this)); }
bool Window::Visible() const { return Exists() && IsWindowVisible(H(*this)); }
bool Window::Enabled() const { return Exists() && IsWindowEnabled(H(*this)); }
std::string Window::ClassName() const { return Narrow(ClassOf(H(*this))); }
int Window::Id() const { return GetDlgCtrlID(H(*this)); }
unsigned long Window::ProcessId() const { return ProcessOf(H(*this)); }
Window Window::Owner() const { return Window(GetWindow(H(*this), GW_OWNER)); }

std::string Window::Text() const {
  RequireWindow(H(*this), "read the text");
  const auto text = SentText(H(*this));
  if (!text) {
    RequireWindow(H(*this), "read the text");
    throw DriverError("Window " + Describe() + " does not answer WM_GETTEXT within " + Ms(kSendTimeout));
  }
  return Narrow(*text);
}

void Window::SetText(std::string_view text) const {
  RequireWindow(H(*this), "set the text");
  const std::wstring wide = Widen(text);
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(H(*this), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG,
                           kSendTimeout.count(), &result)) {
    RequireWindow(H(*this), "set the text");
    throw DriverError("Window " + Describe() + " does not answer WM_SETTEXT within " + Ms(kSendTimeout));
  }
  if (!result) throw DriverError("Window " + Describe() + " refused the text " + Quoted(ShortText(std::string(text))));
}

void Window::Click() const {
  RequireWindow(H(*this), "click");
  if (!IsWindowEnabled(H(*this))) throw DriverError("Cannot click " + Describe() + ": it is disabled");
  if (!PostMessageW(H(*this), BM_CLICK, 0, 0)) {
    throw DriverError("Cannot click " + Describe() + ": " + ErrorText(GetLastError()));
  }
}

CheckState Window::Check() const {
  RequireWindow(H(*this), "read the check state");
  const auto state = CheckStateOf(H(*this));
  if (!state) throw DriverError("Window " + Describe() + " is not a check box or radio button that answers");
  return *state;
}

void Window::SetChecked(bool checked, Millis timeout) const {
  const CheckState wanted = checked ? CheckState::Checked : CheckState::Unchecked;
  if (Check() == wanted) return;
  Click();
  if (!PollUntil(timeout, [&] { return CheckStateOf(H(*this)) == wanted; })) {
    RequireWindow(H(*this), "set the check state");
    throw DriverError("Clicked " + Describe() + " but it is not " + CheckName(wanted) + " after " + Ms(timeout));
  }
}

void Window::Close() const {
  RequireWindow(H(*this), "close");
  if (!PostMessageW(H(*this), WM_CLOSE, 0, 0)) {
    throw DriverError("Cannot close " + Describe() + ": " + ErrorText(GetLastError()));
  }
}

void Window::WaitGone(Millis timeout) const {
  if (PollUntil(timeout, [&] { return !IsWindow(H(*this)); })) return;
  throw DriverError("Timed out after " + Ms(timeout) + " waiting for window " + Describe() +
                    " to go away.\nTop-level windows:\n" + DescribeTopWindows());
}

void Window::WaitForText(std::string_view text, Millis timeout) const {
  std::string last;
  if (PollUntil(timeout, [&] {
        const auto now = SentText(H(*this));
        if (now) last = Narrow(*now);
        return now && last == text;
      })) {
    return;
  }
  RequireWindow(H(*this), "read the text");
  throw DriverError("Timed out after " + Ms(timeout) + " waiting for " + Describe() + " to read " + Quoted(text) +
                    "; it reads " + Quoted(last));
}

std::vector<ControlInfo> Window::Children() const {
  std::vector<ControlInfo> result;
  for (HWND hwnd : Descendants(H(*this))) {
    ControlInfo info;
    info.window = Window(hwnd);
    info.class_name = Narrow(ClassOf(hwnd));
    info.id = GetDlgCtrlID(hwnd);
    info.text = Narrow(SentText(hwnd).value_or(L"<no answer>"));
    info.visible = IsWindowVisible(hwnd);
    info.enabled = IsWindowEnabled(hwnd);
    info.check = CheckStateOf(hwnd);
    result.push_back(std::move(info));
  }
  return result;
}

std::optional<Window> Window::FindChild(int id) const {
  for (HWND hwnd : Descendants(H(*this))) {
    if (GetDlgCtrlID(hwnd) == id) return Window(hwnd);
  }
  return std::nullopt;
}

namespace {

Window WaitForChild(const Window& parent, Millis timeout, const std::string& what,
                    const std::function<bool(HWND)>& matches) {
  RequireWindow(H(parent), "look for a control");
  Window found;
  if (PollUntil(timeout, [&] {
        for (HWND hwnd : Descendants(H(parent))) {
          if (matches(hwnd)) {
            found = Window(hwnd);
            return true;
          }
        }
        return false;
      })) {
    return found;
  }
  RequireWindow(H(parent), "look for a control");
  throw DriverError("Timed out after " + Ms(timeout) + " waiting for " + what + " in " + DescribeTop(H(parent)) +
                    ".\nIts controls:\n" + DescribeChildren(H(parent)));
}

}  // namespace

Window Window::Child(int id, Millis timeout) const {
  return WaitForChild(*this, timeout, "control " + std::to_string(id),
                      [id](HWND hwnd) { return GetDlgCtrlID(hwnd) == id; });
}

Window Window::ChildByText(std::string_view text, Millis timeout) const {
  return WaitForChild(*this, timeout, "a control reading " + Quoted(text), [text](HWND hwnd) {
    const auto actual = SentText(hwnd);
    return actual && TextMatches(Narrow(*actual), text);
  });
}

Window Window::ChildByClass(std::string_view class_name, std::string_view text, Millis timeout) const {
  const std::wstring wclass = Widen(class_name);
  return WaitForChild(*this, timeout, "a " + Quoted(class_name) + " control reading " + Quoted(text),
                      [&](HWND hwnd) {
                        if (!EqualsNoCase(ClassOf(hwnd), wclass)) return false;
                        const auto actual = SentText(hwnd);
                        return actual && TextMatches(Narrow(*actual), text);
                      });
}

std::string Window::Describe() const {
  HWND hwnd = H(*this);
  if (!hwnd || !IsWindow(hwnd)) return HandleText(hwnd) + " (gone)";
  std::string line = HandleText(hwnd) + " " + Narrow(ClassOf(hwnd)) + " id " + std::to_string(GetDlgCtrlID(hwnd));
  const auto text = SentText(hwnd);
  line += text ? " " + Quoted(ShortText(Narrow(*text))) : std::string(" <no answer>");
  if (!IsWindowVisible(hwnd)) line += " hidden";
  if (!IsWindowEnabled(hwnd)) line += " disabled";
  if (const auto check = CheckStateOf(hwnd)) line += std::string(" ") + CheckName(*check);
  return line;
}

bool TextMatches(std::string_view actual, std::string_view wanted) {
  if (actual == wanted) return true;
  // "&&" shows one ampersand; a single '&' only underlines the next letter.
  std::string shown;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (actual[i] == '&' && i + 1 < actual.size()) ++i;
    shown += actual[i];
  }
  return shown == wanted;
}

// --- top-level windows ------------------------------------------------------------------------------

std::optional<Window> FindTopWindow(const WindowQuery& query) {
  const std::wstring caption = Widen(query.caption);
  for (HWND hwnd : TopWindows()) {
    if (IsWindowVisible(hwnd) && MatchesQuery(hwnd, query, caption)) return Window(hwnd);
  }
  return std::nullopt;
}

Window WaitForTopWindow(const WindowQuery& query, Millis timeout) {
  const std::wstring caption = Widen(query.caption);
  Window found;
  std::string near_miss;
  if (PollUntil(timeout, [&] {
        for (HWND hwnd : TopWindows()) {
          if (!MatchesQuery(hwnd, query, caption)) continue;
          const std::string reason = NotReadyReason(hwnd, query);
          if (reason.empty()) {
            found = Window(hwnd);
            return true;
          }
          near_miss = "Window " + HandleText(hwnd) + " matches but " + reason + ".\n";
        }
        return false;
      })) {
    return found;
  }
  throw DriverError("Timed out after " + Ms(timeout) + " waiting for " + DescribeQuery(query) + ".\n" + near_miss +
                    "Top-level windows:\n" + DescribeTopWindows());
}

Window WaitForTopWindow(std::string_view caption, Millis timeout) {
  return WaitForTopWindow(WindowQuery{std::string(caption), {}, {}, {}}, timeout);
}

void WaitNoTopWindow(const WindowQuery& query, Millis timeout) {
  if (PollUntil(timeout, [&] { return !FindTopWindow(query); })) return;
  throw DriverError("Timed out after " + Ms(timeout) + " waiting for " + DescribeQuery(query) +
                    " to go away.\nTop-level windows:\n" + DescribeTopWindows());
}

std::string DescribeTopWindows() {
  std::string visible;
  std::string hidden;
  int unnamed = 0;
  for (HWND hwnd : TopWindows()) {
    if (IsWindowVisible(hwnd)) {
      visible += "  " + DescribeTop(hwnd) + "\n";
    } else if (GetWindowTextLengthW(hwnd) > 0) {
      hidden += "  " + DescribeTop(hwnd) + "\n";
    } else {
      ++unnamed;
    }
  }
  if (visible.empty()) visible = "  (no visible window)\n";
  return visible + hidden + "  and " + std::to_string(unnamed) + " hidden windows without a caption\n";
}

// --- message boxes ----------------------------------------------------------------------------------

namespace {

bool IsPushButton(HWND hwnd) {
  if (!EqualsNoCase(ClassOf(hwnd), L"Button")) return false;
  const LONG type = GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

}  // namespace

std::string MessageBoxWindow::Text() const {
  RequireWindow(H(window_), "read a message box");
  // Dialog templates store the id as a 16-bit 0xFFFF, which some systems hand back as -1.
  for (HWND hwnd : Descendants(H(window_))) {
    const int id = GetDlgCtrlID(hwnd);
    if ((id == kMessageBoxTextId || id == -1) && EqualsNoCase(ClassOf(hwnd), L"Static")) return Window(hwnd).Text();
  }
  throw DriverError("Message box " + DescribeTop(H(window_)) + " has no text control.\nIts controls:\n" +
                    DescribeChildren(H(window_)));
}

std::vector<std::string> MessageBoxWindow::Buttons() const {
  RequireWindow(H(window_), "read a message box");
  std::vector<std::string> captions;
  for (HWND hwnd : Descendants(H(window_))) {
    if (IsWindowVisible(hwnd) && IsPushButton(hwnd)) captions.push_back(Window(hwnd).Text());
  }
  return captions;
}

void MessageBoxWindow::Press(std::string_view caption) const {
  RequireWindow(H(window_), "press a message box button");
  for (HWND hwnd : Descendants(H(window_))) {
    if (!IsWindowVisible(hwnd) || !IsPushButton(hwnd)) continue;
    if (TextMatches(Window(hwnd).Text(), caption)) return Window(hwnd).Click();
  }
  throw DriverError("Message box " + DescribeTop(H(window_)) + " has no button " + Quoted(caption) +
                    ".\nIts controls:\n" + DescribeChildren(H(window_)));
}

void MessageBoxWindow::PressId(int id) const {
  RequireWindow(H(window_), "press a message box button");
  const auto button = window_.FindChild(id);
  if (!button || !IsPushButton(H(*button))) {
    throw DriverError("Message box " + DescribeTop(H(window_)) + " has no button with id " + std::to_string(id) +
                      ".\nIts controls:\n" + DescribeChildren(H(window_)));
  }
  button->Click();
}

void MessageBoxWindow::Dismiss(Millis timeout) const {
  PressId(kIdOk);
  WaitGone(timeout);
}

MessageBoxWindow WaitForMessageBox(std::string_view caption, std::optional<unsigned long> process_id,
                                   Millis timeout) {
  return MessageBoxWindow(WaitForTopWindow(WindowQuery{std::string(caption), "#32770", process_id, {}}, timeout));
}

// --- registry ---------------------------------------------------------------------------------------

namespace registry {

bool KeyExists(std::string_view key) {
  HKEY handle = nullptr;
  const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(key).c_str(), 0, KEY_READ, &handle);
  if (status == ERROR_SUCCESS) {
    RegCloseKey(handle);
    return true;
  }
  if (status == ERROR_FILE_NOT_FOUND) return false;
  ThrowRegistry("Cannot open HKEY_CURRENT_USER\\" + std::string(key), status);
}

bool ValueExists(std::string_view key, std::string_view name) { return ValueInfo(key, name).has_value(); }

std::optional<std::string> ReadString(std::string_view key, std::string_view name) {
  const auto info = ValueInfo(key, name);
  if (!info) return std::nullopt;
  if (info->first != REG_SZ && info->first != REG_EXPAND_SZ) {
    throw DriverError(ValueName(key, name) + " is of type " + std::to_string(info->first) + ", not text");
  }
  const std::wstring wkey = KeyPath(key);
  const std::wstring wname = Widen(name);
  std::wstring data;
  DWORD size = info->second;
  for (;;) {
    data.assign(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, wkey.c_str(), wname.c_str(),
                                        RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, data.data(),
                                        &size);
    if (status == ERROR_MORE_DATA) continue;  // changed in between
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (status != ERROR_SUCCESS) ThrowRegistry("Cannot read " + ValueName(key, name), status);
    break;
  }
  data.resize(size / sizeof(wchar_t));
  while (!data.empty() && data.back() == L'\0') data.pop_back();
  return Narrow(data);
}

std::optional<std::uint32_t> ReadDword(std::string_view key, std::string_view name) {
  const auto info = ValueInfo(key, name);
  if (!info) return std::nullopt;
  if (info->first != REG_DWORD) {
    throw DriverError(ValueName(key, name) + " is of type " + std::to_string(info->first) + ", not a DWORD");
  }
  DWORD value = 0;
  DWORD size = sizeof value;
  const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, KeyPath(key).c_str(), Widen(name).c_str(), RRF_RT_REG_DWORD,
                                      nullptr, &value, &size);
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  if (status != ERROR_SUCCESS) ThrowRegistry("Cannot read " + ValueName(key, name), status);
  return value;
}

namespace {

void WriteValue(std::string_view key, std::string_view name, DWORD type, const void* data, DWORD size) {
  HKEY handle = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                   &handle, nullptr);
  if (status != ERROR_SUCCESS) ThrowRegistry("Cannot create HKEY_CURRENT_USER\\" + std::string(key), status);
  status = RegSetValueExW(handle, Widen(name).c_str(), 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(handle);
  if (status != ERROR_SUCCESS) ThrowRegistry("Cannot write " + ValueName(key, name), status);
}

}  // namespace

void WriteString(std::string_view key, std::string_view name, std::string_view value) {
  const std::wstring data = Widen(value);
  WriteValue(key, name, REG_SZ, data.c_str(), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

void WriteDword(std::string_view key, std::string_view name, std::uint32_t value) {
  const DWORD data = value;
  WriteValue(key, name, REG_DWORD, &data, sizeof data);
}

void DeleteValue(std::string_view key, std::string_view name) {
  HKEY handle = nullptr;
  LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(key).c_str(), 0, KEY_SET_VALUE, &handle);
  if (status == ERROR_FILE_NOT_FOUND) return;
  if (status != ERROR_SUCCESS) ThrowRegistry("Cannot open HKEY_CURRENT_USER\\" + std::string(key), status);
  status = RegDeleteValueW(handle, Widen(name).c_str());
  RegCloseKey(handle);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    ThrowRegistry("Cannot delete " + ValueName(key, name), status);
  }
}

void DeleteKey(std::string_view key) {
  const std::wstring wkey = KeyPath(key);
  // A test's key lies below a vendor key; one part ("Software") would take the prefix's settings with it.
  if (wkey.find(L'\\') == std::wstring::npos) {
    throw DriverError("Refusing to delete HKEY_CURRENT_USER\\" + std::string(key) +
                      ": a test key has at least two parts, like Software\\Vendor");
  }
  LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, wkey.c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    ThrowRegistry("Cannot delete HKEY_CURRENT_USER\\" + std::string(key), status);
  }
  // Some systems leave the emptied key itself in place.
  status = RegDeleteKeyW(HKEY_CURRENT_USER, wkey.c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    ThrowRegistry("Cannot delete HKEY_CURRENT_USER\\" + std::string(key), status);
  }
}

ScopedKey::ScopedKey(std::string key) : key_(std::move(key)) { DeleteKey(key_); }

ScopedKey::~ScopedKey() {
  try {
    DeleteKey(key_);
  } catch (const DriverError&) {
    // The next test's constructor reports it.
  }
}

ScopedKey& ScopedKey::Seed(std::string_view name, std::string_view value) {
  WriteString(key_, name, value);
  return *this;
}

ScopedKey& ScopedKey::Seed(std::string_view name, std::uint32_t value) {
  WriteDword(key_, name, value);
  return *this;
}

}  // namespace registry

// --- paths ------------------------------------------------------------------------------------------

std::string ExecutableDir() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) throw DriverError("Cannot find the test program's path: " + ErrorText(GetLastError()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  return Narrow(slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash));
}

std::string FromHostPath(std::string_view path) {
  if (path.empty() || path.front() != '/') return std::string(path);
  std::string windows = "Z:" + std::string(path);
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return windows;
}

}  // namespace brisvane::e2e
