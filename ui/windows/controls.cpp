#include "ui/windows/controls.h"

#include <windowsx.h>

#include <algorithm>

#include "platform/windows/wide.h"
#include "platform/windows/window_thunk.h"
#include "skin/windows/button_window.h"
#include "ui/page_picture.h"

namespace ui {

using platform::windows::OwnedBitmap;
using platform::windows::OwnedBrush;
using platform::windows::OwnedFont;
using platform::windows::OwnedMemoryDc;
using platform::windows::Wide;
using platform::windows::WindowThunk;

OwnedFont MakeFont(int pixel_height) {
  std::wstring face = Wide("宋体");
  return OwnedFont(CreateFontW(-pixel_height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                               face.c_str()));
}

OwnedBitmap MakeBitmap(const platform::RgbaImage& picture) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  OwnedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return bitmap;
  auto* out = static_cast<uint8_t*>(bits);
  for (size_t i = 0; i + 3 < picture.pixels.size(); i += 4) {
    out[i + 0] = picture.pixels[i + 2];  // GDI keeps blue first
    out[i + 1] = picture.pixels[i + 1];
    out[i + 2] = picture.pixels[i + 0];
    out[i + 3] = 0;
  }
  GdiFlush();
  return bitmap;
}

void RegisterUiClass(const wchar_t* name, WNDPROC procedure, HBRUSH background, UINT style) {
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &info)) return;
  info.style = style;
  info.lpfnWndProc = procedure;
  info.hInstance = GetModuleHandleW(nullptr);
  info.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  info.hbrBackground = background;
  info.lpszClassName = name;
  RegisterClassExW(&info);
}

namespace {

// The three-dimensional frame of one bevel, one pixel wide, inside rect;
// rect shrinks by it.
void DrawBevel(HDC dc, RECT& rect, Bevel bevel) {
  if (bevel == Bevel::None) return;
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF top_left = bevel == Bevel::Raised ? light : dark;
  const COLORREF bottom_right = bevel == Bevel::Raised ? dark : light;
  auto fill = [dc](int left, int top, int right, int bottom, COLORREF colour) {
    RECT r{left, top, right, bottom};
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  };
  fill(rect.left, rect.top, rect.right - 1, rect.top + 1, top_left);
  fill(rect.left, rect.top, rect.left + 1, rect.bottom - 1, top_left);
  fill(rect.right - 1, rect.top, rect.right, rect.bottom, bottom_right);
  fill(rect.left, rect.bottom - 1, rect.right, rect.bottom, bottom_right);
  InflateRect(&rect, -1, -1);
}

std::wstring WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(size_t(length) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

}  // namespace

// ---------------------------------------------------------------------------
// Panel

bool Panel::Create(HWND parent, int x, int y, int width, int height, bool visible) {
  RegisterUiClass(kClassName, WindowThunk<Panel>, nullptr);
  window_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"",
                            WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0), x, y, width,
                            height, parent, nullptr, GetModuleHandleW(nullptr), this);
  return window_ != nullptr;
}

void Panel::SetColor(COLORREF color) {
  color_ = color;
  Render();
}

void Panel::SetBevels(Bevel outer, Bevel inner) {
  outer_ = outer;
  inner_ = inner;
  Render();
}

void Panel::SetPicture(const platform::RgbaImage& picture, const RECT& place) {
  picture_ = MakeBitmap(ScalePicture(picture, place.right - place.left, place.bottom - place.top));
  picture_place_ = place;
  Render();
}

void Panel::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (window_) SetWindowTextW(window_, Wide(caption).c_str());
  Render();
}

void Panel::SetFont(HFONT font) {
  font_ = font;
  Render();
}

void Panel::MakeTransparent(HWND child, COLORREF text_color) {
  transparent_[child] = Transparent{text_color, {}, {}};
  InvalidateRect(child, nullptr, TRUE);
}

