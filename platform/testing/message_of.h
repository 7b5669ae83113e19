// The message of the error an action raises, for tests that expect one kind
// of error with one text.
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace dz::testing {

// The message of the E the action raised; "other error: ..." for another
// exception and "no error" when it raised none.
template <class E>
std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.what();
  } catch (const std::exception& e) {
    return std::string("other error: ") + e.what();
  }
  return "no error";
}

}  // namespace dz::testing
