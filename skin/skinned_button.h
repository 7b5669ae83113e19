// The skinned push button. TOvSkinBaseButton holds what every skinned button
// shares (caption placement and effects, hot tracking, mouse and focus
// bookkeeping); TOvSkinButton paints the rounded two-line frame,
// gradient face, hover and focus rings, pressed and down looks from one base
// colour, and behaves as a push button (mouse, space, Enter as default,
// Escape as cancel, accelerator, modal result) or as a group toggle.
//
// The classes are portable: a ButtonHost (skin/windows/ for the real window)
// connects them to their window, which turns each window message into one
// call of the handlers below.
#pragma once

#include <functional>
#include <string>

#include "skin/button_events.h"
#include "skin/control_host.h"
#include "skin/drawing.h"

namespace skin {

enum TAlignmentVertical { avTop, avCenter, avBottom };
enum THotTrackColorType { htctComplement, htctActual };
enum TTextStyle { tsNormal, tsRaised, tsRecessed, tsShadow };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };


// The group message: wParam = group index, lParam = the sending button.
inline constexpr unsigned kGroupMessage = 0x2421;

// Key codes the buttons react to (Win32 virtual-key values).
inline constexpr int kKeySpace = 0x20, kKeyReturn = 0x0D, kKeyEscape = 0x1B;

struct ShiftState {
  bool shift = false, ctrl = false, alt = false;
};

class TOvSkinBaseButton {
 public:
  TOvSkinBaseButton();
  virtual ~TOvSkinBaseButton() = default;
  TOvSkinBaseButton(const TOvSkinBaseButton&) = delete;
  TOvSkinBaseButton& operator=(const TOvSkinBaseButton&) = delete;

  void AttachHost(ButtonHost* host);
  ButtonHost* host() const { return host_; }

  // Properties (setters store the value and repaint when it changed).
  TAlignmentVertical AlignmentVertical() const { return alignment_vertical_; }
  virtual void SetAlignmentVertical(TAlignmentVertical value);
  bool HotTrack() const { return hot_track_; }
  virtual void SetHotTrack(bool value);
  TColor HighlightColor() const { return highlight_color_; }
  virtual void SetHighlightColor(TColor value);
  TColor HotTrackColor() const { return hot_track_color_; }
  void SetHotTrackColor(TColor value) { Store(hot_track_color_, value); }
  THotTrackColorType HotTrackColorType() const { return hot_track_color_type_; }
  void SetHotTrackColorType(THotTrackColorType value) { Store(hot_track_color_type_, value); }
  bool LightTextStyle() const { return light_text_style_; }
  virtual void SetLightTextStyle(bool value);
  TTextStyle TextStyle() const { return text_style_; }
  virtual void SetTextStyle(TTextStyle value);
  TColor TextHighlightColor() const { return text_highlight_color_; }
  virtual void SetTextHighlightColor(TColor value);
  TColor TextShadowColor() const { return text_shadow_color_; }
  virtual void SetTextShadowColor(TColor value);
  int TextShadowDepth() const { return text_shadow_depth_; }
  virtual void SetTextShadowDepth(int value);
  bool ShowParentCorners() const { return show_parent_corners_; }
  virtual void SetShowParentCorners(bool value);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  const platform::FontSpec& Font() const { return font_; }
  void SetFont(const platform::FontSpec& font);
  TColor Color() const { return color_; }
  void SetColor(TColor value) { Store(color_, value); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool TabStop() const { return tab_stop_; }

  TNotifyEvent OnClick, OnMouseEnter, OnMouseLeave, OnEnter, OnExit;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;

  // State.
  bool Tracking() const { return tracking_; }
  bool MouseInside() const { return mouse_inside_; }
  bool PressedLook() const { return pressed_look_; }
  bool InClick() const { return in_click_; }
  bool ActiveDefault() const { return active_default_; }
  bool SpaceArmed() const { return space_armed_; }

  // Window messages, one handler each.
  void MouseDown(MouseButton button, int x, int y);
  void MouseMove(int x, int y);
  void MouseUp(MouseButton button, int x, int y);
  void MouseEnter();
  void MouseLeave();
  // Returns true when the erase is done (the parent's corners painted).
  bool EraseBackground(Canvas& canvas);
  virtual void Paint(Canvas& canvas) = 0;
  void FocusGained();
  virtual void FocusLost();
  // The click: the form's modal result, then OnClick.
  virtual void Click();

  virtual void PaintParentCorners(Canvas& canvas);
  virtual void ShowPressState();
  virtual void ShowFocusState();
  virtual Rect GetHotTrackArea() const;
  virtual void DrawCaptionText(Canvas& canvas, Rect& rect, unsigned flags);
  virtual void PressButton() = 0;

 protected:
  template <typename T>
  void Store(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Invalidate();
  }
  void Invalidate(bool erase = true) {
    if (host_) host_->Invalidate(erase);
  }
  Rect ClientRect() const { return host_ ? host_->ClientRect() : Rect{0, 0, width_, height_}; }
  bool Focused() const { return host_ && host_->Focused(); }

  ButtonHost* host_ = nullptr;
  TAlignmentVertical alignment_vertical_ = avCenter;
  bool hot_track_ = false;
  TColor highlight_color_ = clHighlight;
  TColor hot_track_color_ = 1350640;  // RGB(240, 155, 20)
  THotTrackColorType hot_track_color_type_ = htctActual;
  bool light_text_style_ = false;
  TTextStyle text_style_ = tsNormal;
  TColor text_highlight_color_ = clBtnHighlight;
  TColor text_shadow_color_ = clBtnShadow;
  int text_shadow_depth_ = 2;

  std::string caption_;
  platform::FontSpec font_{"宋体", 12, ColorToRgb(clWindowText)};
  TColor color_ = clBtnFace;
  bool enabled_ = true;
  bool tab_stop_ = true;
  int width_ = 115, height_ = 17;

  bool tracking_ = false;
  bool mouse_inside_ = false;
  bool pressed_look_ = false;
  bool show_parent_corners_ = false;
  bool in_click_ = false;
  bool active_default_ = false;
  bool space_armed_ = false;
};

class TOvSkinButton : public TOvSkinBaseButton {
 public:
  TOvSkinButton();

