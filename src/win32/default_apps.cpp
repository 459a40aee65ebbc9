#include "win32/default_apps.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "win32/ole.h"

namespace brisvane::win32 {

void DefaultApps::AssociationsChanged() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

bool DefaultApps::OpenChooser(const OsVersionInfo& version) {
  UseOle();
  if (version.major >= 10) {
    // Windows 11 opens Brisvane's own page with the query; Windows 10 opens the Default Apps page.
    const HINSTANCE result = ShellExecuteW(nullptr, L"open", L"ms-settings:defaultapps?registeredAppUser=Brisvane",
                                           nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
  }
  // Windows 8 and 8.1: the dialog that lists the types a registered application can open.
  IApplicationAssociationRegistrationUI* ui = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ApplicationAssociationRegistrationUI, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IApplicationAssociationRegistrationUI, reinterpret_cast<void**>(&ui)))) {
    return false;
  }
  const HRESULT shown = ui->LaunchAdvancedAssociationUI(L"Brisvane");
  ui->Release();
  return SUCCEEDED(shown);
}

}  // namespace brisvane::win32
