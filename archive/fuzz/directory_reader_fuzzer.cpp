// Fuzz target of the directory reader: the component reads a file holding
// the input (after a first byte that picks the settings) as its archive,
// with recovery, comments and the sorted view. Any outcome but the
// component's own errors and the platform's file errors is a failure.
//
// Input: byte 0 = settings (bits 0-1 IncompleteZipMode, 3 = izAssumeBad as
// well; bits 2-4 SortMode; bit 5 KeepZipOpen); bytes 1.. = the archive file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "archive/unzipper.h"
#include "platform/errors.h"

namespace {

const char* InputPath() {
  static char path[64];
  if (!path[0]) std::snprintf(path, sizeof path, "/tmp/dz-directory-fuzz-%d.zip", static_cast<int>(getpid()));
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t settings = data[0];
  {
    FILE* f = std::fopen(InputPath(), "wb");
    if (!f) return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
  }
  archive::TUnZipper zipper;
  int mode = settings & 3;
  zipper.IncompleteZipMode = mode == 3 ? archive::izAssumeBad : static_cast<archive::TIncompleteZipMode>(mode);
  zipper.SortMode = static_cast<archive::TZipSortMode>((settings >> 2) & 7);
  zipper.KeepZipOpen = (settings & 0x20) != 0;
  zipper.DoProcessMessages = false;
  try {
    zipper.SetZipName(InputPath());
    zipper.ReadZipDirectory();
    for (int i = 0; i < zipper.Count(); ++i) {
      const archive::TZipEntryInfo& e = zipper.EntryAt(i);
      if (e.FullName().size() != e.NameLength) __builtin_trap();
      zipper.FileNameAt(i);
      zipper.FileCommentAt(i);
    }
    zipper.ZipComment();
    zipper.ReleaseArchive();
  } catch (const archive::ArchiveError&) {
  } catch (const platform::Error&) {
  }
  // libFuzzer may end the process without running exit handlers: remove the
  // file after every input instead.
  std::remove(InputPath());
  return 0;
}
