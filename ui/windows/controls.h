// The plain controls of the wizard's layouts that the window system does not
// offer as such: the panel (colour or picture, bevels, centred caption), the
// transparent label and the one-line edit with an ellipsis button. Each is a
// thin window class; the window layouts in ui/ create them and own the
// objects, which outlive their windows.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "platform/canvas.h"
#include "platform/windows/gdi_handles.h"

namespace ui {

// 宋体 in the GB2312 character set, regular, of the given character height
// in pixels.
platform::windows::OwnedFont MakeFont(int pixel_height);

// A 32-bit device-independent bitmap holding the picture.
platform::windows::OwnedBitmap MakeBitmap(const platform::RgbaImage& picture);

enum class Bevel { None, Lowered, Raised };

// Where a control goes: its parent, and its place and size in the parent's
// client area.
struct Placement {
  HWND parent = nullptr;
  int x = 0, y = 0, width = 0, height = 0;
};

class Panel {
 public:
  static constexpr wchar_t kClassName[] = L"DzPanel";

  Panel() = default;
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  // A child of parent; hidden until shown. False when the window system
  // refuses.
  bool Create(HWND parent, int x, int y, int width, int height, bool visible);
  HWND hwnd() const { return window_; }

  // Look; each change repaints.
  void SetColor(COLORREF color);
  COLORREF color() const { return color_; }
  void SetBevels(Bevel outer, Bevel inner);
  // The picture is scaled once to place (in client coordinates) and drawn
  // over the colour.
  void SetPicture(const platform::RgbaImage& picture, const RECT& place);
  void SetCaption(const std::string& caption);  // GBK
  void SetFont(HFONT font);

  // A check box (or other button) on the panel drawn without a background of
  // its own: the panel's own picture shows around its caption, which takes
  // text_color.
  void MakeTransparent(HWND child, COLORREF text_color);

  // A mouse button pressed on the panel itself or on a label on it.
  std::function<void()> OnMouseDown;
  // WM_COMMAND of a child control (wparam, lparam as sent).
  std::function<void(WPARAM, LPARAM)> OnCommand;
  // Owner-drawn children: their item height, and drawing an item.
  std::function<void(MEASUREITEMSTRUCT&)> OnMeasureItem;
  std::function<void(const DRAWITEMSTRUCT&)> OnDrawItem;

  // Paints the panel's client area (no children) into dc.
  void PaintClient(HDC dc);

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  void Render();
  HBRUSH ChildBrush(HWND child);

  HWND window_ = nullptr;
  COLORREF color_ = GetSysColor(COLOR_BTNFACE);
  Bevel outer_ = Bevel::None, inner_ = Bevel::None;
  platform::windows::OwnedBitmap picture_;
  RECT picture_place_{};
  std::string caption_;
  HFONT font_ = nullptr;
  // The whole client area as painted, kept so that transparent children can
  // take their background from it.
  platform::windows::OwnedBitmap background_;
  int width_ = 0, height_ = 0;
  struct Transparent {
    COLORREF text_color;
    platform::windows::OwnedBitmap bitmap;
    platform::windows::OwnedBrush brush;
  };
  std::map<HWND, Transparent> transparent_;
};

// A label: text in its font and colour over whatever its parent paints
// beneath it. Mouse presses pass through to the parent. With auto_size the
// label takes the width of its text and the height of its font.
class Label {
 public:
  static constexpr wchar_t kClassName[] = L"DzLabel";

  Label() = default;
  Label(const Label&) = delete;
  Label& operator=(const Label&) = delete;

  // How a label writes: its text (GBK) in the font of the given pixel
  // height and colour; auto_size makes it as wide as its text and as high
  // as the font.
  struct Look {
    std::string text;
    HFONT font = nullptr;
    int font_height = 12;
    COLORREF color = 0;
    bool auto_size = false;
  };
  bool Create(const Placement& place, const Look& look);
  HWND hwnd() const { return window_; }

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  void Paint(HDC dc);
  void FitText();

  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  int font_height_ = 12;
  COLORREF color_ = 0;
  bool auto_size_ = false;
};

// A one-line edit with one ellipsis button at its right end, in a thin flat
// border. The window's text is the edit's text; it gives the focus to the
// edit; enabling it enables both parts.
class ButtonEdit {
 public:
  static constexpr wchar_t kClassName[] = L"DzButtonEdit";
  static constexpr int kButtonWidth = 25;

  ButtonEdit() = default;
  ButtonEdit(const ButtonEdit&) = delete;
  ButtonEdit& operator=(const ButtonEdit&) = delete;

  bool Create(const Placement& place, HFONT font);
  HWND hwnd() const { return window_; }
  HWND edit() const { return edit_; }
  HWND button() const { return button_; }

  std::function<void()> OnButtonClick;

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  HWND window_ = nullptr;
  HWND edit_ = nullptr;
  HWND button_ = nullptr;
};

// A plain window that only holds other windows (the page container and its
// pages), of the class name it is created with.
class Container {
 public:
  Container() = default;
  Container(const Container&) = delete;
  Container& operator=(const Container&) = delete;

  bool Create(HWND parent, const wchar_t* class_name, const std::string& text, int x, int y, int width, int height,
              bool visible);
  HWND hwnd() const { return window_; }

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  HWND window_ = nullptr;
};

// Registers a window class of ours once per module; the procedure is the
// window thunk of the owner type.
void RegisterUiClass(const wchar_t* name, WNDPROC procedure, HBRUSH background, UINT style = 0);

}  // namespace ui
