// Fuzz target of extraction: the input is a settings byte and an archive,
// extracted with UnZip into a fresh temporary folder. Any input must end in
// a result or one of the component's errors: no crash, no hang, no unbounded
// allocation, no file outside the destination, and no file whose name
// Windows would read otherwise.
//   settings bit 0: RecreateDirs; bit 1: OverwriteMode Never (else Always);
//   bit 2: password "pw" (else none); bit 3: SortMode ByName; bit 4: three
//   worker threads (else the calling thread alone).
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/unzipper.h"
#include "platform/dialogs.h"
#include "platform/testing/box_and_pump_hooks.h"

namespace {

// A folder of this process, removed when it ends.
struct Work {
  Work() {
    char pattern[] = "/tmp/dz-unzip-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    folder = pattern;
  }
  ~Work() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  std::filesystem::path folder;
};

std::filesystem::path WorkFolder() {
  static Work work;
  return work.folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t settings = data[0];
  std::filesystem::path work = WorkFolder();
  std::filesystem::path zip = work / "input.zip";
  std::filesystem::path dest = work / "box" / "dest";
  std::error_code ignored;
  std::filesystem::remove_all(work / "box", ignored);
  std::filesystem::create_directories(dest);
  {
    std::ofstream out(zip, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  // The component's boxes (an unknown method) are answered without a word:
  // they are results here, and printing each would slow the run.
  static const bool silenced = [] {
    platform::SetMessageBoxResponder([](const std::string&, const std::string&, unsigned) { return platform::kIdOk; });
    return true;
  }();
  (void)silenced;
  try {
    archive::TUnZipper z;
    z.DoProcessMessages = false;
    z.SetZipName(zip.string());
    z.SetDestDir(dest.string());
    z.DoAll = true;
    z.RecreateDirs = settings & 1;
    z.OverwriteMode = (settings & 2) ? archive::Never : archive::Always;
    z.ReplaceReadOnly = true;
    if (settings & 4) z.Password = "pw";
    if (settings & 8) z.SortMode = archive::ByName;
    z.IncompleteZipMode = archive::izAssumeBad;
    z.ThreadCount = (settings & 16) ? 3 : 1;
    z.UnZip();
  } catch (const std::exception&) {
    // The component's errors and the platform's are results here.
  }
  // Nothing may appear in the box outside dest, and no name Windows would
  // read otherwise (a trailing dot or blank, a colon, a control character).
  for (const auto& item : std::filesystem::recursive_directory_iterator(work / "box", ignored)) {
    std::filesystem::path rel = std::filesystem::relative(item.path(), dest, ignored);
    if (!rel.empty() && *rel.begin() == ".." && item.path() != dest.parent_path()) {
      std::fprintf(stderr, "written outside the destination: %s\n", item.path().c_str());
      std::abort();
    }
    const std::string name = item.path().filename().string();
    const bool odd_end = !name.empty() && (name.back() == '.' || name.back() == ' ');
    const bool odd_char = name.find_first_of(":<>\"|?*") != std::string::npos ||
                          std::any_of(name.begin(), name.end(), [](char c) { return c > 0 && c < 0x20; });
    if (odd_end || odd_char) {
      std::fprintf(stderr, "a name Windows reads otherwise: %s\n", item.path().c_str());
      std::abort();
    }
  }
  return 0;
}
