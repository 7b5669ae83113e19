#include "platform/streams.h"

#include <algorithm>
#include <cstring>

#include "platform/errors.h"

namespace platform {

int64_t TStream::Size() {
  int64_t here = Seek(0, kFromCurrent);
  int64_t end = Seek(0, kFromEnd);
  Seek(here, kFromBeginning);
  return end;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw StreamReadError();
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw StreamWriteError();
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  return static_cast<int64_t>(file_.Read(buffer, static_cast<size_t>(count)));
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  return static_cast<int64_t>(file_.Write(buffer, static_cast<size_t>(count)));
}

int64_t TFileStream::Seek(int64_t offset, int origin) { return file_.Seek(offset, origin); }

int64_t TCustomMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  int64_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, memory_ + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TCustomMemoryStream::Seek(int64_t offset, int origin) {
  switch (origin) {
    case kFromBeginning: position_ = offset; break;
    case kFromCurrent: position_ += offset; break;
    case kFromEnd: position_ = size_ + offset; break;
  }
  if (position_ < 0) position_ = 0;
  return position_;
}

void TCustomMemoryStream::SaveToFile(const std::string& path) {
  TFileStream out(path, File::Mode::Create);
  if (size_ != 0) out.WriteBuffer(memory_, size_);
}

TResourceStream::TResourceStream(const std::string& name, const std::string& type) {
  auto bytes = FindModuleResource(name, type);
  if (!bytes) throw ResourceNotFound(name);
  SetPointer(bytes->data, static_cast<int64_t>(bytes->size));
}

}  // namespace platform
