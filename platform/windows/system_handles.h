// Owners of the window system's and the file system's handles that are not
// GDI objects: each gives its handle back when it goes out of scope.
#pragma once

#include <windows.h>

#include <string>

namespace platform::windows {

// A kernel object's handle (a file from CreateFileW, a process, a thread),
// closed with its owner. valid() is false when the object could not be
// opened.
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  ~OwnedHandle() {
    if (valid()) CloseHandle(handle_);
  }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// A directory search: FindFirstFileW on construction, FindClose with its
// owner. valid() is false when nothing matched or the folder is unreadable.
class FindHandle {
 public:
  FindHandle(const std::wstring& pattern, WIN32_FIND_DATAW& first) : find_(FindFirstFileW(pattern.c_str(), &first)) {}
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  ~FindHandle() {
    if (valid()) FindClose(find_);
  }
  bool valid() const { return find_ != INVALID_HANDLE_VALUE; }
  bool Next(WIN32_FIND_DATAW& data) const { return FindNextFileW(find_, &data) != 0; }

 private:
  HANDLE find_;
};

// A property that one owner sets on a window and takes away again when it
// goes: the window keeps it only while the value is the owner's own, so that
// an owner never removes a value another one set after it.
class WindowProperty {
 public:
  WindowProperty(HWND window, const wchar_t* name) : window_(window), name_(name) {}
  WindowProperty(const WindowProperty&) = delete;
  WindowProperty& operator=(const WindowProperty&) = delete;
  ~WindowProperty() {
    if (set_ && IsWindow(window_) && GetPropW(window_, name_) == value_) RemovePropW(window_, name_);
  }
  void Set(HANDLE value) {
    set_ = SetPropW(window_, name_, value) != 0;
    value_ = value;
  }

 private:
  HWND window_;
  const wchar_t* name_;
  HANDLE value_ = nullptr;
  bool set_ = false;
};

}  // namespace platform::windows
