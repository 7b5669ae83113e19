// Committed pages of the process: large pages need a privilege an installer
// does not hold, so the gain here is the reuse (the pages are faulted in once
// for the whole run, not once for every buffer).
#include "platform/page_memory.h"

#include <windows.h>

namespace platform {

PageMemory::PageMemory(size_t size) {
  if (size == 0) return;
  void* block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (!block) return;
  mapping_ = block;
  mapping_size_ = size;
  data_ = static_cast<uint8_t*>(block);
  size_ = size;
}

void PageMemory::Release() {
  if (mapping_) VirtualFree(mapping_, 0, MEM_RELEASE);
  mapping_ = nullptr;
  data_ = nullptr;
  size_ = mapping_size_ = 0;
}

}  // namespace platform
