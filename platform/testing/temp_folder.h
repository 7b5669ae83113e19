// Test helpers: a fresh folder (program path, GBK, ending in a backslash)
// removed with everything in it at the end, whole-file reads and writes, and
// counting the files of a tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dz::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  // The folder with a trailing backslash, e.g. C:\TEMP\dz-test-3\ .
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

void WriteWholeFile(const std::string& path, const std::string& bytes);
// Empty optional-like: returns false when the file cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes);
std::string ReadWholeFile(const std::string& path);
// Removes a folder tree given as a program path (best effort).
void RemoveTree(const std::string& path);
// The number of files under a folder (program path ending in a backslash),
// in every subfolder; folders themselves are not counted.
int CountFiles(const std::string& folder);

}  // namespace dz::testing
