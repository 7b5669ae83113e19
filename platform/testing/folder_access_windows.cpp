#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>

#include "platform/testing/folder_access.h"
#include "platform/windows/wide.h"

namespace dz::testing {
namespace {

std::string SidText(PSID sid) {
  LPWSTR text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return "?";
  std::string result = platform::windows::Narrow(text);
  LocalFree(text);
  return result;
}

}  // namespace

std::vector<std::string> FolderAccess(const std::string& folder) {
  std::vector<std::string> lines;
  std::wstring path = platform::windows::Wide(folder);
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl, nullptr,
                            &descriptor) != ERROR_SUCCESS)
    return lines;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  lines.push_back(control & SE_DACL_PROTECTED ? "protected" : "inherits");
  for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(acl, i, &ace)) continue;
    auto* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);  // the same layout for a denial
    char mask[16];
    std::snprintf(mask, sizeof mask, "0x%lx", static_cast<unsigned long>(allowed->Mask));
    std::string flags;
    if (header->AceFlags & OBJECT_INHERIT_ACE) flags += "OI";
    if (header->AceFlags & CONTAINER_INHERIT_ACE) flags += "CI";
    lines.push_back(std::string(header->AceType == ACCESS_DENIED_ACE_TYPE ? "deny " : "") +
                    SidText(&allowed->SidStart) + " " + mask + " " + flags);
  }
  LocalFree(descriptor);
  return lines;
}

std::string FolderOwnerSid(const std::string& folder) {
  std::wstring path = platform::windows::Wide(folder);
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                            &descriptor) != ERROR_SUCCESS)
    return "";
  std::string result = SidText(owner);
  LocalFree(descriptor);
  return result;
}

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace dz::testing
