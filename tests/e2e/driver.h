#pragma once
// Drives Windows GUI programs from a test running in the same Wine prefix (or on Windows): start a
// program, find its windows, type, click, read message boxes, look at the registry afterwards.
//
// Strings are UTF-8 at this API. Every wait polls about every 10 ms until a deadline and throws
// DriverError when the deadline passes; the message says what was awaited and lists the windows that
// do exist, so a failed test explains itself. Clicks and closes are posted, never sent: a sent click
// would block for as long as the handler's modal message box stays open.
#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brisvane::e2e {

using Millis = std::chrono::milliseconds;

// Long enough for a cold Wine to show a window, short enough that a missing one fails quickly.
inline constexpr Millis kDefaultTimeout{5000};
// A sent message that takes longer than this means the program has hung.
inline constexpr Millis kSendTimeout{2000};

// Dialog button ids, as the system's message boxes use them.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
// The id of a message box's text.
inline constexpr int kMessageBoxTextId = 0xFFFF;

class DriverError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// ---------------------------------------------------------------------------------------------------
// Processes

struct EnvSetting {
  std::string name;
  std::optional<std::string> value;  // nullopt removes the variable
};

struct LaunchOptions {
  std::string working_directory;         // empty: the caller's
  std::vector<EnvSetting> environment;   // changes to the caller's environment
};

// One argument quoted so that CommandLineToArgvW and the C runtime give it back unchanged.
std::string QuoteArgument(std::string_view arg);
// argv[0] is the program; each argument quoted as needed and joined with blanks.
std::string JoinCommandLine(const std::vector<std::string>& argv);

// A started program. The destructor kills it if it is still running, so a failed test never leaves
// a window behind for the next one to find.
class Process {
 public:
  // `command_line` is passed as is; its first word is the program.
  static Process StartCommandLine(std::string_view command_line, const LaunchOptions& options = {});
  static Process Start(const std::vector<std::string>& argv, const LaunchOptions& options = {});

  Process() = default;
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  unsigned long id() const { return id_; }
  const std::string& command_line() const { return command_line_; }
  bool Running() const;
  // The exit code once the program has ended; nullopt while it runs.
  std::optional<unsigned long> ExitCode() const;
  // Waits for the end; nullopt when the program still runs at the deadline.
  std::optional<unsigned long> WaitForExit(Millis timeout = kDefaultTimeout) const;
  // Waits for the end and returns the exit code; throws, listing the program's windows, at the deadline.
  unsigned long ExpectExit(Millis timeout = kDefaultTimeout) const;
  // Ends the program at once and waits until it is gone.
  void Kill(unsigned exit_code = 1);

 private:
  void Release();

  void* handle_ = nullptr;
  unsigned long id_ = 0;
  std::string command_line_;
};

// ---------------------------------------------------------------------------------------------------
// Windows and controls

enum class CheckState { Unchecked, Checked, Indeterminate };

struct ControlInfo;

// A handle to a window of any process. Copies are cheap; nothing is owned.
class Window {
 public:
  Window() = default;
  explicit Window(void* hwnd) : hwnd_(hwnd) {}

  void* handle() const { return hwnd_; }
  explicit operator bool() const { return hwnd_ != nullptr; }
  friend bool operator==(const Window&, const Window&) = default;

  bool Exists() const;
  bool Visible() const;
  bool Enabled() const;
  std::string ClassName() const;
  int Id() const;
  unsigned long ProcessId() const;
  // The owner of a message box or dialog; an empty Window when none.
  Window Owner() const;

  // WM_GETTEXT / WM_SETTEXT, sent with a timeout: the program's own current text, not a cached one.
  std::string Text() const;
  void SetText(std::string_view text) const;

  // A posted BM_CLICK, as a user's click: the program gets BN_CLICKED from its own button.
  void Click() const;
  CheckState Check() const;
  bool Checked() const { return Check() == CheckState::Checked; }
  // Clicks the box when its state differs and waits until the program shows the wanted state.
  void SetChecked(bool checked, Millis timeout = kDefaultTimeout) const;

  // A posted WM_CLOSE, as the caption's close button.
  void Close() const;
  void WaitGone(Millis timeout = kDefaultTimeout) const;
  // Waits until Text() equals `text` (a field the program fills in later).
  void WaitForText(std::string_view text, Millis timeout = kDefaultTimeout) const;

  // All descendants, in the order the system lists them.
  std::vector<ControlInfo> Children() const;
  // Each throws at the deadline with a list of the controls that do exist.
  Window Child(int id, Millis timeout = kDefaultTimeout) const;
  Window ChildByText(std::string_view text, Millis timeout = kDefaultTimeout) const;
  Window ChildByClass(std::string_view class_name, std::string_view text, Millis timeout = kDefaultTimeout) const;
  std::optional<Window> FindChild(int id) const;

