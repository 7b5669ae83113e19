#include "skin/skinned_button.h"

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
  if (!accelerator || gbk::UpperAscii(accelerator) != gbk::UpperAscii(character)) return false;
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

void TOvSkinButton::FillSolid(Canvas& canvas, const Rect& area, TColor color) {
  canvas.SetBrushColor(ColorToRgb(color));
  canvas.FillRect(area);
}

// The rounded outer line in the parent's colour, darker at the top and left.
void TOvSkinButton::DrawOuterFrame(Canvas& canvas, const Rect& area) {
  TColor base = host_ && host_->HasParent() ? host_->ParentColor() : clBtnFace;
  platform::Rgb dark = ColorToRgb(LowerLuminance(base, 20)), light = ColorToRgb(RaiseLuminance(base, 20));
  const int left = area.left, top = area.top, right = area.right, bottom = area.bottom;
  canvas.SetPenColor(dark);
  canvas.MoveTo(left, top + 2);
  canvas.LineTo(left, bottom - 2);
  canvas.MoveTo(left + 2, top);
  canvas.LineTo(right - 2, top);
  canvas.SetPenColor(light);
  canvas.MoveTo(right - 1, top + 2);
  canvas.LineTo(right - 1, bottom - 2);
  canvas.MoveTo(left + 2, bottom - 1);
  canvas.LineTo(right - 2, bottom - 1);
  canvas.SetPixel(left + 1, top + 1, dark);
  canvas.SetPixel(right - 2, top + 1, dark);
  canvas.SetPixel(left + 1, bottom - 2, dark);
  canvas.SetPixel(right - 2, bottom - 2, light);
}

// The inner line with cut corners.
void TOvSkinButton::DrawInnerFrame(Canvas& canvas, const Rect& area, TColor color) {
  const int left = area.left, top = area.top, right = area.right, bottom = area.bottom;
  canvas.SetPenColor(ColorToRgb(color));
  canvas.MoveTo(left, top + 1);
  canvas.LineTo(left, bottom - 1);
  canvas.MoveTo(left + 1, top);
  canvas.LineTo(right - 1, top);
  canvas.MoveTo(right - 1, top + 1);
  canvas.LineTo(right - 1, bottom - 1);
  canvas.MoveTo(left + 1, bottom - 1);
  canvas.LineTo(right - 1, bottom - 1);
}

void TOvSkinButton::DrawFace(Canvas& canvas, const Rect& area) {
  canvas.SetPenColor(ColorToRgb(LowerLuminance(color_, 20)));
  canvas.MoveTo(area.left, area.bottom - 2);
  canvas.LineTo(area.right, area.bottom - 2);
  canvas.SetPenColor(ColorToRgb(LowerLuminance(color_, 30)));
  canvas.MoveTo(area.left, area.bottom - 1);
  canvas.LineTo(area.right, area.bottom - 1);
  Rect face = ov_draw_gradient_ ? Rect{area.left, area.top, area.right, area.bottom - 2} : area;
  if (ov_draw_gradient_ && ManyColorsScreen)
    ShadeRect(canvas, face, kShadeVertical, RaiseLuminance(color_, 30), LowerLuminance(color_, 10), 1);
  else
    FillSolid(canvas, face, color_);
}

void TOvSkinButton::DrawFlatFace(Canvas& canvas, const Rect& area) {
  if (ManyColorsScreen)
    ShadeRect(canvas, area, kShadeVertical, color_, color_, 1);
  else
    FillSolid(canvas, area, color_);
}

void TOvSkinButton::Paint(Canvas& canvas) {
  const Rect client = ClientRect();
  Rect face;
  if (hot_track_ && enabled_)
    face = PaintHotTrackLook(canvas, client);
  else if (hot_track_)
    face = PaintDisabledHotTrackLook(canvas, client);
  else
    face = PaintClassicLook(canvas, client);
  if (group_index_ != 0 && down_ && show_down_pattern_) canvas.FillRectPattern(face, MakeDownPattern());

  canvas.SetFont(font_);
  canvas.SetBrushColor(ColorToRgb(color_));
  DrawButtonCaption(canvas);

  if (Focused() && show_focus_rect_) {
    Rect focus_area = hot_track_ ? client.Inset(3, 3) : client.Inset(4, 4);
    if (group_index_ != 0 && (down_ || pressed_look_)) focus_area = focus_area.Offset(1, 1);
    DrawDottedFocus(canvas, focus_area);
  }
}

// Hot tracking, enabled: the rounded frames, then one of the looks below on
// the face inside them. Returns the face.
Rect TOvSkinButton::PaintHotTrackLook(Canvas& canvas, const Rect& client) {
  Rect face = client;
  if (ov_draw_border_) {
    DrawOuterFrame(canvas, face);
    face = face.Inset(1, 1);
    DrawInnerFrame(canvas, face, frame_color_);
    face = face.Inset(1, 1);
  }
  if (down_ || pressed_look_)
    FillSolid(canvas, face, LowerLuminance(color_, 10));
  else if (mouse_inside_ && ov_draw_mouse_over_effect_)
    PaintHoverLook(canvas, face);
  else if (group_index_ == 0 && (active_default_ || Focused()))
    PaintDefaultLook(canvas, face);
  else if (ov_draw_border_)
    DrawFace(canvas, face);
  else
    DrawFlatFace(canvas, face);
  return face;
}

