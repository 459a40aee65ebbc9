// A small window program for the driver's own tests: the same kinds of parts as the real program
// (caption, edit, check box, button, message box, registry on close), with known behaviour.
//
//   harness_sample.exe [--late-controls] [NAME...]
//
// The edit starts with the NAMEs joined by '|', so that a test sees where each argument ends; without
// any, with the "Name" value of the key below. "Greet" shows a message box
// "<greeting>, <name>!" where the greeting is %HARNESS_SAMPLE_GREETING% or "Hello". Closing the window
// stores "Name" and "Remember"; the exit code is the number of greetings shown.
// --late-controls creates the controls 150 ms after the window shows, as a slow program would.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

constexpr wchar_t kCaption[] = L"Harness Sample";
constexpr wchar_t kClass[] = L"BrisvaneHarnessSample";
constexpr wchar_t kKey[] = L"Software\\Kestrelwick\\HarnessSample";

enum : int { kIdLabel = 100, kIdName = 101, kIdRemember = 102, kIdGreet = 103, kIdStatus = 104 };
constexpr UINT_PTR kLateTimer = 1;

struct State {
  std::wstring name_argument;
  bool has_name_argument = false;
  bool late_controls = false;
  int greetings = 0;
  HWND name = nullptr;
  HWND remember = nullptr;
  HWND status = nullptr;
};
State g_state;

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring StoredName() {
  wchar_t buffer[1024];
  DWORD size = sizeof buffer;
  if (RegGetValueW(HKEY_CURRENT_USER, kKey, L"Name", RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) return {};
  return buffer;
}

bool StoredRemember() {
  DWORD value = 0;
  DWORD size = sizeof value;
  return RegGetValueW(HKEY_CURRENT_USER, kKey, L"Remember", RRF_RT_REG_DWORD, nullptr, &value, &size) ==
             ERROR_SUCCESS &&
         value != 0;
}

void Store() {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  if (g_state.name) {
    const std::wstring name = WindowText(g_state.name);
    RegSetValueExW(key, L"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                   static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
  }
  if (g_state.remember) {
    const DWORD remember = SendMessageW(g_state.remember, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    RegSetValueExW(key, L"Remember", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&remember), sizeof remember);
  }
  RegCloseKey(key);
}

HWND AddControl(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
                int id, DWORD ex_style = 0) {
  HWND control = CreateWindowExW(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return control;
}

void CreateControls(HWND hwnd) {
  AddControl(hwnd, L"Static", L"Name:", 0, 12, 16, 60, 20, kIdLabel);
  g_state.name = AddControl(hwnd, L"Edit", g_state.has_name_argument ? g_state.name_argument.c_str() : StoredName().c_str(),
                            WS_TABSTOP | ES_AUTOHSCROLL, 76, 12, 240, 22, kIdName, WS_EX_CLIENTEDGE);
  g_state.remember = AddControl(hwnd, L"Button", L"&Remember", WS_TABSTOP | BS_AUTOCHECKBOX, 76, 44, 120, 20,
                                kIdRemember);
  SendMessageW(g_state.remember, BM_SETCHECK, StoredRemember() ? BST_CHECKED : BST_UNCHECKED, 0);
  g_state.status = AddControl(hwnd, L"Static", L"Greetings: 0", 0, 12, 82, 180, 20, kIdStatus);
  // Last, so that a driver waiting for this button knows the others exist too.
  AddControl(hwnd, L"Button", L"&Greet", WS_TABSTOP | BS_DEFPUSHBUTTON, 236, 76, 80, 26, kIdGreet);
  SetFocus(g_state.name);
}

void Greet(HWND hwnd) {
  std::wstring greeting = L"Hello";
  wchar_t buffer[256];
  const DWORD n = GetEnvironmentVariableW(L"HARNESS_SAMPLE_GREETING", buffer, 256);
  if (n > 0 && n < 256) greeting.assign(buffer, n);
  const std::wstring text = greeting + L", " + WindowText(g_state.name) + L"!";
  MessageBoxW(hwnd, text.c_str(), kCaption, MB_OK);
  ++g_state.greetings;
  SetWindowTextW(g_state.status, (L"Greetings: " + std::to_wstring(g_state.greetings)).c_str());
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      if (g_state.late_controls) {
        SetTimer(hwnd, kLateTimer, 150, nullptr);
      } else {
        CreateControls(hwnd);
      }
      return 0;
    case WM_TIMER:
      if (wparam == kLateTimer) {
        KillTimer(hwnd, kLateTimer);
        CreateControls(hwnd);
      }
      return 0;
    case WM_COMMAND:
      if (LOWORD(wparam) == kIdGreet && HIWORD(wparam) == BN_CLICKED) Greet(hwnd);
      return 0;
    case WM_CLOSE:
      Store();
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(g_state.greetings);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  int argc = 0;
  if (wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
    for (int i = 1; i < argc; ++i) {
      if (std::wstring(argv[i]) == L"--late-controls") {
        g_state.late_controls = true;
      } else {
        if (g_state.has_name_argument) g_state.name_argument += L'|';
        g_state.name_argument += argv[i];
        g_state.has_name_argument = true;
      }
    }
    LocalFree(argv);
  }

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClass;
  if (!RegisterClassExW(&wc)) return 100;

  HWND hwnd = CreateWindowExW(WS_EX_DLGMODALFRAME, kClass, kCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 100, 100,
                              340, 150, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 101;
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(hwnd, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return static_cast<int>(msg.wParam);
}
