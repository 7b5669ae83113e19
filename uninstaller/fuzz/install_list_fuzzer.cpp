// Fuzz target of the uninstaller's reading of install.dl: whatever the bytes,
// every path it would act on lies where the installation owns things (inside
// the installation folder, directly in the program group, directly on the
// Desktop as a shortcut), is a plain absolute path, and is never in a system
// folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/gbk.h"
#include "uninstaller/uninstall_plan.h"

namespace {

using uninstaller::IsInside;
using uninstaller::IsPlainAbsolutePath;

const uninstaller::Places& TestPlaces() {
  static const uninstaller::Places places = [] {
    uninstaller::Places p;
    p.install_folder = "C:\\Program Files\\Orvane\\";
    p.self_path = "C:\\Program Files\\Orvane\\UnInstall.exe";
    p.programs_folder = "C:\\Users\\u\\Programs";
    p.desktop_folder = "C:\\Users\\u\\Desktop";
    // The group name as the product carries it: GBK, whatever the compiler.
    p.group_name = "Orvane\xD4\xC6\xD7\xA8\xBC\xD2-\xC3\xC0\xCA\xB3\xB0\xE6";
    p.system_folders = {"C:\\Program Files\\Orvane\\system", "C:\\Windows"};
    return p;
  }();
  return places;
}

void Require(bool condition) {
  if (!condition) std::abort();
}

bool InSystemFolder(const std::string& path) {
  for (const auto& system : TestPlaces().system_folders)
    if (gbk::SameText(path + "\\", system + "\\") || gbk::StartsWithText(path, system + "\\")) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& places = TestPlaces();
  uninstaller::Plan plan = uninstaller::MakePlan(std::string(reinterpret_cast<const char*>(data), size), places);
  const std::string group = places.programs_folder + "\\" + places.group_name + "\\";
  const std::string desktop = places.desktop_folder + "\\";
  for (const auto* list : {&plan.files, &plan.databases, &plan.kept})
    for (const auto& path : *list) {
      Require(IsPlainAbsolutePath(path) && !InSystemFolder(path));
      bool in_install = IsInside(path, places.install_folder);
      bool shortcut = (IsInside(path, group) && gbk::LastBackslash(path) == group.size() - 1) ||
                      (IsInside(path, desktop) && gbk::LastBackslash(path) == desktop.size() - 1);
      Require(in_install || shortcut);
    }
  for (const auto& path : plan.files) Require(IsInside(path, places.install_folder));
  for (const auto& path : plan.shortcuts) {
    Require(IsPlainAbsolutePath(path));
    Require((IsInside(path, group) && gbk::LastBackslash(path) == group.size() - 1) ||
            (IsInside(path, desktop) && gbk::LastBackslash(path) == desktop.size() - 1));
  }
  for (const auto& folder : plan.folders) {
    Require(IsPlainAbsolutePath(folder) && gbk::EndsWithBackslash(folder) && !InSystemFolder(folder));
    Require(gbk::SameText(folder, places.install_folder) || IsInside(folder, places.install_folder) ||
            gbk::SameText(folder, group));
  }
  return 0;
}
