// The title bar: TOvCustForm, despite its name a control: the caption bar at
// the top of a borderless window. It paints a faded background, the program
// icon, the caption and up to three picture buttons (minimise,
// maximise/restore, close), tracks hover and press on them, carries out
// their commands on the owner window, lets the user drag the window and
// maximise it by double-click.
//
// Portable like the button: a TitleBarHost (skin/windows/ for the real window)
// connects it to its window, and each window message is one handler call.
#pragma once

#include <string>

#include "platform/canvas.h"
#include "skin/button_events.h"
#include "skin/control_host.h"
#include "skin/drawing.h"

namespace skin {

enum TUIFadeStyle { fdNone, fdUp, fdUpDown };

inline constexpr unsigned kScMinimize = 0xF020, kScMaximize = 0xF030, kScClose = 0xF060, kScRestore = 0xF120;

class TOvCustForm {
 public:
  // Loads the twelve caption-button pictures from the module's RCDATA
  // resources; throws EPngError ("The png image could not be loaded from the
  // resource ID.") when one is missing or damaged.
  TOvCustForm();
  TOvCustForm(const TOvCustForm&) = delete;
  TOvCustForm& operator=(const TOvCustForm&) = delete;

  void AttachHost(TitleBarHost* host) { host_ = host; }

  // Construction values; setters store and invalidate (redraw) on change.
  bool ExBtnClose() const { return ex_btn_close_; }
  void SetExBtnClose(bool value) { Store(ex_btn_close_, value); }
  bool ExBtnMax() const { return ex_btn_max_; }
  void SetExBtnMax(bool value) { Store(ex_btn_max_, value); }
  bool ExBtnMin() const { return ex_btn_min_; }
  void SetExBtnMin(bool value) { Store(ex_btn_min_, value); }
  TUIFadeStyle ExFadeStyle() const { return ex_fade_style_; }
  void SetExFadeStyle(TUIFadeStyle value) { Store(ex_fade_style_, value); }
  TColor ExFadeUpColor() const { return ex_fade_up_color_; }
  void SetExFadeUpColor(TColor value) { Store(ex_fade_up_color_, value); }
  TColor ExFadeDownColor() const { return ex_fade_down_color_; }
  void SetExFadeDownColor(TColor value) { Store(ex_fade_down_color_, value); }
  // The frame-line pair is stored, and a change redraws, but nothing is
  // drawn from it: the bar paints no frame line whatever it holds.
  bool ExDrawFrameLine() const { return ex_draw_frame_line_; }
  void SetExDrawFrameLine(bool value) { Store(ex_draw_frame_line_, value); }
  TColor ExDrawFrameColor() const { return ex_draw_frame_color_; }
  void SetExDrawFrameColor(TColor value) { Store(ex_draw_frame_color_, value); }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value) { Store(caption_, value); }
  TColor Color() const { return color_; }
  void SetColor(TColor value) { Store(color_, value); }
  const platform::FontSpec& Font() const { return font_; }
  void SetFont(const platform::FontSpec& value) { Store(font_, value); }

  TNotifyEvent OnClick;
  TMouseEvent OnMouseDown, OnMouseUp;

  // State.
  bool MinHot() const { return min_hot_; }
  bool MaxHot() const { return max_hot_; }
  bool CloseHot() const { return close_hot_; }
  bool MinPressed() const { return min_pressed_; }
  bool MaxPressed() const { return max_pressed_; }
  bool ClosePressed() const { return close_pressed_; }
  unsigned LastSizeCommand() const { return last_size_command_; }

  // Button slots in the bar's coordinates; all as high as CloseNormal.
  Rect CloseButtonRect() const;
  Rect MaxButtonRect() const;
  Rect MinButtonRect() const;
  // The slot without its top 5 rows (and, for close, its right 5 columns).
  Rect CloseHoverRect() const;
  Rect MaxHoverRect() const;
  Rect MinHoverRect() const;

  // Paints the whole bar through an off-screen bitmap onto canvas.
  void PaintTitleBar(Canvas& canvas);

  // Window messages, one handler each.
  void MouseMove(int x, int y);
  void MouseDown(MouseButton button, int x, int y, bool double_click);
  void MouseUp(MouseButton button, int x, int y);
  // The bar's size changed: redraw, and round the owner's corners.
  void Resized();

  static constexpr int kOffscreenHeight = 30;
  static constexpr int kHoverInset = 5;

 private:
  template <typename T>
  void Store(T& field, const T& value) {
    if (field == value) return;
    field = value;
    if (host_) host_->Redraw();
  }
  void Redraw() {
    if (host_) host_->Redraw();
  }
  int Width() const { return host_ ? host_->ClientWidth() : 0; }
  void DrawButton(Canvas& canvas, const Rect& slot, bool pressed, bool hot, const platform::RgbaImage& down,
                  const platform::RgbaImage& hover, const platform::RgbaImage& normal);

  TitleBarHost* host_ = nullptr;
  bool ex_btn_close_ = true;
  bool ex_btn_max_ = false;
  bool ex_btn_min_ = false;
  TUIFadeStyle ex_fade_style_ = fdNone;
  TColor ex_fade_up_color_ = clNone;
  TColor ex_fade_down_color_ = clNone;
  bool ex_draw_frame_line_ = false;
  TColor ex_draw_frame_color_ = clNone;
  std::string caption_;
  TColor color_ = clBtnFace;
  platform::FontSpec font_{"宋体", 12, ColorToRgb(clWindowText)};

  platform::RgbaImage MinDown, MinHover, MinNormal, MaxDown, MaxHover, MaxNormal, RestoreDown, RestoreHover,
      RestoreNormal, CloseDown, CloseHover, CloseNormal;
  bool min_hot_ = false, max_hot_ = false, close_hot_ = false;
  bool min_pressed_ = false, max_pressed_ = false, close_pressed_ = false;
  unsigned last_size_command_ = 0;
};

}  // namespace skin
