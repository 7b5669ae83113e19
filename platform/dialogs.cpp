#include "platform/dialogs.h"

namespace platform {

int SafeButton(unsigned style) {
  switch (style & 0x0F) {
    case kMbOkCancel:
    case kMbRetryCancel: return kIdCancel;
    case kMbYesNo: return kIdNo;
    default: return kIdOk;
  }
}

}  // namespace platform
