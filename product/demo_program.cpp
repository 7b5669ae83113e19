// The demo product's program: one small Win32 program built once per system
// of the suite (DZ_SYSTEM picks which). It opens a window whose title and
// text name its system, so that a test which starts an installed shortcut can
// see that the right program came up (FindWindow on the title).
#include <windows.h>

namespace {

struct System {
  const wchar_t* title;  // the window's title: the system's name
  const wchar_t* text;   // what the window says
};

constexpr System kSystems[] = {
    {L"云后台管理系统", L"Orvane云专家 云后台管理系统 (OvErp.exe)"},
    {L"云前台收银系统", L"Orvane云专家 云前台收银系统 (LumoPos.exe)"},
    {L"云服务管理系统", L"Orvane云专家 云服务管理系统 (PWMSvr.exe)"},
    {L"云触屏划菜系统", L"Orvane云专家 云触屏划菜系统 (PSaasKds.exe)"},
    {L"云前台收银系统-商业版", L"Orvane云专家 云前台收银系统 商业版 (LumoPos_Sy.exe)"},
};
static_assert(DZ_SYSTEM >= 0 && DZ_SYSTEM < sizeof kSystems / sizeof kSystems[0]);
constexpr const System& kSystem = kSystems[DZ_SYSTEM];

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      DrawTextW(dc, kSystem.text, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = L"OrvaneDemoProgram";
  if (!RegisterClassW(&window_class)) return 1;
  HWND window = CreateWindowExW(0, window_class.lpszClassName, kSystem.title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 480, 200, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
