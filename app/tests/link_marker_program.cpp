// A tiny program for the shortcut tests: started (by the shell, through a
// shortcut), it writes "<its own path>\n<its working folder>" as UTF-16 to a
// file beside itself named like it with ".marker" for ".exe", then ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t self[MAX_PATH] = {}, folder[MAX_PATH] = {};
  DWORD self_length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  DWORD folder_length = GetCurrentDirectoryW(MAX_PATH, folder);
  if (!self_length || self_length >= MAX_PATH || !folder_length || folder_length >= MAX_PATH) return 1;
  std::wstring marker(self, self_length);
  marker.replace(marker.size() - 4, 4, L".marker");
  std::wstring text = std::wstring(self, self_length) + L"\n" + std::wstring(folder, folder_length);
  // Written under another name and renamed, so a reader never sees half of it.
  std::wstring partial = marker + L".part";
  HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  DWORD written = 0;
  DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  bool ok = WriteFile(file, text.data(), bytes, &written, nullptr) && written == bytes;
  CloseHandle(file);
  if (!ok || !MoveFileExW(partial.c_str(), marker.c_str(), MOVEFILE_REPLACE_EXISTING)) return 3;
  return 0;
}
