#include "skin/skinned_button.h"

#include <cctype>

#include "platform/gbk.h"

namespace skin {

using platform::text::kCalcRect;
using platform::text::kCenter;
using platform::text::kExpandTabs;
using platform::text::kRight;
using platform::text::kRtlReading;
using platform::text::kVCenter;
using platform::text::kWordBreak;

char AcceleratorOf(const std::string& caption) {
  // "&&" is a literal ampersand; the byte after a lone "&" is the key. The
  // second byte of a double-byte character is never either.
  bool after_ampersand = false;
  bool found = false;
  char key = 0;
  gbk::ForEachChar(caption, [&](size_t at, size_t length) {
    if (found) return;
    bool ampersand = length == 1 && caption[at] == '&';
    if (after_ampersand) {
      after_ampersand = false;
      if (!ampersand) {
        found = true;
        key = caption[at];
      }
    } else {
      after_ampersand = ampersand;
    }
  });
  return key;
}

// ---------------------------------------------------------------------------
// TOvSkinBaseButton

TOvSkinBaseButton::TOvSkinBaseButton() = default;

void TOvSkinBaseButton::AttachHost(ButtonHost* host) { host_ = host; }

void TOvSkinBaseButton::SetAlignmentVertical(TAlignmentVertical value) { Store(alignment_vertical_, value); }
void TOvSkinBaseButton::SetHotTrack(bool value) { Store(hot_track_, value); }
void TOvSkinBaseButton::SetHighlightColor(TColor value) { Store(highlight_color_, value); }
void TOvSkinBaseButton::SetLightTextStyle(bool value) { Store(light_text_style_, value); }
void TOvSkinBaseButton::SetTextStyle(TTextStyle value) { Store(text_style_, value); }
void TOvSkinBaseButton::SetTextHighlightColor(TColor value) { Store(text_highlight_color_, value); }
void TOvSkinBaseButton::SetTextShadowColor(TColor value) { Store(text_shadow_color_, value); }
void TOvSkinBaseButton::SetTextShadowDepth(int value) { Store(text_shadow_depth_, value); }
void TOvSkinBaseButton::SetShowParentCorners(bool value) { Store(show_parent_corners_, value); }

void TOvSkinBaseButton::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (host_) {
    host_->Invalidate(true);
    host_->Repaint();
  }
}

void TOvSkinBaseButton::SetFont(const platform::FontSpec& font) {
  font_ = font;
  Invalidate();
}

void TOvSkinBaseButton::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  if (host_) {
    if (!value && host_->HasParent() && host_->Focused()) host_->GiveUpFocus();
    host_->EnableWindow(value);
  }
  Invalidate();
}

void TOvSkinBaseButton::MouseDown(MouseButton button, int x, int y) {
  if (OnMouseDown) OnMouseDown(button, x, y);
  if (button != MouseButton::Left || !enabled_ || !host_) return;
  host_->TakeFocus();
  if (!host_->Focused()) return;
  pressed_look_ = true;
  ShowPressState();
  tracking_ = true;
  host_->CaptureMouse();
}

void TOvSkinBaseButton::MouseMove(int x, int y) {
  if (OnMouseMove) OnMouseMove(x, y);
  if (!tracking_) return;
  bool inside = ClientRect().Contains(x, y);
  if (inside != pressed_look_) {
    pressed_look_ = inside;
    ShowPressState();
  }
}

void TOvSkinBaseButton::MouseUp(MouseButton button, int x, int y) {
  if (OnMouseUp) OnMouseUp(button, x, y);
  if (!tracking_) return;
  tracking_ = false;
  pressed_look_ = false;
  if (host_) host_->ReleaseMouse();
  if (ClientRect().Contains(x, y)) PressButton();
  ShowPressState();
}

void TOvSkinBaseButton::MouseEnter() {
  mouse_inside_ = true;
  if (OnMouseEnter) OnMouseEnter();
  if (hot_track_ && host_) host_->InvalidateRect(GetHotTrackArea(), false);
}

void TOvSkinBaseButton::MouseLeave() {
  mouse_inside_ = false;
  if (OnMouseLeave) OnMouseLeave();
  if (hot_track_ && host_) host_->InvalidateRect(GetHotTrackArea(), false);
}

