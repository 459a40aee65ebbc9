#include "notify/process_lookup.h"

namespace brisvane {

std::uint32_t ProcessIdOf(IDesktopWindows& desktop, WindowHandle window) {
  const std::uint32_t pid = desktop.ProcessOf(window);
  if (pid != 0) return pid;
  return desktop.ProcessOf(desktop.ParentOf(window));
}

std::string ProcessLookup::ExecutablePathOf(std::uint32_t pid) {
  if (failed_ && last_answer_ != PromptAnswer::Abort) {
    last_answer_ = prompt_.AbortRetryIgnore(kWmiErrorText, kWmiErrorTitle);
  }
  if (last_answer_ == PromptAnswer::Retry) failed_ = false;
  if (failed_ || last_answer_ == PromptAnswer::Abort) return {};

  failed_ = true;
  const std::unique_ptr<IProcessTable> table = tables_.Open();
  if (!table || !table->Connect()) return {};  // said at the start of the next lookup
  failed_ = false;
  if (!table->Query()) return {};
  while (const std::optional<ProcessRecord> record = table->Next()) {
    if (record->executable_path && record->pid == pid) return *record->executable_path;
    host_.ProcessPendingMessages();
  }
  return {};
}

}  // namespace brisvane
