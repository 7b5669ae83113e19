#include "tests/install/user.h"

#include <tlhelp32.h>

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
    Sleep(10);
  }
}

void ExpectSoon(const std::function<bool()>& condition, const std::string& what, int milliseconds) {
  Expect(WaitFor(condition, milliseconds), what);
}

User::~User() {
  // An installer left running would hold its files and its single-instance
  // lock while the next step starts another.
  if (program_ && program_->Started() && !program_->Ended()) program_->Wait(0);
  if (program_ && program_->Started()) WaitForSingleObject(program_->Handle(), 5000);
}

void User::Start(const std::wstring& exe, const std::wstring& title) {
  Launch(exe);
  WaitForWindow(title);
}

void User::Launch(const std::wstring& exe) {
  program_ = std::make_unique<dz::testing::StartedProgram>(exe, L"");
  Expect(program_->Started(), "start " + Utf8(exe));
  window_ = nullptr;
}

void User::WaitForWindow(const std::wstring& title) {
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
  // Ready for the user once the window has given the keyboard focus to one
  // of its controls.
  ExpectSoon([&] { return Focus() && IsChild(window_, Focus()); }, "the window takes the keyboard focus");
}

bool User::Running() const { return program_ && program_->Started() && !program_->Ended(); }

int User::WaitForExit(int milliseconds) {
  if (!program_ || WaitForSingleObject(program_->Handle(), static_cast<DWORD>(milliseconds)) != WAIT_OBJECT_0)
    return -1;
  DWORD code = 0;
  GetExitCodeProcess(program_->Handle(), &code);
  return static_cast<int>(code);
}

