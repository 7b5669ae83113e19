// What a skinned control needs from the window it lives in. The skin's
// controls keep their state and paint portably; a host gives them focus,
// invalidation, mouse capture and their parent, and carries out what they
// ask of the window around them. The Win32 hosts live in skin/windows/; tests
// may supply their own.
#pragma once

#include "platform/canvas.h"
#include "skin/colours.h"

namespace skin {

using platform::Canvas;
using platform::Rect;

class TOvSkinButton;

class ButtonHost {
 public:
  virtual ~ButtonHost() = default;
  virtual Rect ClientRect() const = 0;
  virtual bool Focused() const = 0;
  // Visible and enabled, so that it can take the focus.
  virtual bool CanFocus() const = 0;
  virtual void TakeFocus() = 0;
  // Moves the focus away from the control (to its form).
  virtual void GiveUpFocus() = 0;
  virtual void Invalidate(bool erase) = 0;
  virtual void InvalidateRect(const Rect& rect, bool erase) = 0;
  // Paints at once.
  virtual void Repaint() = 0;
  virtual void CaptureMouse() = 0;
  virtual void ReleaseMouse() = 0;
  virtual bool HasParent() const = 0;
  // The parent's colour (the base of the outer rounded frame).
  virtual TColor ParentColor() const = 0;
  virtual bool RightToLeft() const = 0;
  virtual void EnableWindow(bool enabled) = 0;
  virtual void SetFormModalResult(int modal_result) = 0;
  // Sends the group message to every control of the parent.
  virtual void BroadcastGroup(int group_index) = 0;
  // Asks the form to tell its controls which control has the focus now.
  virtual void AnnounceFocus() = 0;
  // Paints the parent's background into the canvas, which must be the
  // control's own device context.
  virtual void PaintParentBackground(Canvas& canvas, bool invalidate_parent) = 0;
};

class TitleBarHost {
 public:
  virtual ~TitleBarHost() = default;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  // Paints the bar at once (PaintTitleBar on the bar's own context).
  virtual void Redraw() = 0;
  virtual void ReleaseMouse() = 0;
  virtual bool OwnerMaximized() const = 0;
  virtual void SetOwnerMaximized(bool maximized) = 0;
  virtual void SendOwnerSysCommand(unsigned command) = 0;
  // Lets the system move the owner window (non-client press on the caption).
  virtual void BeginWindowDrag() = 0;
  // Rounds the owner window's corners.
  virtual void RoundOwnerCorners() = 0;
};

}  // namespace skin
