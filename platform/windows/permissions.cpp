// Program Files' permissions for a folder the installer makes elsewhere.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "platform/files.h"
#include "platform/windows/wide.h"

namespace platform {

bool GiveProgramFilesPermissions(const std::string& folder) {
  // SYSTEM and the administrators: full control; users: read and execute
  // (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE); each inherited by files and
  // folders inside. Protected: nothing from the parent.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)",
                                                            SDDL_REVISION_1, &descriptor, nullptr))
    return false;
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  bool set = false;
  if (GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) && present) {
    std::wstring path = windows::Wide(folder);
    set = SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT,
                                DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, acl,
                                nullptr) == ERROR_SUCCESS;
  }
  LocalFree(descriptor);
  return set;
}

}  // namespace platform
