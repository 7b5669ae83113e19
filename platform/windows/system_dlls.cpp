#include "platform/windows/system_dlls.h"

namespace platform::windows {
namespace {

// Flags of LoadLibraryExW and SetDefaultDllDirectories (Windows 8 headers;
// the loader of Windows 7 with KB2533623 knows them too).
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

const SystemDll& CommonControls() {
  static const SystemDll dll(L"comctl32.dll");
  return dll;
}
const SystemDll& ImageLibrary() {
  static const SystemDll dll(L"msimg32.dll");
  return dll;
}
const SystemDll& Themes() {
  static const SystemDll dll(L"uxtheme.dll");
  return dll;
}

}  // namespace

bool UseSystemFolderForDlls() {
  // kernel32 is a known DLL, always loaded from the system folder.
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  using SetDefaultDllDirectoriesFunction = BOOL WINAPI(DWORD);
  auto* set_default = kernel32 ? reinterpret_cast<SetDefaultDllDirectoriesFunction*>(reinterpret_cast<void*>(
                                     GetProcAddress(kernel32, "SetDefaultDllDirectories")))
                               : nullptr;
  if (set_default && set_default(kSearchSystem32)) return true;
  SetDllDirectoryW(L"");
  return false;
}

SystemDll::SystemDll(const wchar_t* name) : module_(LoadLibraryExW(name, nullptr, kSearchSystem32)) {}

SystemDll::~SystemDll() {
  if (module_) FreeLibrary(module_);
}

BOOL InitCommonControlsOf(DWORD control_classes) {
  static auto* function = CommonControls().Find<BOOL WINAPI(const INITCOMMONCONTROLSEX*)>("InitCommonControlsEx");
  if (!function) return FALSE;
  INITCOMMONCONTROLSEX controls{sizeof controls, control_classes};
  return function(&controls);
}

BOOL SetWindowSubclassOf(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
  static auto* function = CommonControls().Find<BOOL WINAPI(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR)>("SetWindowSubclass");
  return function ? function(window, procedure, id, data) : FALSE;
}

BOOL RemoveWindowSubclassOf(HWND window, SUBCLASSPROC procedure, UINT_PTR id) {
  static auto* function = CommonControls().Find<BOOL WINAPI(HWND, SUBCLASSPROC, UINT_PTR)>("RemoveWindowSubclass");
  return function ? function(window, procedure, id) : FALSE;
}

LRESULT DefSubclassProcOf(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  static auto* function = CommonControls().Find<LRESULT WINAPI(HWND, UINT, WPARAM, LPARAM)>("DefSubclassProc");
  // Without comctl32 no subclass was ever installed; the window's own
  // procedure is the default.
  return function ? function(window, message, wparam, lparam) : DefWindowProcW(window, message, wparam, lparam);
}

BOOL AlphaBlendOf(HDC target, int x, int y, int width, int height, HDC source, int source_x, int source_y,
                  int source_width, int source_height, BLENDFUNCTION blend) {
  static auto* function =
      ImageLibrary().Find<BOOL WINAPI(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION)>("AlphaBlend");
  return function ? function(target, x, y, width, height, source, source_x, source_y, source_width, source_height, blend)
                  : FALSE;
}

HRESULT SetWindowThemeOf(HWND window, const wchar_t* application_name, const wchar_t* id_list) {
  static auto* function = Themes().Find<HRESULT WINAPI(HWND, LPCWSTR, LPCWSTR)>("SetWindowTheme");
  return function ? function(window, application_name, id_list) : E_NOTIMPL;
}

}  // namespace platform::windows