  // One line: handle, class, id, text and state, for failure messages.
  std::string Describe() const;

 private:
  void* hwnd_ = nullptr;
};

struct ControlInfo {
  Window window;
  std::string class_name;
  int id = 0;
  std::string text;
  bool visible = false;
  bool enabled = false;
  std::optional<CheckState> check;  // check boxes and radio buttons only
};

// Texts match exactly, or after dropping the '&' of a keyboard mnemonic ("&Greet" matches "Greet").
bool TextMatches(std::string_view actual, std::string_view wanted);

struct WindowQuery {
  std::string caption;                      // exact
  std::optional<std::string> class_name;    // e.g. "#32770" for dialogs and message boxes
  std::optional<unsigned long> process_id;  // only windows of this process
  std::vector<int> required_controls;       // ids that must exist before the window counts as ready
};

// Finds a visible top-level window now; nullopt when there is none.
std::optional<Window> FindTopWindow(const WindowQuery& query);
// Waits until a matching top-level window is visible, holds the required controls, and its thread
// has finished creating it (it answers a sent message). Throws at the deadline with the window list.
Window WaitForTopWindow(const WindowQuery& query, Millis timeout = kDefaultTimeout);
Window WaitForTopWindow(std::string_view caption, Millis timeout = kDefaultTimeout);
// Waits until no visible top-level window matches.
void WaitNoTopWindow(const WindowQuery& query, Millis timeout = kDefaultTimeout);

// Every top-level window, visible ones first, one per line; hidden ones without a caption are counted.
std::string DescribeTopWindows();

// ---------------------------------------------------------------------------------------------------
// Message boxes: a "#32770" window captioned as given, its text in the static with id 0xFFFF.

class MessageBoxWindow {
 public:
  explicit MessageBoxWindow(Window window) : window_(window) {}

  const Window& window() const { return window_; }
  std::string Caption() const { return window_.Text(); }
  std::string Text() const;
  // The push buttons' captions as shown, mnemonics included ("&Yes").
  std::vector<std::string> Buttons() const;
  // Posted clicks; Press finds the button by caption (mnemonic optional), PressId by id (kIdOk...).
  void Press(std::string_view caption) const;
  void PressId(int id) const;
  void WaitGone(Millis timeout = kDefaultTimeout) const { window_.WaitGone(timeout); }
  // Presses the default button (OK) and waits until the box has gone.
  void Dismiss(Millis timeout = kDefaultTimeout) const;

 private:
  Window window_;
};

MessageBoxWindow WaitForMessageBox(std::string_view caption, std::optional<unsigned long> process_id = {},
                                   Millis timeout = kDefaultTimeout);

// ---------------------------------------------------------------------------------------------------
// The current user's registry (HKEY_CURRENT_USER). Key paths are below the root, parts separated by
// backslashes. Missing keys and values read as nullopt; a value of another type is an error.

namespace registry {

bool KeyExists(std::string_view key);
bool ValueExists(std::string_view key, std::string_view name);
std::optional<std::string> ReadString(std::string_view key, std::string_view name);
std::optional<std::uint32_t> ReadDword(std::string_view key, std::string_view name);
// Creates the key (and its parents) as needed.
void WriteString(std::string_view key, std::string_view name, std::string_view value);
void WriteDword(std::string_view key, std::string_view name, std::uint32_t value);
// Missing values and keys are fine: the aim is that they are gone afterwards.
void DeleteValue(std::string_view key, std::string_view name);
void DeleteKey(std::string_view key);  // with all its subkeys

// A key a test owns: empty when the test starts, removed when it ends, and seeded on request.
class ScopedKey {
 public:
  explicit ScopedKey(std::string key);
  ~ScopedKey();
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;

  const std::string& path() const { return key_; }
  ScopedKey& Seed(std::string_view name, std::string_view value);
  ScopedKey& Seed(std::string_view name, std::uint32_t value);
  std::optional<std::string> ReadString(std::string_view name) const { return registry::ReadString(key_, name); }
  std::optional<std::uint32_t> ReadDword(std::string_view name) const { return registry::ReadDword(key_, name); }

 private:
  std::string key_;
};

}  // namespace registry

// ---------------------------------------------------------------------------------------------------
// Paths

// The folder of the running test executable, without a trailing backslash.
std::string ExecutableDir();
// A Linux path as Wine sees it through drive Z: ("/work/a" -> "Z:\work\a"); other paths unchanged.
std::string FromHostPath(std::string_view path);

}  // namespace brisvane::e2e
