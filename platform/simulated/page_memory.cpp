// The block is placed on a large-page boundary and offered to the kernel for
// transparent huge pages: a 2 MB page is one fault where 4 KB pages are 512.
// Where the kernel does not take the advice the block is ordinary memory.
#include "platform/page_memory.h"

#include <sys/mman.h>

namespace platform {
namespace {

constexpr size_t kLargePage = 2u << 20;

}  // namespace

PageMemory::PageMemory(size_t size) {
  if (size == 0 || size > (size_t{1} << 40)) return;
  const size_t block = (size + kLargePage - 1) / kLargePage * kLargePage;
  const size_t mapped = block + kLargePage;  // room to align the block
  void* mapping = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) return;
  const auto start = reinterpret_cast<uintptr_t>(mapping);
  const uintptr_t aligned = (start + kLargePage - 1) & ~static_cast<uintptr_t>(kLargePage - 1);
  mapping_ = mapping;
  mapping_size_ = mapped;
  data_ = reinterpret_cast<uint8_t*>(aligned);
  size_ = block;
#ifdef MADV_HUGEPAGE
  madvise(data_, size_, MADV_HUGEPAGE);  // advice: ignored where not offered
#endif
}

void PageMemory::Release() {
  if (mapping_) munmap(mapping_, mapping_size_);
  mapping_ = nullptr;
  data_ = nullptr;
  size_ = mapping_size_ = 0;
}

}  // namespace platform
