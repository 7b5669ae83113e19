#include "skin/title_bar.h"

#include "skin/png_reader.h"

namespace skin {

TOvCustForm::TOvCustForm() {
  MinDown = LoadPngResource("MinDown");
  MinHover = LoadPngResource("MinHover");
  MinNormal = LoadPngResource("MinNormal");
  MaxDown = LoadPngResource("MaxDown");
  MaxHover = LoadPngResource("MaxHover");
  MaxNormal = LoadPngResource("MaxNormal");
  RestoreDown = LoadPngResource("RestoreDown");
  RestoreHover = LoadPngResource("RestoreHover");
  RestoreNormal = LoadPngResource("RestoreNormal");
  CloseDown = LoadPngResource("CloseDown");
  CloseHover = LoadPngResource("CloseHover");
  CloseNormal = LoadPngResource("CloseNormal");
}

Rect TOvCustForm::CloseButtonRect() const {
  int width = Width();
  return {width - CloseNormal.width, 0, width, CloseNormal.height};
}

// Each slot is as wide as its own picture and ends where the next one starts.
// (Moving the whole close rectangle would make the maximise slot 33 wide and
// cover the close picture's first three columns, so a press there would not
// close the window.)
Rect TOvCustForm::MaxButtonRect() const {
  Rect close = CloseButtonRect();
  return {close.left - MaxNormal.width, 0, close.left, close.bottom};
}

Rect TOvCustForm::MinButtonRect() const {
  Rect max = MaxButtonRect();
  return {max.left - MinNormal.width, 0, max.left, max.bottom};
}

Rect TOvCustForm::CloseHoverRect() const {
  Rect button = CloseButtonRect();
  return {button.left, button.top + kHoverInset, button.right - kHoverInset, button.bottom};
}

Rect TOvCustForm::MaxHoverRect() const {
  Rect button = MaxButtonRect();
  return {button.left, button.top + kHoverInset, button.right, button.bottom};
}

Rect TOvCustForm::MinHoverRect() const {
  Rect button = MinButtonRect();
  return {button.left, button.top + kHoverInset, button.right, button.bottom};
}

void TOvCustForm::DrawButton(Canvas& canvas, const Rect& slot, bool pressed, bool hot,
                             const platform::RgbaImage& down, const platform::RgbaImage& hover,
                             const platform::RgbaImage& normal) {
  if (pressed)
    canvas.DrawImage(down, slot.left, slot.top);
  else if (hot)
    canvas.DrawImage(hover, slot.left, slot.top - 1);
  else
    canvas.DrawImage(normal, slot.left, slot.top);
}

void TOvCustForm::PaintTitleBar(Canvas& canvas) {
  const int width = Width(), height = host_ ? host_->ClientHeight() : 0;
  if (width <= 0) return;
  std::unique_ptr<Canvas> bitmap = canvas.CreateOffscreen(width, kOffscreenHeight);
  bitmap->SetBrushColor(ColorToRgb(color_));
  bitmap->FillRect({0, 0, width, kOffscreenHeight});
  switch (ex_fade_style_) {
    case fdUpDown:
      ShadeBands(*bitmap, ex_fade_up_color_, ex_fade_down_color_, 0, 0, width, height / 4);
      ShadeBands(*bitmap, ex_fade_down_color_, ex_fade_up_color_, 0, height / 4, width, height);
      break;
    case fdUp: ShadeBands(*bitmap, ex_fade_up_color_, ex_fade_down_color_, 0, 0, width, height); break;
    case fdNone: break;
  }
  bitmap->DrawAppIcon(6, 6, 16);
  bitmap->SetFont(font_);
  bitmap->SetBrushClear(true);
  bitmap->DrawTextAt(26, 6, caption_);
  if (ex_btn_min_) DrawButton(*bitmap, MinButtonRect(), min_pressed_, min_hot_, MinDown, MinHover, MinNormal);
  if (ex_btn_max_) {
    if (last_size_command_ == kScMaximize)
      DrawButton(*bitmap, MaxButtonRect(), max_pressed_, max_hot_, RestoreDown, RestoreHover, RestoreNormal);
    else
      DrawButton(*bitmap, MaxButtonRect(), max_pressed_, max_hot_, MaxDown, MaxHover, MaxNormal);
  }
  if (ex_btn_close_)
    DrawButton(*bitmap, CloseButtonRect(), close_pressed_, close_hot_, CloseDown, CloseHover, CloseNormal);
  canvas.CopyFrom(*bitmap, {0, 0, width, height}, 0, 0);
}

void TOvCustForm::MouseMove(int x, int y) {
  min_hot_ = MinHoverRect().Contains(x, y);
  max_hot_ = MaxHoverRect().Contains(x, y);
  close_hot_ = CloseHoverRect().Contains(x, y);
  Redraw();
}

void TOvCustForm::MouseDown(MouseButton button, int x, int y, bool double_click) {
  if (OnMouseDown) OnMouseDown(button, x, y);
  if (MinButtonRect().Contains(x, y)) {
    min_pressed_ = true;
    Redraw();
  } else if (MaxButtonRect().Contains(x, y)) {
    max_pressed_ = true;
    Redraw();
  } else if (CloseButtonRect().Contains(x, y)) {
    close_pressed_ = true;
    Redraw();
  } else if (ex_btn_max_ && button == MouseButton::Left && double_click) {
    if (!host_) return;
    if (last_size_command_ == kScMaximize) {
      host_->SetOwnerMaximized(false);
      last_size_command_ = kScRestore;
    } else {
      host_->SetOwnerMaximized(true);
      last_size_command_ = kScMaximize;
    }
  } else if (host_) {
    host_->BeginWindowDrag();
  }
}

void TOvCustForm::MouseUp(MouseButton button, int x, int y) {
  if (OnMouseUp) OnMouseUp(button, x, y);
  if (!host_) return;
  if (ex_btn_min_ && MinButtonRect().Contains(x, y) && min_pressed_) {
    host_->ReleaseMouse();
    min_pressed_ = false;
    min_hot_ = false;
    Redraw();
    host_->SendOwnerSysCommand(kScMinimize);
  } else if (ex_btn_max_ && MaxButtonRect().Contains(x, y) && max_pressed_) {
    host_->ReleaseMouse();
    max_pressed_ = false;
    max_hot_ = false;
    // The resize that follows redraws the bar.
    if (host_->OwnerMaximized()) {
      host_->SetOwnerMaximized(false);
      last_size_command_ = kScRestore;
    } else {
      host_->SetOwnerMaximized(true);
      last_size_command_ = kScMaximize;
    }
  } else if (ex_btn_close_ && CloseButtonRect().Contains(x, y) && close_pressed_) {
    host_->ReleaseMouse();
    close_pressed_ = false;
    Redraw();
    host_->SendOwnerSysCommand(kScClose);
  } else if (min_pressed_ || max_pressed_ || close_pressed_) {
    host_->ReleaseMouse();
    min_pressed_ = max_pressed_ = close_pressed_ = false;
    Redraw();
  }
}

void TOvCustForm::Resized() {
  if (!host_) return;
  host_->Redraw();
  host_->RoundOwnerCorners();
}

}  // namespace skin