// Draws the client area into the kept background bitmap, drops the
// children's brushes made from the old one and repaints.
void Panel::Render() {
  if (!window_) return;
  RECT client;
  GetClientRect(window_, &client);
  width_ = client.right;
  height_ = client.bottom;
  platform::windows::WindowDc screen(window_);
  background_.Reset(CreateCompatibleBitmap(screen.get(), std::max(width_, 1), std::max(height_, 1)));
  OwnedMemoryDc dc(screen.get());
  HGDIOBJ old_bitmap = SelectObject(dc.get(), background_.get());
  SetBkColor(dc.get(), color_);
  ExtTextOutW(dc.get(), 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
  if (picture_) {
    OwnedMemoryDc picture_dc(screen.get());
    HGDIOBJ old = SelectObject(picture_dc.get(), picture_.get());
    BitBlt(dc.get(), picture_place_.left, picture_place_.top, picture_place_.right - picture_place_.left,
           picture_place_.bottom - picture_place_.top, picture_dc.get(), 0, 0, SRCCOPY);
    SelectObject(picture_dc.get(), old);
  }
  RECT inside = client;
  DrawBevel(dc.get(), inside, outer_);
  DrawBevel(dc.get(), inside, inner_);
  if (!caption_.empty()) {
    HGDIOBJ old_font = SelectObject(dc.get(), font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), GetSysColor(COLOR_WINDOWTEXT));
    std::wstring text = Wide(caption_);
    DrawTextW(dc.get(), text.c_str(), int(text.size()), &inside, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc.get(), old_font);
  }
  SelectObject(dc.get(), old_bitmap);
  for (auto& [child, look] : transparent_) {
    look.brush.Reset();
    look.bitmap.Reset();
  }
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Panel::PaintClient(HDC dc) {
  if (!background_) Render();
  OwnedMemoryDc source(dc);
  HGDIOBJ old = SelectObject(source.get(), background_.get());
  BitBlt(dc, 0, 0, width_, height_, source.get(), 0, 0, SRCCOPY);
  SelectObject(source.get(), old);
}

// A brush holding the panel's background under the child, so that the
// child's fill reproduces the panel exactly (origin at the child's corner).
HBRUSH Panel::ChildBrush(HWND child) {
  Transparent& look = transparent_.at(child);
  if (look.brush) return look.brush.get();
  if (!background_) Render();
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, window_, reinterpret_cast<POINT*>(&r), 2);
  const int width = std::max<int>(r.right - r.left, 1), height = std::max<int>(r.bottom - r.top, 1);
  platform::windows::WindowDc screen(window_);
  look.bitmap.Reset(CreateCompatibleBitmap(screen.get(), width, height));
  OwnedMemoryDc to(screen.get()), from(screen.get());
  HGDIOBJ old_to = SelectObject(to.get(), look.bitmap.get());
  HGDIOBJ old_from = SelectObject(from.get(), background_.get());
  BitBlt(to.get(), 0, 0, width, height, from.get(), r.left, r.top, SRCCOPY);
  SelectObject(from.get(), old_from);
  SelectObject(to.get(), old_to);
  look.brush.Reset(CreatePatternBrush(look.bitmap.get()));
  return look.brush.get();
}

LRESULT Panel::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      window_ = window;
      break;
    case WM_SIZE:
      Render();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      platform::windows::PaintSession paint(window);
      PaintClient(paint.dc());
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintClient(reinterpret_cast<HDC>(wparam));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HWND child = reinterpret_cast<HWND>(lparam);
      auto found = transparent_.find(child);
      if (found == transparent_.end()) break;
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, found->second.text_color);
      return reinterpret_cast<LRESULT>(ChildBrush(child));
    }
    case WM_COMMAND:
      if (OnCommand) OnCommand(wparam, lparam);
      return 0;
    case WM_MEASUREITEM:
      if (!OnMeasureItem) break;
      OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_DRAWITEM:
      if (!OnDrawItem) break;
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (OnMouseDown) OnMouseDown();
      return 0;
    case WM_NCDESTROY:
      window_ = nullptr;
      transparent_.clear();
      break;
    case skin::win32::kGetColorMessage:  // a skinned button asks for its parent's colour
      return LRESULT(color_) + 1;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// ---------------------------------------------------------------------------
// Label

bool Label::Create(const Placement& place, const Look& look) {
  RegisterUiClass(kClassName, WindowThunk<Label>, nullptr);
  font_ = look.font;
  font_height_ = look.font_height;
  color_ = look.color;
  auto_size_ = look.auto_size;
  std::wstring wide = Wide(look.text);
  window_ = CreateWindowExW(0, kClassName, wide.c_str(), WS_CHILD | WS_VISIBLE, place.x, place.y, place.width,
                            place.height, place.parent, nullptr, GetModuleHandleW(nullptr), this);
  if (window_) FitText();
  return window_ != nullptr;
}

