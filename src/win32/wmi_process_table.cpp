#include "win32/wmi_process_table.h"

#include <windows.h>
#include <wbemidl.h>

#include "win32/text.h"

namespace brisvane::win32 {
namespace {

// Releases a COM interface when it goes.
template <typename T>
class Com {
 public:
  Com() = default;
  ~Com() { Reset(); }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  T** put() {
    Reset();
    return &p_;
  }
  void Reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

class Variant {
 public:
  Variant() { VariantInit(&v_); }
  ~Variant() { VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() { return &v_; }
  const VARIANT& operator*() const { return v_; }

 private:
  VARIANT v_;
};

class Bstr {
 public:
  explicit Bstr(const wchar_t* text) : s_(SysAllocString(text)) {}
  ~Bstr() { SysFreeString(s_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  operator BSTR() const { return s_; }

 private:
  BSTR s_;
};

class WmiProcessTable final : public IProcessTable {
 public:
  WmiProcessTable() {
    // Joins the thread's single-threaded apartment, or makes one for the table's life.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    uninitialize_ = SUCCEEDED(hr);
  }
  ~WmiProcessTable() override {
    records_.Reset();
    services_.Reset();
    if (uninitialize_) CoUninitialize();
  }

  bool Connect() override {
    Com<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(locator.put())))) {
      return false;
    }
    const Bstr path(L"\\\\.\\root\\cimv2");
    if (FAILED(locator->ConnectServer(path, nullptr, nullptr, nullptr, 0, nullptr, nullptr, services_.put()))) {
      return false;
    }
    // What "{impersonationLevel=impersonate}" in a moniker asks for. A proxy that refuses it keeps its
    // default, which still lists processes, so the result does not decide the connection.
    CoSetProxyBlanket(services_.get(), RPC_C_AUTHN_DEFAULT, RPC_C_AUTHZ_DEFAULT, COLE_DEFAULT_PRINCIPAL,
                      RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    return true;
  }

  bool Query() override {
    if (!services_) return false;
    const Bstr language(L"WQL");
    const Bstr query(L"select * from win32_process");
    return SUCCEEDED(services_->ExecQuery(language, query, WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                          nullptr, records_.put()));
  }

  std::optional<ProcessRecord> Next() override {
    if (!records_) return std::nullopt;
    Com<IWbemClassObject> object;
    ULONG returned = 0;
    const HRESULT hr = records_->Next(static_cast<LONG>(WBEM_INFINITE), 1, object.put(), &returned);
    if (FAILED(hr) || returned == 0) {
      records_.Reset();
      return std::nullopt;
    }
    ProcessRecord record;
    Variant pid;
    if (SUCCEEDED(object->Get(L"ProcessId", 0, pid.get(), nullptr, nullptr)) &&
        SUCCEEDED(VariantChangeType(pid.get(), pid.get(), 0, VT_UI4))) {
      record.pid = (*pid).ulVal;
    } else {
      return record;  // unreadable: no path, so it never matches
    }
    Variant path;
    if (SUCCEEDED(object->Get(L"ExecutablePath", 0, path.get(), nullptr, nullptr)) && (*path).vt == VT_BSTR) {
      record.executable_path = Narrow((*path).bstrVal ? (*path).bstrVal : L"");
    }
    return record;
  }

 private:
  bool uninitialize_ = false;
  Com<IWbemServices> services_;
  Com<IEnumWbemClassObject> records_;
};

}  // namespace

std::unique_ptr<IProcessTable> WmiProcessTables::Open() { return std::make_unique<WmiProcessTable>(); }

}  // namespace brisvane::win32
