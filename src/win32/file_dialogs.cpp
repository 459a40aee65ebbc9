#include "win32/file_dialogs.h"

#include <windows.h>
#include <commdlg.h>
#include <oleauto.h>

#include <vector>

#include "win32/ole.h"
#include "win32/text.h"

namespace brisvane::win32 {
namespace {

// Late-bound calls on the automation object, as a script would make them.
class SafrcFileOpen final : public ISystemFileOpen {
 public:
  explicit SafrcFileOpen(IDispatch* object) : object_(object) {}
  ~SafrcFileOpen() override { object_->Release(); }
  SafrcFileOpen(const SafrcFileOpen&) = delete;
  SafrcFileOpen& operator=(const SafrcFileOpen&) = delete;

  void OpenFileOpenDlg() override {
    VARIANT result;
    VariantInit(&result);
    Invoke(L"OpenFileOpenDlg", DISPATCH_METHOD, &result);
    VariantClear(&result);
  }

  std::string Filename() override {
    VARIANT result;
    VariantInit(&result);
    std::string name;
    if (Invoke(L"Filename", DISPATCH_PROPERTYGET, &result) &&
        SUCCEEDED(VariantChangeType(&result, &result, 0, VT_BSTR)) && result.bstrVal) {
      name = Narrow(std::wstring_view(result.bstrVal, SysStringLen(result.bstrVal)));
    }
    VariantClear(&result);
    return name;
  }

 private:
  bool Invoke(const wchar_t* member, WORD flags, VARIANT* result) {
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    if (FAILED(object_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return false;
    DISPPARAMS none{};
    return SUCCEEDED(object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &none, result, nullptr, nullptr));
  }

  IDispatch* object_;
};

}  // namespace

std::unique_ptr<ISystemFileOpen> FileDialogs::CreateSystemFileOpen() {
  UseOle();
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"SAFRCFileDlg.FileOpen", &clsid))) return nullptr;
  IDispatch* object = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&object))) ||
      !object) {
    return nullptr;
  }
  return std::make_unique<SafrcFileOpen>(object);
}

std::string FileDialogs::ShowStandardOpen() {
  UseOle();
  // Room for any path the shell allows.
  std::vector<wchar_t> buffer(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = GetActiveWindow();
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&dialog)) return {};
  return Narrow(buffer.data());
}

}  // namespace brisvane::win32