// The mouse over the button: the face with a ring in the hot-track colour
// (or its complement), or a thin warm ring without the border.
void TOvSkinButton::PaintHoverLook(Canvas& canvas, const Rect& face) {
  DrawFace(canvas, face);
  if (!ov_draw_border_) {
    ShadeRing(canvas, face, kShadeVertical, Rgb(255, 251, 240), Rgb(255, 251, 240), 1);
    return;
  }
  TColor top, bottom;
  if (hot_track_color_type_ == htctActual) {
    top = MixColors(clWhite, hot_track_color_, 190);
    bottom = hot_track_color_;
  } else {
    top = OppositeHueColor(hot_track_color_, 180);
    bottom = LowerLuminance(top, 30);
  }
  ShadeRing(canvas, face, kShadeVertical, top, bottom, 2);
}

// The default (or focused) push button: the face with a ring in the
// highlight colour mixed with the face's light shade.
void TOvSkinButton::PaintDefaultLook(Canvas& canvas, const Rect& face) {
  DrawFace(canvas, face);
  TColor light = RaiseLuminance(color_, 30);
  TColor highlight =
      ColorsAlike(highlight_color_, clBtnFace) ? LowerLuminance(highlight_color_, 30) : highlight_color_;
  ShadeRing(canvas, face, kShadeVertical, MixColors(highlight, light, 60), MixColors(highlight, light, 160), 2);
}

// Hot tracking, disabled: a muted inner line and a plain face.
Rect TOvSkinButton::PaintDisabledHotTrackLook(Canvas& canvas, const Rect& client) {
  Rect face = client.Inset(1, 1);
  TColor disabled_frame = color_ == clBtnFace ? RaiseLuminance(clBtnShadow, 30) : LowerLuminance(color_, 80);
  DrawInnerFrame(canvas, face, disabled_frame);
  face = face.Inset(1, 1);
  FillSolid(canvas, face, color_);
  return face;
}

// Without hot tracking: the system's three-D frames (tinted for a colour
// other than clBtnFace), a black line around the default button.
Rect TOvSkinButton::PaintClassicLook(Canvas& canvas, const Rect& client) {
  const bool pressed = pressed_look_;
  Rect face = client;
  if (group_index_ == 0 && (((active_default_ || Focused()) && !pressed) || in_click_))
    face = DrawEdgeLines(canvas, face, clWindowFrame, clWindowFrame, AllSides);
  const bool sunk = down_ || pressed;
  if (color_ == clBtnFace) {
    if (group_index_ == 0)
      face = DrawThreeDFrame(canvas, face, pressed);
    else
      face = DrawSystemFrame(canvas, face, sunk ? kFramePushLowered : kFrameThreeDRaised);
  } else if (group_index_ == 0) {
    face = DrawTintedPushFrame(canvas, face, color_, pressed);
  } else if (sunk) {
    face = DrawTintedFrame(canvas, face, color_, kFramePushLowered);
  } else {
    face = DrawTintedPushFrame(canvas, face, color_, false);
  }
  FillSolid(canvas, face, color_);
  return face;
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
  Rect area = ClientRect().Inset(enabled_ ? 1 : 2, enabled_ ? 1 : 2);
  canvas.ExcludeClip(area);
  area = area.Inset(-1, 1);
  canvas.ExcludeClip(area);
  area = area.Inset(2, -2);
  canvas.ExcludeClip(area);
  if (host_) host_->PaintParentBackground(canvas, true);
  canvas.ResetClip();
}

Rect TOvSkinButton::GetCaptionRect() const {
  Rect area = ClientRect().Inset(5, 5);
  if (!hot_track_ && (pressed_look_ || (group_index_ != 0 && down_))) area = area.Offset(1, 1);
  return area;
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
  Rect area = GetCaptionRect();
  canvas.SetBrushClear(true);
  canvas.SetFont(font_);
  Rect measure = area;
  int text_height =
      canvas.DrawTextInRect(caption_, measure, kCalcRect | kWordBreak | kExpandTabs | kVCenter | kCenter);
  switch (alignment_vertical_) {
    case avTop: area.bottom = area.top + text_height; break;
    case avCenter:
      area.top = (area.top + area.bottom - text_height) / 2;
      area.bottom = area.top + text_height;
      break;
    case avBottom: area.top = area.bottom - text_height - 1; break;
  }
  if (rtl) flags |= kRtlReading;
  bool right_aligned = (flags & kRight) != 0;
  if (enabled_) {
    Rect copy;
    switch (text_style_) {
      case tsRaised:
        if (!light_text_style_) {
          copy = area.Offset(1, 1);
          canvas.SetTextColor(ColorToRgb(text_shadow_color_));
          DrawCaptionText(canvas, copy, flags);
        }
        copy = area.Offset(-1, -1);
        canvas.SetTextColor(ColorToRgb(text_highlight_color_));
        DrawCaptionText(canvas, copy, flags);
        break;
      case tsRecessed:
        copy = area.Offset(1, 1);
        canvas.SetTextColor(ColorToRgb(text_highlight_color_));
        DrawCaptionText(canvas, copy, flags);
        if (!light_text_style_) {
          copy = area.Offset(-1, -1);
          canvas.SetTextColor(ColorToRgb(text_shadow_color_));
          DrawCaptionText(canvas, copy, flags);
        }
        break;
      case tsShadow:
        copy = right_aligned ? area.Offset(0, text_shadow_depth_) : area.Offset(text_shadow_depth_, text_shadow_depth_);
        canvas.SetTextColor(ColorToRgb(text_shadow_color_));
        DrawCaptionText(canvas, copy, flags);
        break;
      case tsNormal: break;
    }
    canvas.SetTextColor(font_.color);
    if (right_aligned) area = area.Offset(-text_shadow_depth_, 0);
  } else {
    canvas.SetTextColor(ColorToRgb(clGrayText));
  }
  DrawCaptionText(canvas, area, flags);
  canvas.SetBrushClear(false);
}

}  // namespace skin
