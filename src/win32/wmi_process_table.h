#pragma once
#include "platform/process_table.h"

namespace brisvane::win32 {

// The processes as the Windows management service (WMI, root\cimv2, Win32_Process) lists them.
class WmiProcessTables final : public IProcessTableFactory {
 public:
  std::unique_ptr<IProcessTable> Open() override;
};

}  // namespace brisvane::win32