bool TOvSkinBaseButton::EraseBackground(Canvas& canvas) {
  if (!show_parent_corners_) return false;
  PaintParentCorners(canvas);
  return true;
}

void TOvSkinBaseButton::FocusGained() {
  ShowFocusState();
  if (OnEnter) OnEnter();
}

void TOvSkinBaseButton::FocusLost() {
  ShowFocusState();
  if (OnExit) OnExit();
}

void TOvSkinBaseButton::Click() {
  if (host_) host_->SetFormModalResult(0);
  if (OnClick) OnClick();
}

void TOvSkinBaseButton::PaintParentCorners(Canvas&) {}
void TOvSkinBaseButton::ShowPressState() {}

void TOvSkinBaseButton::ShowFocusState() {
  if (!host_) return;
  host_->Invalidate(false);
  host_->Repaint();
}

Rect TOvSkinBaseButton::GetHotTrackArea() const { return ClientRect(); }

void TOvSkinBaseButton::DrawCaptionText(Canvas& canvas, Rect& rect, unsigned flags) {
  canvas.DrawTextInRect(caption_, rect, flags);
}

// ---------------------------------------------------------------------------
// TOvSkinButton

TOvSkinButton::TOvSkinButton() {
  ManyColorsScreen = ScreenHasManyColors();
  width_ = 75;
  height_ = 25;
  color_ = clBtnFace;
  frame_color_ = cl3DDkShadow;
}

void TOvSkinButton::WindowCreated() { active_default_ = default_; }

void TOvSkinButton::Click() {
  if (host_) host_->SetFormModalResult(modal_result_);
  if (OnClick) OnClick();
}

void TOvSkinButton::SetAlignment(TAlignment value) { Store(alignment_, value); }
void TOvSkinButton::SetFrameColor(TColor value) { Store(frame_color_, value); }
void TOvSkinButton::SetShowDownPattern(bool value) { Store(show_down_pattern_, value); }
void TOvSkinButton::SetShowFocusRect(bool value) { Store(show_focus_rect_, value); }

void TOvSkinButton::SetAllowAllUp(bool value) {
  if (allow_all_up_ == value) return;
  allow_all_up_ = value;
  NotifyGroup();
}

void TOvSkinButton::SetGroupIndex(int value) {
  if (group_index_ == value) return;
  group_index_ = value;
  NotifyGroup();
}

void TOvSkinButton::SetDown(bool value) {
  if (group_index_ == 0) value = false;
  if (value == down_) return;
  // A group button can only be released by another member going down.
  if (down_ && !allow_all_up_ && group_index_ != 0) return;
  down_ = value;
  Invalidate();
  if (value) NotifyGroup();
}

void TOvSkinButton::SetDefault(bool value) {
  default_ = value;
  if (host_ && host_->HasParent()) host_->AnnounceFocus();
}

void TOvSkinButton::SetHotTrack(bool value) {
  TOvSkinBaseButton::SetHotTrack(value);
  show_parent_corners_ = hot_track_;
  if (host_) host_->Invalidate(true);
}

void TOvSkinButton::NotifyGroup() {
  if (group_index_ != 0 && host_ && host_->HasParent()) host_->BroadcastGroup(group_index_);
}

void TOvSkinButton::GroupMessage(int group_index, TOvSkinButton* sender) {
  if (group_index != group_index_ || sender == this || sender == nullptr) return;
  if (sender->Down() && down_) {
    down_ = false;
    Invalidate();
  }
  allow_all_up_ = sender->AllowAllUp();
}

void TOvSkinButton::ShowPressState() { Invalidate(); }

void TOvSkinButton::PressButton() {
  if (group_index_ != 0)
    SetDown(!down_);
  else
    ShowPressState();
  struct ClearInClick {
    bool& flag;
    ~ClearInClick() { flag = false; }
  } clear{in_click_};
  in_click_ = true;
  Click();
}