HWND User::Focus() const {
  if (!window_) return nullptr;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

std::vector<HWND> User::TopLevelWindows() const {
  std::vector<HWND> all, found;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
  for (HWND window : all)
    if (ProcessOf(window) == ProcessId() && IsWindowVisible(window)) found.push_back(window);
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

bool User::IsTicked(HWND check_box) const {
  // Reading the check mark the box shows; this changes nothing in it.
  DWORD_PTR state = 0;
  SendMessageTimeoutW(check_box, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
  return state == BST_CHECKED;
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

namespace {

// A mouse event at p. Every event, presses and releases too, carries its
// place: a press or release without MOUSEEVENTF_MOVE happens wherever the
// pointer is when the system takes it, and Wine moves the pointer when it
// reads a late X event from an earlier move. (A release moved off the button
// that way was the lost click on the finish button.)
INPUT MouseInput(POINT p, DWORD flags) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = static_cast<LONG>((p.x * 65535LL + width / 2) / (width - 1));
  input.mi.dy = static_cast<LONG>((p.y * 65535LL + height / 2) / (height - 1));
  input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  return input;
}

// The window of thread that has the mouse captured, and whether the thread
// is moving or sizing a window.
struct MouseHold {
  HWND capture = nullptr;
  bool moving = false;
};
MouseHold MouseHoldOf(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(thread, &info)) return {};
  return {info.hwndCapture, (info.flags & GUI_INMOVESIZE) != 0};
}

// How far window has moved since it was at start.
POINT MovedSince(HWND window, const RECT& start) {
  RECT now;
  GetWindowRect(window, &now);
  return POINT{now.left - start.left, now.top - start.top};
}

std::string Described(HWND window) {
  return window ? "\"" + Utf8(CaptionOf(window)) + "\" of class " + Utf8(ClassOf(window)) : "no window";
}

}  // namespace

void User::ClickAt(POINT p, HWND expected) { ClickAt(p, expected, false); }

void User::ClickAt(POINT p, HWND expected, bool program_held) {
  // What lies over the place may still be on its way out (a box that has
  // just been answered): wait until the place shows the control.
  HWND hit = nullptr;
  const auto shows_control = [&] {
    hit = WindowFromPoint(p);
    return hit && (hit == expected || IsChild(expected, hit));
  };
  const auto state = [&] {
    return "(" + std::to_string(p.x) + "," + std::to_string(p.y) + "): " + Described(hit) + " is there, not " +
           Described(expected) + " (the program " + (Running() ? "runs" : "has ended") + "; " + DescribeState() + ")";
  };
  // Under load Wine has shown no window at all at a control's place for
  // more than 10 s, right after the control became reachable, while the
  // program had not yet gone on (its focus still where it was). A person
  // waits for the window to answer; the state is logged after 5 s.
  if (!WaitFor(shows_control, 5000)) {
    std::printf("     note: after 5 s nothing covers the place to click %s; waiting\n", state().c_str());
    Require(WaitFor(shows_control, 55000), "nothing covers the place clicked " + state());
  }
  // The press, then the release once the program has taken the press (the
  // pressed control holds the mouse), as a hand does it.
  const DWORD thread = GetWindowThreadProcessId(expected, nullptr);
  std::vector<INPUT> press = {MouseInput(p, MOUSEEVENTF_MOVE), MouseInput(p, MOUSEEVENTF_LEFTDOWN)};
  if (program_held) {
    // The program takes the click from its queue when it goes on.
    press.push_back(MouseInput(p, MOUSEEVENTF_LEFTUP));
    SendInputs(press);
    return;
  }
  // A press that a window drag took instead of the control clicks nothing
  // (seen about once in a few hundred presses under load, on the finish
  // button: the window was moving, not the button pressed): a person then
  // presses again. Once; a control that never takes a press still fails.
  for (int attempt = 1;; ++attempt) {
    const MouseHold before = MouseHoldOf(thread);
    SendInputs(press);
    MouseHold hold;
    Require(WaitFor(
                [&] {
                  hold = MouseHoldOf(thread);
                  return hold.capture != nullptr || hold.moving;
                },
                10000),
            "the press on " + Described(expected) + " is taken (the mouse is held by " + Described(hold.capture) + ")");
    last_press_ = "the last press (on " + Described(expected) + ") went to " + Described(hold.capture) +
                  (hold.moving ? " (moving the window)" : "") + "; before it the mouse was held by " +
                  Described(before.capture) + (before.moving ? " (moving the window)" : "");
    std::vector<INPUT> release = {MouseInput(p, MOUSEEVENTF_LEFTUP)};
    SendInputs(release);
    if (!hold.moving || attempt == 2) return;
    Require(WaitFor(
                [&] {
                  const MouseHold after = MouseHoldOf(thread);
                  return after.capture == nullptr && !after.moving;
                },
                10000),
            "the window drag that took the press on " + Described(expected) + " ends with the release");
    std::printf("     note: %s; pressed again\n", last_press_.c_str());
  }
}

std::string User::DescribeState() const {
  std::string state = "main window: ";
  state += !window_ || !IsWindow(window_) ? "gone" : IsWindowVisible(window_) ? "shown" : "hidden";
  if (RECT place; window_ && GetWindowRect(window_, &place))
    state += " at (" + std::to_string(place.left) + ", " + std::to_string(place.top) + ")";
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = window_ ? GetWindowThreadProcessId(window_, nullptr) : 0;
  if (thread && GetGUIThreadInfo(thread, &info)) {
    state += ", mouse held by " + Described(info.hwndCapture) + ", active " + Described(info.hwndActive) +
             ", focus " + Described(info.hwndFocus);
  }
  int threads = 0;
  if (HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0); snapshot != INVALID_HANDLE_VALUE) {
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
      if (entry.th32OwnerProcessID == ProcessId()) ++threads;
    CloseHandle(snapshot);
  }
  return state + ", " + std::to_string(threads) + " threads; " + last_press_;
}

void User::Drag(POINT from, POINT to, HWND expected, HWND window) {
  RECT start;
  GetWindowRect(window, &start);
  // Under load Wine may move the pointer back to where it was a step
  // earlier (it reads its own late X event from that step), and the window
  // then ends a step short of the release. A person who sees the window
  // fall short drags it on from where it is; so does this, three drags at
  // most, each with a note in the log.
  for (int drag = 1;; ++drag) {
    const POINT offset = MovedSince(window, start);
    const POINT grip{from.x + offset.x, from.y + offset.y};  // the same place of the window
    if (DragOnce(grip, to, expected, window)) return;
    const POINT ended = MovedSince(window, start);
    POINT cursor{};
    GetCursorPos(&cursor);
    const std::string state = "the drag ended with the window moved by (" + std::to_string(ended.x) + ", " +
                              std::to_string(ended.y) + ") of (" + std::to_string(to.x - from.x) + ", " +
                              std::to_string(to.y - from.y) + "), the pointer at (" +
                              std::to_string(cursor.x - from.x) + ", " + std::to_string(cursor.y - from.y) +
                              ") from the first press";
    Require(drag < 3, "the release ends the drag with the window where the pointer took it (" + state + ")");
    std::printf("     note: %s; dragged again\n", state.c_str());
  }
}

bool User::DragOnce(POINT from, POINT to, HWND expected, HWND window) {
  HWND hit = nullptr;
  Require(WaitFor(
              [&] {
                hit = WindowFromPoint(from);
                return hit && (hit == expected || IsChild(expected, hit));
              },
              10000),
          "nothing covers the place dragged from: " + Described(hit) + " is there");
  RECT start;
  GetWindowRect(window, &start);
  const auto followed = [&](POINT pointer) {
    const POINT moved = MovedSince(window, start);
    return moved.x == pointer.x - from.x && moved.y == pointer.y - from.y;
  };
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  std::vector<INPUT> press = {MouseInput(from, MOUSEEVENTF_MOVE), MouseInput(from, MOUSEEVENTF_LEFTDOWN)};
  SendInputs(press);
  // The drag has begun once the system's move loop runs; only then does the
  // window follow the pointer.
  Require(WaitFor([&] { return MouseHoldOf(thread).moving; }, 10000),
          "the press on the window starts a drag (under the pointer: " + Described(WindowFromPoint(from)) +
              ", active: " + Described(GetForegroundWindow()) + ", left button " +
              ((GetAsyncKeyState(VK_LBUTTON) & 0x8000) ? "down" : "up") + ")");
  // The pointer goes to the end in steps, as a hand moves it, each step once
  // the window has followed the one before; the button is released once the
  // window is at the end.
  constexpr int kSteps = 8;
  for (int i = 1; i <= kSteps; ++i) {
    const POINT step{from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps};
    std::vector<INPUT> move = {MouseInput(step, MOUSEEVENTF_MOVE)};
    SendInputs(move);
    WaitFor([&] { return followed(step); }, 3000);
  }
  std::vector<INPUT> release = {MouseInput(to, MOUSEEVENTF_LEFTUP)};
  SendInputs(release);
  Require(WaitFor(
              [&] {
                const MouseHold hold = MouseHoldOf(thread);
                return hold.capture == nullptr && !hold.moving;
              },
              10000),
          "the release ends the drag");
  return followed(to);
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
  std::vector<INPUT> inputs;
  for (wchar_t c : text) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = c;
    input.ki.dwFlags = KEYEVENTF_UNICODE;
    inputs.push_back(input);
    input.ki.dwFlags |= KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  if (!inputs.empty()) SendInputs(inputs);
}

void User::ClearField() {
  Key(VK_HOME);
  Key(VK_END, false, true);
  Key(VK_DELETE);
}

void User::ClickTitleBarClose(bool program_held) {
  // The close button is the 33 x 19 picture at the right end of the 25-pixel
  // title bar; its top 5 rows and right 5 columns do not count.
  RECT client;
  GetClientRect(window_, &client);
  POINT p{client.right - 33 + 14, 11};
  ClientToScreen(window_, &p);
  ClickAt(p, window_, program_held);
}

bool User::BoxOpen() const {
  for (HWND window : TopLevelWindows())
    if (ClassOf(window) == L"#32770") return true;
  return false;
}

Box User::WaitForBox(int milliseconds) {
  Box box;
  // A box is ready for the user once it has the keyboard focus (its default
  // button, or its first control).
  WaitFor(
      [&] {
        box.window = nullptr;
        for (HWND window : TopLevelWindows())
          if (ClassOf(window) == L"#32770") box.window = window;
        if (!box.window) return false;
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(box.window, nullptr), &info) &&
               (info.hwndFocus == box.window || IsChild(box.window, info.hwndFocus));
      },
      milliseconds);
  if (!box.window) return box;
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
      // Gone, not only hidden: while a hidden box still exists it keeps the
      // activation, and a press on the program meanwhile is not taken. A
      // click that Wine loses under load (seen on its own message box: the
      // box stayed open) is made again, as a person would; three at most.
      for (int click = 1;; ++click) {
        Click(child);
        if (WaitFor([&] { return !IsWindow(box.window); }, 5000)) return;
        const bool still_shown = IsWindow(box.window) && IsWindowVisible(box.window) && IsWindowVisible(child);
        if (click == 3 || !still_shown) break;
        std::printf("     note: the box \"%s\" stayed open after a click on %s; clicked again\n",
                    Utf8(box.title).c_str(), Utf8(caption).c_str());
      }
      Require(WaitFor([&] { return !IsWindow(box.window); }, 10000),
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


}  // namespace install_test
