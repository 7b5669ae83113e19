#include "app/progress_stream.h"

namespace app {

void SaveResourceToFile(const std::string& name, const std::string& type, const std::string& file_name) {
  platform::TResourceStream stream(name, type);
  stream.SaveToFile(file_name);
}

void TProgressResourceStream::SaveToFile(const std::string& file_name) {
  if (!OnProgress) {
    TResourceStream::SaveToFile(file_name);
    if (OnWritten && Size() > 0) OnWritten(Memory(), Size());
    return;
  }
  const int64_t size = Size();
  if (size == 0) return;
  platform::TFileStream out(file_name, platform::File::Mode::Create);
  const int64_t block = size >= kSmallResourceLimit ? size / kBlockDivisor : kSmallBlockSize;
  // Written straight from the module's resource bytes; the source offset is
  // the written count, so it never passes the resource's last byte.
  int64_t written = 0;
  while (written < size) {
    const int64_t count = size - block > written ? block : size - written;
    out.WriteBuffer(Memory() + written, count);
    if (OnWritten) OnWritten(Memory() + written, count);
    written += count;
    const long double done = static_cast<long double>(written) / static_cast<long double>(size);
    OnProgress(*this, static_cast<float>(done));
  }
}

}  // namespace app
