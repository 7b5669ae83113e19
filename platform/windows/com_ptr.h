// Owner of a COM interface pointer: releases it when it goes out of scope.
#pragma once

#include <unknwn.h>

#include <utility>

namespace platform::windows {

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    Reset(std::exchange(other.pointer_, nullptr));
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { Reset(); }

  void Reset(Interface* pointer = nullptr) {
    if (pointer_) pointer_->Release();
    pointer_ = pointer;
  }
  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // For the functions that hand out a new reference: the old one is released
  // first, the new one is owned from then on.
  void** PutVoid() {
    Reset();
    return reinterpret_cast<void**>(&pointer_);
  }

  // Another interface of the same object, or an empty pointer.
  template <typename Other>
  ComPtr<Other> As(REFIID iid) const {
    ComPtr<Other> other;
    if (pointer_) pointer_->QueryInterface(iid, other.PutVoid());
    return other;
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace platform::windows
