#pragma once
// The system's own place where the user picks the program for a type of file.
#include "platform/windows_version.h"

namespace brisvane {

class IDefaultApps {
 public:
  virtual ~IDefaultApps() = default;
  // Tells the shell that file associations changed, so that it reads them again.
  virtual void AssociationsChanged() = 0;
  // Opens the page where the user picks default programs: the Default Apps settings on Windows 10 and
  // later, the association dialog for Brisvane on 8 and 8.1. False when the system has no such page or
  // would not open it; the caller then tells the user where to go.
  virtual bool OpenChooser(const OsVersionInfo& version) = 0;
};

}  // namespace brisvane