void TOvSkinButton::KeyDown(int key, ShiftState shift) {
  if (key == kKeySpace && !shift.alt) {
    space_armed_ = true;
    pressed_look_ = true;
    ShowPressState();
  }
  if (OnKeyDown) OnKeyDown(key);
}

void TOvSkinButton::KeyUp(int key) {
  if (key == kKeySpace) {
    pressed_look_ = false;
    if (space_armed_) PressButton();
    ShowPressState();
  }
  if (OnKeyUp) OnKeyUp(key);
}

bool TOvSkinButton::KeyPress(char& character) {
  if (OnKeyPress) OnKeyPress(character);
  return character != 0;
}

bool TOvSkinButton::DialogKey(int key, ShiftState shift) {
  if (shift.shift || shift.ctrl || shift.alt) return false;
  bool wanted = (key == kKeyReturn && active_default_) || (key == kKeyEscape && cancel_);
  if (!wanted || !host_ || !host_->CanFocus()) return false;
  Click();
  return true;
}

bool TOvSkinButton::DialogChar(char character) {
  char accelerator = AcceleratorOf(caption_);
  if (!accelerator || std::toupper(static_cast<unsigned char>(accelerator)) !=
                          std::toupper(static_cast<unsigned char>(character)))
    return false;
  if (!host_ || !host_->CanFocus()) return false;
  Click();
  return true;
}

void TOvSkinButton::FocusChanged(bool focused_is_push_button, bool focused_is_this) {
  bool active = focused_is_push_button ? focused_is_this : default_;
  if (active != active_default_) {
    active_default_ = active;
    Invalidate();
  }
}

void TOvSkinButton::FocusLost() {
  TOvSkinBaseButton::FocusLost();
  space_armed_ = false;
  pressed_look_ = false;
  ShowPressState();
}

// ---------------------------------------------------------------------------
// Painting

void TOvSkinButton::FillSolid(Canvas& canvas, const Rect& r, TColor color) {
  canvas.SetBrushColor(ColorToRgb(color));
  canvas.FillRect(r);
}

void TOvSkinButton::DrawOuterFrame(Canvas& canvas, const Rect& r) {
  TColor base = host_ && host_->HasParent() ? host_->ParentColor() : clBtnFace;
  platform::Rgb dark = ColorToRgb(LowerLuminance(base, 20)), light = ColorToRgb(RaiseLuminance(base, 20));
  const int L = r.left, T = r.top, R = r.right, B = r.bottom;
  canvas.SetPenColor(dark);
  canvas.MoveTo(L, T + 2);
  canvas.LineTo(L, B - 2);
  canvas.MoveTo(L + 2, T);
  canvas.LineTo(R - 2, T);
  canvas.SetPenColor(light);
  canvas.MoveTo(R - 1, T + 2);
  canvas.LineTo(R - 1, B - 2);
  canvas.MoveTo(L + 2, B - 1);
  canvas.LineTo(R - 2, B - 1);
  canvas.SetPixel(L + 1, T + 1, dark);
  canvas.SetPixel(R - 2, T + 1, dark);
  canvas.SetPixel(L + 1, B - 2, dark);
  canvas.SetPixel(R - 2, B - 2, light);
}

void TOvSkinButton::DrawInnerFrame(Canvas& canvas, const Rect& r, TColor color) {
  const int L = r.left, T = r.top, R = r.right, B = r.bottom;
  canvas.SetPenColor(ColorToRgb(color));
  canvas.MoveTo(L, T + 1);
  canvas.LineTo(L, B - 1);
  canvas.MoveTo(L + 1, T);
  canvas.LineTo(R - 1, T);
  canvas.MoveTo(R - 1, T + 1);
  canvas.LineTo(R - 1, B - 1);
  canvas.MoveTo(L + 1, B - 1);
  canvas.LineTo(R - 1, B - 1);
}

