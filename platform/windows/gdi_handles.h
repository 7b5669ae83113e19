// Owners of GDI objects and device-context states: each gives its handle
// back when it goes out of scope, on every path.
#pragma once

#include <windows.h>

#include <utility>

namespace platform::windows {

template <typename Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : handle_(handle) {}
  GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  ~GdiObject() { Reset(); }

  void Reset(Handle handle = nullptr) {
    if (handle_) DeleteObject(handle_);
    handle_ = handle;
  }
  Handle get() const { return handle_; }
  // Gives the handle up to a new owner (such as a window taking a region).
  Handle Release() { return std::exchange(handle_, nullptr); }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  Handle handle_ = nullptr;
};

using OwnedBitmap = GdiObject<HBITMAP>;
using OwnedBrush = GdiObject<HBRUSH>;
using OwnedPen = GdiObject<HPEN>;
using OwnedRegion = GdiObject<HRGN>;
using OwnedFont = GdiObject<HFONT>;

// A memory device context, deleted with its owner.
class OwnedMemoryDc {
 public:
  explicit OwnedMemoryDc(HDC compatible_with) : dc_(CreateCompatibleDC(compatible_with)) {}
  OwnedMemoryDc(const OwnedMemoryDc&) = delete;
  OwnedMemoryDc& operator=(const OwnedMemoryDc&) = delete;
  ~OwnedMemoryDc() {
    if (dc_) DeleteDC(dc_);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// A window's device context from GetDC, released with its owner.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A paint session of a window: BeginPaint on construction, EndPaint with its
// owner. Only for WM_PAINT.
class PaintSession {
 public:
  explicit PaintSession(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  PaintSession(const PaintSession&) = delete;
  PaintSession& operator=(const PaintSession&) = delete;
  ~PaintSession() { EndPaint(window_, &paint_); }
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// The state of a device context (origins, clipping, selected objects) saved
// on construction and restored with its owner.
class SavedDcState {
 public:
  explicit SavedDcState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  SavedDcState(const SavedDcState&) = delete;
  SavedDcState& operator=(const SavedDcState&) = delete;
  ~SavedDcState() {
    if (saved_ != 0) RestoreDC(dc_, saved_);
  }

 private:
  HDC dc_;
  int saved_;
};

}  // namespace platform::windows
