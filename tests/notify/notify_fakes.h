#pragma once
// Stand-ins for the window manager's desktop, the process table, the Abort/Retry/Ignore prompt and the
// clock, for the popup and its lookups.
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/process_table.h"
#include "platform/prompt.h"

namespace brisvane::testing {

// Windows as rectangles of screen pixels; a later one lies over an earlier one.
class FakeDesktopWindows final : public IDesktopWindows {
 public:
  struct Window {
    WindowHandle handle;
    int left, top, right, bottom;  // right and bottom exclusive
    std::uint32_t pid = 0;
    std::uint32_t thread = 0;
    WindowHandle parent = 0;
    bool iconic = false;
  };
  void Add(const Window& window) { windows.push_back(window); }

  WindowHandle WindowFromPoint(int x, int y) override {
    ++points_asked;
    for (auto w = windows.rbegin(); w != windows.rend(); ++w) {
      if (x >= w->left && x < w->right && y >= w->top && y < w->bottom) return w->handle;
    }
    return 0;
  }
  std::uint32_t ProcessOf(WindowHandle window) override {
    const Window* w = Find(window);
    return w ? w->pid : 0;
  }
  WindowHandle ParentOf(WindowHandle window) override {
    const Window* w = Find(window);
    return w ? w->parent : 0;
  }
  WindowHandle ForegroundWindow() override {
    calls.push_back("ForegroundWindow");
    return foreground;
  }
  std::uint32_t ThreadOf(WindowHandle window) override {
    const Window* w = Find(window);
    return w ? w->thread : 0;
  }
  bool AttachThreadInput(std::uint32_t from, std::uint32_t to, bool attach) override {
    calls.push_back((attach ? "Attach " : "Detach ") + std::to_string(from) + " " + std::to_string(to));
    return true;
  }
  bool SetForegroundWindow(WindowHandle window) override {
    calls.push_back("SetForegroundWindow " + std::to_string(window));
    if (!allow_foreground) return false;
    foreground = window;
    return true;
  }
  bool IsIconic(WindowHandle window) override {
    const Window* w = Find(window);
    return w && w->iconic;
  }
  void ShowWindow(WindowHandle window, bool restore) override {
    calls.push_back((restore ? "Restore " : "Show ") + std::to_string(window));
  }

  const Window* Find(WindowHandle handle) const {
    for (const Window& w : windows)
      if (w.handle == handle) return &w;
    return nullptr;
  }

  std::vector<Window> windows;
  WindowHandle foreground = 0;
  bool allow_foreground = true;
  std::vector<std::string> calls;
  int points_asked = 0;
};

// A process table with fixed records; each Open is one lookup.
class FakeProcessTables final : public IProcessTableFactory {
 public:
  std::unique_ptr<IProcessTable> Open() override;

  std::vector<ProcessRecord> records;
  std::deque<bool> connect_results;  // one per connection attempt; true once they run out
  bool query_succeeds = true;
  int opened = 0, connects = 0, queries = 0, records_read = 0;
  std::function<void()> on_record;  // after each record is handed out
};

class FakeProcessTable final : public IProcessTable {
 public:
  explicit FakeProcessTable(FakeProcessTables& owner) : owner_(owner) {}
  bool Connect() override {
    ++owner_.connects;
    if (owner_.connect_results.empty()) return connected_ = true;
    connected_ = owner_.connect_results.front();
    owner_.connect_results.pop_front();
    return connected_;
  }
  bool Query() override {
    ++owner_.queries;
    return queried_ = connected_ && owner_.query_succeeds;
  }
  std::optional<ProcessRecord> Next() override {
    if (!queried_ || next_ >= owner_.records.size()) return std::nullopt;
    ++owner_.records_read;
    ProcessRecord record = owner_.records[next_++];
    if (owner_.on_record) owner_.on_record();
    return record;
  }

 private:
  FakeProcessTables& owner_;
  bool connected_ = false, queried_ = false;
  std::size_t next_ = 0;
};

inline std::unique_ptr<IProcessTable> FakeProcessTables::Open() {
  ++opened;
  return std::make_unique<FakeProcessTable>(*this);
}

class FakePrompt final : public IPrompt {
 public:
  PromptAnswer AbortRetryIgnore(std::string_view text, std::string_view title) override {
    shown.push_back(std::string(title) + ": " + std::string(text));
    if (answers.empty()) return PromptAnswer::Ignore;
    const PromptAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<PromptAnswer> answers;
  std::vector<std::string> shown;
};

// Time moves only when someone sleeps. The true time runs in milliseconds; Now gives whole seconds.
class FakeClock final : public IClock {
 public:
  explicit FakeClock(std::chrono::local_seconds start = std::chrono::local_days{std::chrono::year{2024} /
                                                                               3 / 7} +
                                                         std::chrono::hours{9} + std::chrono::minutes{5} +
                                                         std::chrono::seconds{1},
                     std::chrono::milliseconds phase = std::chrono::milliseconds{0})
      : now_(start + phase) {}
  std::chrono::local_seconds Now() override { return std::chrono::floor<std::chrono::seconds>(now_); }
  void Sleep(unsigned milliseconds) override {
    slept += std::chrono::milliseconds{milliseconds};
    now_ += std::chrono::milliseconds{milliseconds};
  }
  std::chrono::milliseconds slept{0};

 private:
  std::chrono::local_time<std::chrono::milliseconds> now_;
};

}  // namespace brisvane::testing