void TOvSkinButton::DrawFace(Canvas& canvas, const Rect& r) {
  canvas.SetPenColor(ColorToRgb(LowerLuminance(color_, 20)));
  canvas.MoveTo(r.left, r.bottom - 2);
  canvas.LineTo(r.right, r.bottom - 2);
  canvas.SetPenColor(ColorToRgb(LowerLuminance(color_, 30)));
  canvas.MoveTo(r.left, r.bottom - 1);
  canvas.LineTo(r.right, r.bottom - 1);
  Rect face = ov_draw_gradient_ ? Rect{r.left, r.top, r.right, r.bottom - 2} : r;
  if (ov_draw_gradient_ && ManyColorsScreen)
    ShadeRect(canvas, face, 2, RaiseLuminance(color_, 30), LowerLuminance(color_, 10), 1);
  else
    FillSolid(canvas, face, color_);
}

void TOvSkinButton::DrawFlatFace(Canvas& canvas, const Rect& r) {
  if (ManyColorsScreen)
    ShadeRect(canvas, r, 2, color_, color_, 1);
  else
    FillSolid(canvas, r, color_);
}

void TOvSkinButton::Paint(Canvas& canvas) {
  const Rect client = ClientRect();
  const bool pressed = pressed_look_;
  const bool focused = Focused();
  Rect focus_area = hot_track_ ? client.Inset(3, 3) : client.Inset(4, 4);
  if (group_index_ != 0 && (down_ || pressed)) focus_area = focus_area.Offset(1, 1);
  Rect r = client;

  if (hot_track_ && enabled_) {
    if (ov_draw_border_) {
      DrawOuterFrame(canvas, r);
      r = r.Inset(1, 1);
      DrawInnerFrame(canvas, r, frame_color_);
      r = r.Inset(1, 1);
    }
    if (down_ || pressed) {
      FillSolid(canvas, r, LowerLuminance(color_, 10));
    } else if (mouse_inside_ && ov_draw_mouse_over_effect_) {
      DrawFace(canvas, r);
      if (ov_draw_border_) {
        TColor top, bottom;
        if (hot_track_color_type_ == htctActual) {
          top = MixColors(clWhite, hot_track_color_, 190);
          bottom = hot_track_color_;
        } else {
          top = OppositeHueColor(hot_track_color_, 180);
          bottom = LowerLuminance(top, 30);
        }
        ShadeRing(canvas, r, 2, top, bottom, 2);
      } else {
        ShadeRing(canvas, r, 2, Rgb(255, 251, 240), Rgb(255, 251, 240), 1);
      }
    } else if (group_index_ == 0 && (active_default_ || focused) && !pressed) {
      DrawFace(canvas, r);
      TColor light = RaiseLuminance(color_, 30);
      TColor highlight =
          ColorsAlike(highlight_color_, clBtnFace) ? LowerLuminance(highlight_color_, 30) : highlight_color_;
      ShadeRing(canvas, r, 2, MixColors(highlight, light, 60), MixColors(highlight, light, 160), 2);
    } else if (ov_draw_border_) {
      DrawFace(canvas, r);
    } else {
      DrawFlatFace(canvas, r);
    }
  } else if (hot_track_) {
    r = r.Inset(1, 1);
    TColor disabled_frame =
        color_ == clBtnFace ? RaiseLuminance(clBtnShadow, 30) : LowerLuminance(color_, 80);
    DrawInnerFrame(canvas, r, disabled_frame);
    r = r.Inset(1, 1);
    FillSolid(canvas, r, color_);
  } else {
    if (group_index_ == 0 && (((active_default_ || focused) && !pressed) || in_click_))
      r = DrawEdgeLines(canvas, r, clWindowFrame, clWindowFrame, AllSides);
    bool sunk = down_ || pressed;
    if (color_ == clBtnFace) {
      if (group_index_ == 0)
        r = DrawThreeDFrame(canvas, r, pressed);
      else
        r = DrawSystemFrame(canvas, r, sunk ? 4 : 7);
    } else if (group_index_ == 0) {
      r = DrawTintedPushFrame(canvas, r, color_, pressed);
    } else if (sunk) {
      r = DrawTintedFrame(canvas, r, color_, 4);
    } else {
      r = DrawTintedPushFrame(canvas, r, color_, false);
    }
    FillSolid(canvas, r, color_);
  }

  if (group_index_ != 0 && down_ && show_down_pattern_) canvas.FillRectPattern(r, MakeDownPattern());

  canvas.SetFont(font_);
  canvas.SetBrushColor(ColorToRgb(color_));
  DrawButtonCaption(canvas);

  if (focused && show_focus_rect_) DrawDottedFocus(canvas, focus_area);
}