  // Called when the window exists: ActiveDefault starts as Default.
  void WindowCreated();

  TAlignment Alignment() const { return alignment_; }
  virtual void SetAlignment(TAlignment value);
  bool AllowAllUp() const { return allow_all_up_; }
  virtual void SetAllowAllUp(bool value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  bool Default() const { return default_; }
  virtual void SetDefault(bool value);
  bool DropDownOnEnter() const { return drop_down_on_enter_; }
  void SetDropDownOnEnter(bool value) { drop_down_on_enter_ = value; }
  int GroupIndex() const { return group_index_; }
  virtual void SetGroupIndex(int value);
  bool Down() const { return down_; }
  virtual void SetDown(bool value);
  TColor FrameColor() const { return frame_color_; }
  virtual void SetFrameColor(TColor value);
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int value) { modal_result_ = value; }
  bool ShowDownPattern() const { return show_down_pattern_; }
  virtual void SetShowDownPattern(bool value);
  bool ShowFocusRect() const { return show_focus_rect_; }
  virtual void SetShowFocusRect(bool value);
  bool OvDrawBorder() const { return ov_draw_border_; }
  void SetOvDrawBorder(bool value) { Store(ov_draw_border_, value); }
  bool OvDrawGradient() const { return ov_draw_gradient_; }
  void SetOvDrawGradient(bool value) { Store(ov_draw_gradient_, value); }
  bool OvDrawMouseOverEffect() const { return ov_draw_mouse_over_effect_; }
  void SetOvDrawMouseOverEffect(bool value) { Store(ov_draw_mouse_over_effect_, value); }
  bool OvDrawDownColorGlyph() const { return ov_draw_down_color_glyph_; }
  void SetOvDrawDownColorGlyph(bool value) { ov_draw_down_color_glyph_ = value; }
  bool OvDownColorBSel() const { return ov_down_color_b_sel_; }
  void SetOvDownColorBSel(bool value) { ov_down_color_b_sel_ = value; }

  void SetHotTrack(bool value) override;
  void Click() override;

  // Keyboard handlers. DialogKey and DialogChar return true when the key was
  // used (Enter as default, Escape as cancel, the accelerator character).
  void KeyDown(int key, ShiftState shift);
  void KeyUp(int key);
  bool DialogKey(int key, ShiftState shift);
  bool DialogChar(char character);
  // A character typed on the focused button (OnKeyPress); true when it is
  // left for the accelerator search.
  bool KeyPress(char& character);
  // The focus moved within the form; focused_is_push_button tells whether the
  // newly focused control is a push button (skinned or standard).
  void FocusChanged(bool focused_is_push_button, bool focused_is_this);
  void FocusLost() override;
  // The group message from another button (or from this one).
  void GroupMessage(int group_index, TOvSkinButton* sender);

  void Paint(Canvas& canvas) override;
  void PaintParentCorners(Canvas& canvas) override;
  void ShowPressState() override;
  void PressButton() override;

  virtual Rect GetCaptionRect() const;
  virtual void DrawButtonCaption(Canvas& canvas);
  virtual platform::Pattern8 MakeDownPattern() const;

 private:
  void NotifyGroup();
  // One method per look; each returns (or paints) the face inside its frames.
  Rect PaintHotTrackLook(Canvas& canvas, const Rect& client);
  void PaintHoverLook(Canvas& canvas, const Rect& face);
  void PaintDefaultLook(Canvas& canvas, const Rect& face);
  Rect PaintDisabledHotTrackLook(Canvas& canvas, const Rect& client);
  Rect PaintClassicLook(Canvas& canvas, const Rect& client);
  void DrawOuterFrame(Canvas& canvas, const Rect& area);
  void DrawInnerFrame(Canvas& canvas, const Rect& area, TColor color);
  void DrawFace(Canvas& canvas, const Rect& area);
  void DrawFlatFace(Canvas& canvas, const Rect& area);
  void FillSolid(Canvas& canvas, const Rect& area, TColor color);

  TAlignment alignment_ = taCenter;
  bool allow_all_up_ = false;
  bool cancel_ = false;
  bool default_ = false;
  bool drop_down_on_enter_ = true;
  int group_index_ = 0;
  bool down_ = false;
  TColor frame_color_ = cl3DDkShadow;
  int modal_result_ = 0;
  bool show_down_pattern_ = true;
  bool show_focus_rect_ = true;
  bool ov_draw_border_ = true;
  bool ov_draw_gradient_ = true;
  bool ov_draw_mouse_over_effect_ = true;
  bool ov_draw_down_color_glyph_ = false;
  bool ov_down_color_b_sel_ = false;
};

// The accelerator character of a caption ('&' before it; "&&" is a plain
// ampersand), or 0.
char AcceleratorOf(const std::string& caption);

}  // namespace skin
