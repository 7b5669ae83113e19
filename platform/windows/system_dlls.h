// The few functions the programs use from system DLLs that are not on the
// system's list of known DLLs: comctl32 (common controls, window subclassing),
// msimg32 (AlphaBlend) and uxtheme (SetWindowTheme). Windows looks for a DLL
// named in an import table in the program's own folder first unless it is a
// known DLL, and people start the installer from their Downloads folder, where
// any program of theirs can put a DLL of such a name; since the installer and
// the uninstaller run as administrator, that DLL would run as administrator.
// So those DLLs are not imported: each is loaded here by name from the system
// folder only, and its functions are reached through this module.
//
// UseSystemFolderForDlls() is the first thing each program's entry does, so
// that every later load (the system DLLs' own included) searches the system
// folder only.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace platform::windows {

// Makes the system folder the only place DLLs are searched in, for the whole
// process: SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32), found at
// run time (Windows 7 has it only with update KB2533623). Without it, the
// current folder is at least taken out of the search (SetDllDirectoryW("")).
// True when the system-folder-only search is in force.
bool UseSystemFolderForDlls();

// A system DLL loaded from the system folder only
// (LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)), freed with its
// owner. A DLL loaded under the program's activation context gets the version
// the application manifest names (comctl32 version 6).
class SystemDll {
 public:
  explicit SystemDll(const wchar_t* name);
  ~SystemDll();
  SystemDll(const SystemDll&) = delete;
  SystemDll& operator=(const SystemDll&) = delete;

  bool loaded() const { return module_ != nullptr; }
  // The exported function, or null when the DLL or the function is missing.
  template <typename Function>
  Function* Find(const char* name) const {
    return module_ ? reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
  }

 private:
  HMODULE module_;
};

// The functions used. Each loads its DLL on first use (kept for the life of
// the process: the common controls' window classes live in comctl32) and
// behaves like the system's function; when the DLL or the function cannot be
// had, it does nothing and returns the function's failure value (FALSE, 0,
// E_NOTIMPL).
BOOL InitCommonControlsOf(DWORD control_classes);
BOOL SetWindowSubclassOf(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data);
BOOL RemoveWindowSubclassOf(HWND window, SUBCLASSPROC procedure, UINT_PTR id);
LRESULT DefSubclassProcOf(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL AlphaBlendOf(HDC target, int x, int y, int width, int height, HDC source, int source_x, int source_y,
                  int source_width, int source_height, BLENDFUNCTION blend);
HRESULT SetWindowThemeOf(HWND window, const wchar_t* application_name, const wchar_t* id_list);

}  // namespace platform::windows
