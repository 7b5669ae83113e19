#include "app/memory_controls.h"

namespace app {

void MemoryControls::SetRange(Control bar, int minimum, int maximum) {
  controls[bar].minimum = minimum;
  controls[bar].maximum = maximum;
}

const MemoryControls::ControlState& MemoryControls::Get(Control control) const {
  static const ControlState kDefault;
  auto found = controls.find(control);
  return found == controls.end() ? kDefault : found->second;
}

}  // namespace app
