#pragma once
// The shell's Default Apps settings and association dialog.
#include "platform/default_apps.h"

namespace brisvane::win32 {

class DefaultApps final : public IDefaultApps {
 public:
  void AssociationsChanged() override;
  bool OpenChooser(const OsVersionInfo& version) override;
};

}  // namespace brisvane::win32
