#include "win32/ole.h"

#include <windows.h>
#include <ole2.h>

namespace brisvane::win32 {

void UseOle() {
  static const struct Session {
    HRESULT started = OleInitialize(nullptr);
    ~Session() {
      if (SUCCEEDED(started)) OleUninitialize();
    }
  } session;
}

}  // namespace brisvane::win32
