// Program entry of UnInstall.exe.
#include <windows.h>

#include "platform/windows/wide.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using platform::windows::Wide;
  MessageBoxW(nullptr, Wide("这是卸载程序。").c_str(), Wide("提示 ").c_str(), MB_OK | MB_ICONINFORMATION);
  return 0;
}
