#include "app/install_record.h"

#include "common/install_list.h"

namespace app {

void InstallRecord::AddUninstallLine(const std::string& path, char flag) {
  UninstallList.push_back(install_list::FormatLine(UninstallCounter, path, flag));
  ++UninstallCounter;
}

void InstallRecord::Clear() {
  Programs = {};
  UninstallList.clear();
  UninstallCounter = 0;
}

}  // namespace app