void Label::FitText() {
  if (!auto_size_ || !window_) return;
  std::wstring text = WindowText(window_);
  platform::windows::WindowDc dc(window_);
  HGDIOBJ old = SelectObject(dc.get(), font_);
  SIZE size{0, 0};
  if (!text.empty()) GetTextExtentPoint32W(dc.get(), text.c_str(), int(text.size()), &size);
  SelectObject(dc.get(), old);
  SetWindowPos(window_, nullptr, 0, 0, size.cx, font_height_, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The parent's picture beneath, then the text, through an off-screen bitmap
// so that the label never flickers through grey.
void Label::Paint(HDC dc) {
  RECT client;
  GetClientRect(window_, &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  OwnedMemoryDc memory(dc);
  OwnedBitmap bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
  HGDIOBJ old_bitmap = SelectObject(memory.get(), bitmap.get());
  HWND parent = GetParent(window_);
  POINT origin{0, 0};
  MapWindowPoints(window_, parent, &origin, 1);
  {
    platform::windows::SavedDcState saved(memory.get());
    SetViewportOrgEx(memory.get(), -origin.x, -origin.y, nullptr);
    SendMessageW(parent, WM_PRINTCLIENT, WPARAM(memory.get()), PRF_CLIENT);
  }
  std::wstring text = WindowText(window_);
  HGDIOBJ old_font = SelectObject(memory.get(), font_);
  SetBkMode(memory.get(), TRANSPARENT);
  SetTextColor(memory.get(), color_);
  DrawTextW(memory.get(), text.c_str(), int(text.size()), &client, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(memory.get(), old_font);
  BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
  SelectObject(memory.get(), old_bitmap);
}

LRESULT Label::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      window_ = window;
      break;
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcW(window, message, wparam, lparam);
      FitText();
      InvalidateRect(window, nullptr, FALSE);
      return result;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      platform::windows::PaintSession paint(window);
      Paint(paint.dc());
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wparam));
      return 0;
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // presses belong to the panel beneath
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_NCDESTROY:
      window_ = nullptr;
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// ---------------------------------------------------------------------------
// ButtonEdit

bool ButtonEdit::Create(const Placement& place, HFONT font) {
  RegisterUiClass(kClassName, WindowThunk<ButtonEdit>, GetSysColorBrush(COLOR_WINDOW));
  window_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, place.x,
                            place.y, place.width, place.height, place.parent, nullptr, GetModuleHandleW(nullptr), this);
  if (!window_) return false;
  // Inside a one-pixel frame: the edit, then the button flush right.
  const int inner_height = place.height - 2, edit_width = place.width - 2 - kButtonWidth;
  edit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, 1, 1,
                          edit_width, inner_height, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
  button_ = CreateWindowExW(0, L"BUTTON", L"...", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 1 + edit_width, 1,
                            kButtonWidth, inner_height, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!edit_ || !button_) return false;
  SendMessageW(edit_, WM_SETFONT, WPARAM(font), FALSE);
  SendMessageW(button_, WM_SETFONT, WPARAM(font), FALSE);
  return true;
}

LRESULT ButtonEdit::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      window_ = window;
      break;
    case WM_PAINT: {
      // The flat frame, always drawn.
      platform::windows::PaintSession paint(window);
      RECT client;
      GetClientRect(window, &client);
      OwnedBrush frame(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
      FrameRect(paint.dc(), &client, frame.get());
      return 0;
    }
    // The edit's text is the control's text.
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      if (edit_) return SendMessageW(edit_, message, wparam, lparam);
      break;
    case WM_GETFONT:
      if (edit_) return SendMessageW(edit_, message, wparam, lparam);
      break;
    case WM_SETFOCUS:
      if (edit_) SetFocus(edit_);
      return 0;
    case WM_ENABLE:
      if (edit_) EnableWindow(edit_, BOOL(wparam));
      if (button_) EnableWindow(button_, BOOL(wparam));
      return 0;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lparam) == button_ && HIWORD(wparam) == BN_CLICKED && OnButtonClick) OnButtonClick();
      return 0;
    case WM_NCDESTROY:
      window_ = edit_ = button_ = nullptr;
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// ---------------------------------------------------------------------------
// Container

bool Container::Create(HWND parent, const wchar_t* class_name, const std::string& text, int x, int y, int width,
                       int height, bool visible) {
  RegisterUiClass(class_name, WindowThunk<Container>, GetSysColorBrush(COLOR_BTNFACE));
  window_ = CreateWindowExW(WS_EX_CONTROLPARENT, class_name, Wide(text).c_str(),
                            WS_CHILD | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0), x, y, width, height, parent,
                            nullptr, GetModuleHandleW(nullptr), this);
  return window_ != nullptr;
}

LRESULT Container::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) window_ = window;
  if (message == WM_NCDESTROY) window_ = nullptr;
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace ui
