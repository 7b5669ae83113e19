// Letting pending window messages run, waiting, and the mouse cursor.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// Runs every pending window message of this thread.
void ProcessMessages();

void SleepMilliseconds(unsigned milliseconds);
// A clock that only moves forward, in microseconds from an arbitrary start;
// for measuring how long something took.
uint64_t MonotonicMicroseconds();

enum class CursorShape { Default, Hourglass };
CursorShape CurrentCursor();
void SetCursorShape(CursorShape shape);

// Shows a cursor shape (the hourglass during long work) for its lifetime and
// puts back the shape it found, on every path out of the scope.
class CursorScope {
 public:
  explicit CursorScope(CursorShape shape) : saved_(CurrentCursor()) { SetCursorShape(shape); }
  CursorScope(const CursorScope&) = delete;
  CursorScope& operator=(const CursorScope&) = delete;
  ~CursorScope() { SetCursorShape(saved_); }

 private:
  CursorShape saved_;
};

}  // namespace platform
