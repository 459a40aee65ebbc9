#pragma once
// Which process owns a window, and which program file a process runs. The path lookup keeps what it
// learnt of the management service between calls: a failed connection is reported at the next lookup,
// and once the user chose Abort the service is left alone for the rest of the run.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/desktop.h"
#include "platform/form.h"
#include "platform/process_table.h"
#include "platform/prompt.h"

namespace brisvane {

inline constexpr std::string_view kWmiErrorText = "Unable to query Windows Management Instrumentation service";
inline constexpr std::string_view kWmiErrorTitle = "Error communicating with winmgmt";

// The process id of the window's program, asking its parent when the window itself gives none; 0 if
// neither does.
std::uint32_t ProcessIdOf(IDesktopWindows& desktop, WindowHandle window);

class ProcessLookup {
 public:
  ProcessLookup(IProcessTableFactory& tables, IPrompt& prompt, IFormHost& host)
      : tables_(tables), prompt_(prompt), host_(host) {}

  // The executable path of process `pid`, or empty when the table has none or cannot be asked. Pending
  // window messages are processed between the records.
  std::string ExecutablePathOf(std::uint32_t pid);

 private:
  IProcessTableFactory& tables_;
  IPrompt& prompt_;
  IFormHost& host_;
  bool failed_ = false;  // from the start of a connection attempt until it succeeds
  PromptAnswer last_answer_ = PromptAnswer::None;
};

}  // namespace brisvane
