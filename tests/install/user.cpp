#include "tests/install/user.h"

#include <cstdio>
#include <fstream>

namespace install_test {
namespace {

DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return name;
}

// The caption a window keeps (no message to the window).
std::wstring CaptionOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

// A button caption as read aloud: "是(&Y)" -> "是", "&Yes" -> "Yes".
std::wstring PlainCaption(std::wstring caption) {
  std::wstring plain;
  for (wchar_t c : caption)
    if (c != L'&') plain += c;
  if (plain.size() >= 3 && plain.back() == L')' && plain[plain.size() - 3] == L'(') plain.resize(plain.size() - 3);
  return plain;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
  reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
  return TRUE;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

void SendInputs(std::vector<INPUT>& inputs) {
  UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  Require(sent == inputs.size(), "input events accepted by the system");
}

INPUT KeyInput(WORD virtual_key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtual_key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  return bytes;
}

void Expect(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  std::fflush(stdout);
  if (!ok) throw ScenarioFailure(what);
}

void Require(bool ok, const std::string& what) {
  if (!ok) Expect(false, what);
}

bool WaitFor(const std::function<bool()>& condition, int milliseconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(25);
  }
}

User::~User() {
  if (process_.hProcess) {
    if (Running()) {
      TerminateProcess(process_.hProcess, 99);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
}

void User::Start(const std::wstring& exe, const std::wstring& title) {
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  Expect(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process_) != 0,
         "start " + Utf8(exe));
  window_ = nullptr;
  bool up = WaitFor(
      [&] {
        window_ = FindTopLevel(title);
        return window_ != nullptr || !Running();
      },
      30000);
  if (!window_) {
    for (HWND w : TopLevelWindows()) {
      wchar_t text[512] = {};
      if (HWND label = GetDlgItem(w, 0xFFFF)) GetWindowTextW(label, text, 512);
      std::printf("     instead: window \"%s\" %s\n", Utf8(CaptionOf(w)).c_str(), Utf8(text).c_str());
    }
    if (!Running()) std::printf("     the program ended with code %d\n", WaitForExit(0));
  }
  Expect(up && window_, "the window \"" + Utf8(title) + "\" opens");
  Settle(300);
}

bool User::Running() const {
  return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

int User::WaitForExit(int milliseconds) {
  if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(milliseconds)) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return static_cast<int>(code);
}

std::vector<HWND> User::TopLevelWindows() const {
  std::vector<HWND> all, found;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
  for (HWND window : all)
    if (ProcessOf(window) == process_.dwProcessId && IsWindowVisible(window)) found.push_back(window);
  return found;
}

HWND User::FindTopLevel(const std::wstring& title) const {
  for (HWND window : TopLevelWindows())
    if (CaptionOf(window) == title && ClassOf(window) != L"#32770") return window;
  return nullptr;
}

std::vector<HWND> User::Controls() const { return Descendants(window_); }

HWND User::FindByText(const std::wstring& text) const {
  for (HWND child : Descendants(window_))
    if (IsWindowVisible(child) && CaptionOf(child) == text) return child;
  return nullptr;
}

HWND User::FindByClass(const std::wstring& class_name) const {
  for (HWND child : Descendants(window_))
    if (IsWindowVisible(child) && _wcsicmp(ClassOf(child).c_str(), class_name.c_str()) == 0) return child;
  return nullptr;
}

std::wstring User::ControlText(HWND control) const {
  // Reading what a field shows (the program's own copy of the text); this
  // changes nothing in the control.
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return L"";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(control, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                      &copied);
  text.resize(copied);
  return text;
}

bool User::Reachable(HWND control) const {
  if (!control || !IsWindowVisible(control) || !IsWindowEnabled(control)) return false;
  RECT r;
  GetWindowRect(control, &r);
  POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  HWND hit = WindowFromPoint(centre);
  return hit == control || IsChild(control, hit);
}

void User::Click(HWND control) {
  Require(control != nullptr, "the control to click is on screen");
  Require(IsWindowEnabled(control), "the control to click \"" + Utf8(CaptionOf(control)) + "\" is enabled");
  RECT r;
  GetWindowRect(control, &r);
  ClickAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, control);
}

void User::ClickAt(POINT p, HWND expected) {
  HWND hit = WindowFromPoint(p);
  Require(hit && (hit == expected || IsChild(expected, hit)),
         "nothing covers the place clicked (" + std::to_string(p.x) + "," + std::to_string(p.y) + ")");
  SetCursorPos(p.x, p.y);
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  std::vector<INPUT> inputs(3);
  for (INPUT& input : inputs) {
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((p.x * 65535LL + width / 2) / (width - 1));
    input.mi.dy = static_cast<LONG>((p.y * 65535LL + height / 2) / (height - 1));
  }
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  std::vector<INPUT> move(inputs.begin(), inputs.begin() + 1);
  SendInputs(move);
  Sleep(40);
  std::vector<INPUT> press(inputs.begin() + 1, inputs.end());
  SendInputs(press);
  Settle();
}

void User::Drag(POINT from, POINT to, HWND expected) {
  HWND hit = WindowFromPoint(from);
  Require(hit && (hit == expected || IsChild(expected, hit)), "nothing covers the place dragged from");
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  auto mouse = [&](POINT p, DWORD flags) {
    std::vector<INPUT> input(1);
    input[0].type = INPUT_MOUSE;
    input[0].mi.dx = static_cast<LONG>((p.x * 65535LL + width / 2) / (width - 1));
    input[0].mi.dy = static_cast<LONG>((p.y * 65535LL + height / 2) / (height - 1));
    input[0].mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    SendInputs(input);
    Sleep(40);
  };
  mouse(from, MOUSEEVENTF_MOVE);
  mouse(from, MOUSEEVENTF_LEFTDOWN);
  constexpr int kSteps = 8;
  for (int i = 1; i <= kSteps; ++i)
    mouse(POINT{from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps}, MOUSEEVENTF_MOVE);
  mouse(to, MOUSEEVENTF_LEFTUP);
  Settle(300);
}

void User::Key(WORD virtual_key, bool alt, bool shift, bool control) {
  std::vector<INPUT> inputs;
  if (control) inputs.push_back(KeyInput(VK_CONTROL, false));
  if (shift) inputs.push_back(KeyInput(VK_SHIFT, false));
  if (alt) inputs.push_back(KeyInput(VK_MENU, false));
  inputs.push_back(KeyInput(virtual_key, false));
  inputs.push_back(KeyInput(virtual_key, true));
  if (alt) inputs.push_back(KeyInput(VK_MENU, true));
  if (shift) inputs.push_back(KeyInput(VK_SHIFT, true));
  if (control) inputs.push_back(KeyInput(VK_CONTROL, true));
  SendInputs(inputs);
  Settle();
}

void User::QuickKeys(const std::vector<std::pair<WORD, bool>>& keys_with_alt) {
  std::vector<INPUT> inputs;
  for (auto [key, alt] : keys_with_alt) {
    if (alt) inputs.push_back(KeyInput(VK_MENU, false));
    inputs.push_back(KeyInput(key, false));
    inputs.push_back(KeyInput(key, true));
    if (alt) inputs.push_back(KeyInput(VK_MENU, true));
  }
  SendInputs(inputs);
}

void User::Type(const std::wstring& text) {
  for (wchar_t c : text) {
    std::vector<INPUT> inputs(2);
    for (INPUT& input : inputs) {
      input.type = INPUT_KEYBOARD;
      input.ki.wScan = c;
      input.ki.dwFlags = KEYEVENTF_UNICODE;
    }
    inputs[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    SendInputs(inputs);
    Sleep(5);
  }
  Settle();
}

void User::ClearField() {
  Key(VK_HOME);
  Key(VK_END, false, true);
  Key(VK_DELETE);
}

void User::ClickTitleBarClose() {
  // The close button is the 33 x 19 picture at the right end of the 25-pixel
  // title bar; its top 5 rows and right 5 columns do not count.
  RECT client;
  GetClientRect(window_, &client);
  POINT p{client.right - 33 + 14, 11};
  ClientToScreen(window_, &p);
  ClickAt(p, window_);
}

bool User::BoxOpen() const {
  for (HWND window : TopLevelWindows())
    if (ClassOf(window) == L"#32770") return true;
  return false;
}

Box User::WaitForBox(int milliseconds) {
  Box box;
  WaitFor(
      [&] {
        for (HWND window : TopLevelWindows())
          if (ClassOf(window) == L"#32770") box.window = window;
        return box.window != nullptr;
      },
      milliseconds);
  if (!box.window) return box;
  Settle(100);
  box.title = CaptionOf(box.window);
  if (HWND text = GetDlgItem(box.window, 0xFFFF)) box.text = CaptionOf(text);
  for (HWND child : Descendants(box.window)) {
    if (!IsWindowVisible(child)) continue;
    if (ClassOf(child) == L"Button") box.buttons.push_back(PlainCaption(CaptionOf(child)));
    if (ClassOf(child) == L"Static") box.labels.push_back(CaptionOf(child));
  }
  return box;
}

void User::Answer(const Box& box, const std::vector<std::wstring>& captions) {
  for (HWND child : Descendants(box.window)) {
    if (!IsWindowVisible(child) || ClassOf(child) != L"Button") continue;
    std::wstring caption = PlainCaption(CaptionOf(child));
    for (const auto& wanted : captions) {
      if (caption != wanted) continue;
      Click(child);
      Require(WaitFor([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }, 10000),
             "the box \"" + Utf8(box.title) + "\" closes on " + Utf8(caption));
      return;
    }
  }
  Expect(false, "the box \"" + Utf8(box.title) + "\" has a button " + Utf8(captions.front()));
}

void User::Screenshot(HWND window, const std::wstring& bmp_path) const {
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + stride * static_cast<DWORD>(height);
  std::ofstream out(bmp_path.c_str(), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride) * height);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

void User::Settle(int milliseconds) const { Sleep(static_cast<DWORD>(milliseconds)); }

}  // namespace install_test
