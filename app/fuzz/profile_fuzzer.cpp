// Fuzz target of the profile rules and the path routines, on any bytes:
//  - reading never fails, and every value read is at most 2047 bytes;
//  - writing a key makes it read back as written and leaves every other
//    value of the file as it was;
//  - the path routines keep their contracts (ShortenPathText gives exactly
//    the maximum for longer texts, backslash rules end with a backslash).
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "app/profile_file.h"
#include "app/toolkit.h"
#include "platform/gbk.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

const std::pair<const char*, const char*> kProbes[] = {
    {"BaseInfo", "fAppName"}, {"BaseInfo", "fAppDirName"}, {"baseinfo", "FAPPTYPE"},
    {"InstallFiles", "FileCount"}, {"InstallFiles", "fTotalFiles"}, {"FileType", "C0"},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  std::optional<std::string> before[std::size(kProbes)];
  for (size_t i = 0; i < std::size(kProbes); ++i) {
    before[i] = app::FindProfileValue(bytes, kProbes[i].first, kProbes[i].second);
    if (before[i]) {
      Require(before[i]->size() <= app::ProfileFile::kMaxValueLength);
      app::ParseProfileInteger(*before[i], 0);
    }
  }

  std::string written = bytes;
  app::SetProfileValue(written, "BaseInfo", "fAppName", "Orvane-written");
  for (size_t i = 0; i < std::size(kProbes); ++i) {
    std::optional<std::string> after = app::FindProfileValue(written, kProbes[i].first, kProbes[i].second);
    if (i == 0) {
      Require(after == std::optional<std::string>("Orvane-written"));
    } else {
      Require(after == before[i]);
    }
  }

  const std::string shortened = app::ShortenPathText(bytes, 70);
  Require(bytes.size() <= 70 ? shortened == bytes : shortened.size() == 70);
  // A text cut after a lead byte pairs that byte with the appended "\"; only
  // whole texts are promised a final backslash character.
  auto cut = [](const std::string& text) {
    return !text.empty() && gbk::IsLeadByte(static_cast<unsigned char>(text.back())) &&
           gbk::LastCharStart(text) == text.size() - 1;
  };
  const std::string trimmed = app::TrimWithBackslash(bytes);
  Require(trimmed.empty() || gbk::EndsWithBackslash(trimmed) || cut(trimmed.substr(0, trimmed.size() - 1)));
  const std::string with = app::WithBackslash(bytes);
  Require(bytes.empty() || gbk::EndsWithBackslash(with) || cut(bytes));
  app::FieldAt(bytes, '\t', static_cast<int>(size % 5));
  app::ReplaceAllText(bytes, "\xC3\xC0\xCA\xB3", "\xC9\xCC\xD2\xB5");  // 美食 -> 商业 (GBK)
  return 0;
}