platform::Pattern8 TOvSkinButton::MakeDownPattern() const {
  platform::Pattern8 pattern;
  platform::Rgb base = ColorToRgb(color_);
  platform::Rgb dots = base == platform::MakeRgb(192, 192, 192) ? platform::MakeRgb(128, 128, 128)
                                                                 : platform::MakeRgb(192, 192, 192);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) pattern.pixels[y][x] = (x % 2) == (y % 2) ? dots : base;
  return pattern;
}

void TOvSkinButton::PaintParentCorners(Canvas& canvas) {
  Rect r = ClientRect().Inset(enabled_ ? 1 : 2, enabled_ ? 1 : 2);
  canvas.ExcludeClip(r);
  r = r.Inset(-1, 1);
  canvas.ExcludeClip(r);
  r = r.Inset(2, -2);
  canvas.ExcludeClip(r);
  if (host_) host_->PaintParentBackground(canvas, true);
  canvas.ResetClip();
}

Rect TOvSkinButton::GetCaptionRect() const {
  Rect r = ClientRect().Inset(5, 5);
  if (!hot_track_ && (pressed_look_ || (group_index_ != 0 && down_))) r = r.Offset(1, 1);
  return r;
}

void TOvSkinButton::DrawButtonCaption(Canvas& canvas) {
  bool rtl = host_ && host_->RightToLeft();
  TAlignment alignment = alignment_;
  if (rtl && alignment == taLeftJustify)
    alignment = taRightJustify;
  else if (rtl && alignment == taRightJustify)
    alignment = taLeftJustify;
  unsigned flags = alignment == taRightJustify ? kRight : alignment == taCenter ? kCenter : 0;
  flags |= kWordBreak | kExpandTabs;
  Rect r = GetCaptionRect();
  canvas.SetBrushClear(true);
  canvas.SetFont(font_);
  Rect measure = r;
  int h = canvas.DrawTextInRect(caption_, measure, kCalcRect | kWordBreak | kExpandTabs | kVCenter | kCenter);
  switch (alignment_vertical_) {
    case avTop: r.bottom = r.top + h; break;
    case avCenter:
      r.top = (r.top + r.bottom - h) / 2;
      r.bottom = r.top + h;
      break;
    case avBottom: r.top = r.bottom - h - 1; break;
  }
  if (rtl) flags |= kRtlReading;
  bool right_aligned = (flags & kRight) != 0;
  if (enabled_) {
    Rect copy;
    switch (text_style_) {
      case tsRaised:
        if (!light_text_style_) {
          copy = r.Offset(1, 1);
          canvas.SetTextColor(ColorToRgb(text_shadow_color_));
          DrawCaptionText(canvas, copy, flags);
        }
        copy = r.Offset(-1, -1);
        canvas.SetTextColor(ColorToRgb(text_highlight_color_));
        DrawCaptionText(canvas, copy, flags);
        break;
      case tsRecessed:
        copy = r.Offset(1, 1);
        canvas.SetTextColor(ColorToRgb(text_highlight_color_));
        DrawCaptionText(canvas, copy, flags);
        if (!light_text_style_) {
          copy = r.Offset(-1, -1);
          canvas.SetTextColor(ColorToRgb(text_shadow_color_));
          DrawCaptionText(canvas, copy, flags);
        }
        break;
      case tsShadow:
        copy = right_aligned ? r.Offset(0, text_shadow_depth_) : r.Offset(text_shadow_depth_, text_shadow_depth_);
        canvas.SetTextColor(ColorToRgb(text_shadow_color_));
        DrawCaptionText(canvas, copy, flags);
        break;
      case tsNormal: break;
    }
    canvas.SetTextColor(font_.color);
    if (right_aligned) r = r.Offset(-text_shadow_depth_, 0);
  } else {
    canvas.SetTextColor(ColorToRgb(clGrayText));
  }
  DrawCaptionText(canvas, r, flags);
  canvas.SetBrushClear(false);
}

}  // namespace skin
