#pragma once
// Drives a Windows program from a test running in the same Wine prefix, as a user would: start it, find
// its windows by caption, read and set control text, click, read and dismiss message boxes, read the
// registry afterwards.
//
// Strings are UTF-8. Every wait polls until a deadline and then throws DriverError saying what it waited
// for and which windows there are, so that a failed scenario explains itself. Clicks and closes are
// posted, never sent: a sent click would block for as long as the handler's modal message box is open.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace brisvane::e2e {

using Millis = std::chrono::milliseconds;

// Long enough for a cold Wine to show a window, short enough that a missing one fails quickly.
inline constexpr Millis kDefaultTimeout{5000};

using DriverError = std::runtime_error;

// Polls `done` until it holds; at the deadline throws, naming `what` and listing the visible windows.
void WaitUntil(std::string_view what, const std::function<bool()>& done, Millis timeout = kDefaultTimeout);

// A started program. It inherits the test's environment; the destructor kills it if it still runs, so
// that a failed test leaves no window behind for the next one to find.
class Process {
 public:
  // The program, then its arguments, each put in double quotes as the shell quotes "%1"; none may hold a double quote.
  explicit Process(const std::vector<std::string>& argv);
  // The line exactly as given, for a program that reads a switch only unquoted (an NSIS installer's /S).
  static Process FromCommandLine(std::string_view command_line) { return Process(command_line, 0); }
  Process(const Process&) = delete;
  ~Process();

  DWORD id() const { return id_; }
  // Waits for the end and returns the exit code.
  DWORD ExpectExit(Millis timeout = kDefaultTimeout) const;

 private:
  // Starts the line as given; the second argument only sets this apart from the public constructor.
  Process(std::string_view command_line, int);

  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

// A window of any process. Nothing is owned.
class Window {
 public:
  Window() = default;
  explicit Window(HWND hwnd) : hwnd_(hwnd) {}

  HWND handle() const { return hwnd_; }

  // WM_GETTEXT and WM_SETTEXT, sent: the program's own current text, and the notices its edits send.
  std::string Text() const;
  void SetText(std::string_view text) const;
  void WaitForText(std::string_view text, Millis timeout = kDefaultTimeout) const;

  // A posted BM_CLICK, as a user's click: the program gets BN_CLICKED from its own button.
  void Click() const { Post(BM_CLICK); }
  bool Checked() const;
  // Clicks the box when its state differs and waits until the program shows the wanted state.
  void SetChecked(bool checked) const;

  // A posted WM_CLOSE, as the caption's close button.
  void Close() const { Post(WM_CLOSE); }
  // Waits until the window is hidden or destroyed.
  void WaitGone(Millis timeout = kDefaultTimeout) const;

  // The descendant with this id; throws, listing the controls there are, when there is none.
  Window Child(int id) const;

 private:
  // Posts, never sends; throws when the window has gone.
  void Post(UINT message) const;
  HWND hwnd_ = nullptr;
};

struct WindowQuery {
  std::string caption;             // exact
  DWORD process_id = 0;            // 0: any process
  std::vector<int> controls = {};  // ids that must exist before the window counts
  HWND except = nullptr;           // a window that never counts
};

// A visible top-level window that matches now.
std::optional<Window> FindTopWindow(const WindowQuery& query);
// Waits until a window matches: shown, with its controls (the last one made is enough).
Window WaitForTopWindow(const WindowQuery& query, Millis timeout = kDefaultTimeout);

// Waits for a message box of the given caption, presses OK once it has been read, waits until it has
// gone and returns its text (the static with id 0xFFFF).
std::string DismissMessageBox(std::string_view caption, DWORD process_id, Millis timeout = kDefaultTimeout);

// The registry, below HKEY_CURRENT_USER unless a root is given. Missing keys and values read as nullopt;
// a value of another type is an error, so that reading a value checks its type too.
namespace registry {

std::optional<std::string> ReadString(std::string_view key, std::string_view name);
std::optional<std::uint32_t> ReadDword(std::string_view key, std::string_view name);
bool KeyExists(std::string_view key);
bool ValueExists(std::string_view key, std::string_view name);
// Creates the key as needed.
void WriteString(std::string_view key, std::string_view name, std::string_view value, HKEY root = HKEY_CURRENT_USER);

// A key a test owns: removed with its subkeys before the test and after it.
class ScopedKey {
 public:
  explicit ScopedKey(std::string key, HKEY root = HKEY_CURRENT_USER);
  ~ScopedKey();
  ScopedKey(const ScopedKey&) = delete;

  const std::string& path() const { return key_; }
  ScopedKey& Seed(std::string_view name, std::string_view value);

 private:
  std::string key_;
  HKEY root_;
};

}  // namespace registry

// An absolute Linux path as Wine sees it through drive Z: ("/work/a" -> "Z:\work\a").
std::string FromHostPath(std::string_view path);

}  // namespace brisvane::e2e
