// Fuzz target of the uninstaller's reading of install.dl: whatever the bytes,
// every path it would act on lies where the installation owns things (inside
// the installation folder, directly in a program group, directly on a
// Desktop as a shortcut -- the all-users ones and the user's own), is a plain
// absolute path, and is never in a system folder.
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
    p.common_programs_folder = "C:\\ProgramData\\Start Menu\\Programs";
    p.common_desktop_folder = "C:\\Users\\Public\\Desktop";
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
  const std::string groups[] = {places.programs_folder + "\\" + places.group_name + "\\",
                                places.common_programs_folder + "\\" + places.group_name + "\\"};
  const std::string desktops[] = {places.desktop_folder + "\\", places.common_desktop_folder + "\\"};
  auto directly_in = [](const std::string& path, const std::string& folder) {
    return IsInside(path, folder) && gbk::LastBackslash(path) == folder.size() - 1;
  };
  auto shortcut_place = [&](const std::string& path) {
    for (const std::string* folder : {&groups[0], &groups[1], &desktops[0], &desktops[1]})
      if (directly_in(path, *folder)) return true;
    return false;
  };
  for (const auto* list : {&plan.files, &plan.databases, &plan.kept})
    for (const auto& path : *list) {
      Require(IsPlainAbsolutePath(path) && !InSystemFolder(path));
      Require(IsInside(path, places.install_folder) || shortcut_place(path));
    }
  for (const auto& path : plan.files) Require(IsInside(path, places.install_folder));
  for (const auto& path : plan.shortcuts) Require(IsPlainAbsolutePath(path) && shortcut_place(path));
  for (const auto& folder : plan.folders) {
    Require(IsPlainAbsolutePath(folder) && gbk::EndsWithBackslash(folder) && !InSystemFolder(folder));
    Require(gbk::SameText(folder, places.install_folder) || IsInside(folder, places.install_folder) ||
            gbk::SameText(folder, groups[0]) || gbk::SameText(folder, groups[1]));
  }
  return 0;
}
