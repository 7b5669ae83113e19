// Hosts for the skin's controls without a window: they record what the
// controls ask for and answer focus and parent questions from plain fields.
#pragma once

#include <string>
#include <vector>

#include "skin/control_host.h"
#include "skin/skinned_button.h"

namespace skin::testing {

class FakeButtonHost : public ButtonHost {
 public:
  FakeButtonHost(int width, int height) : client{0, 0, width, height} {}

  Rect ClientRect() const override { return client; }
  bool Focused() const override { return focused; }
  bool CanFocus() const override { return visible && enabled; }
  void TakeFocus() override {
    if (accepts_focus) focused = true;
  }
  void GiveUpFocus() override { focused = false; }
  void Invalidate(bool) override { ++invalidations; }
  void InvalidateRect(const Rect&, bool) override { ++invalidations; }
  void Repaint() override { ++repaints; }
  void CaptureMouse() override { captured = true; }
  void ReleaseMouse() override { captured = false; }
  bool HasParent() const override { return has_parent; }
  TColor ParentColor() const override { return parent_color; }
  bool RightToLeft() const override { return false; }
  void EnableWindow(bool value) override { enabled = value; }
  void SetFormModalResult(int value) override { modal_results.push_back(value); }
  void BroadcastGroup(int group_index) override {
    if (!siblings) return;
    for (TOvSkinButton* b : *siblings) b->GroupMessage(group_index, self);
  }
  void AnnounceFocus() override { ++focus_announcements; }
  void PaintParentBackground(Canvas& canvas, bool) override {
    canvas.SetBrushColor(ColorToRgb(parent_color));
    canvas.FillRect({0, 0, client.right, client.bottom});
  }

  Rect client;
  bool focused = false, accepts_focus = true, visible = true, enabled = true, has_parent = true, captured = false;
  TColor parent_color = Rgb(172, 184, 225);
  int invalidations = 0, repaints = 0, focus_announcements = 0;
  std::vector<int> modal_results;
  TOvSkinButton* self = nullptr;
  std::vector<TOvSkinButton*>* siblings = nullptr;
};

}  // namespace skin::testing
