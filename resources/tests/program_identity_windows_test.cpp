// The identity of DIzavozi.exe and UnInstall.exe as Windows reads it from the
// files (run from the folder that holds both): the version information that
// Explorer's Properties dialog shows, and the application manifest that
// decides elevation, the supported systems, the controls' version and DPI.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windows/wide.h"

namespace {

using platform::windows::Wide;

// The installer's version information is written by the packer from the
// manifest (fAppName, fAppCompany, fAppVersion); the uninstaller's is built in.
struct Program {
  const wchar_t* file;
  const char* product;
  const char* description;
};
const Program kPrograms[] = {
    {L"DIzavozi.exe", "Orvane云专家-美食版", "Orvane云专家-美食版 安装程序"},
    {L"UnInstall.exe", "Orvane云专家", "Orvane云专家 卸载程序"},
};

std::wstring FullPath(const wchar_t* file) {
  wchar_t full[MAX_PATH];
  GetFullPathNameW(file, MAX_PATH, full, nullptr);
  return full;
}

std::wstring StringValue(std::vector<char>& info, const std::wstring& name) {
  void* value = nullptr;
  UINT length = 0;
  std::wstring query = L"\\StringFileInfo\\080404B0\\" + name;
  if (!VerQueryValueW(info.data(), query.c_str(), &value, &length) || !value) return L"<missing>";
  return std::wstring(static_cast<const wchar_t*>(value));
}

TEST(ProgramIdentityTest, VersionInformation) {
  ASSERT_EQ(GetACP(), 936u);
  for (const auto& program : kPrograms) {
    SCOPED_TRACE(Wide("") + program.file);
    std::wstring path = FullPath(program.file);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version information";
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    // fAppVersion V3.3 of the manifest.
    EXPECT_EQ(fixed->dwFileVersionMS, (3u << 16) | 3u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    DWORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(LOWORD(*translation), 0x0804);
    EXPECT_EQ(HIWORD(*translation), 1200);

    EXPECT_EQ(StringValue(info, L"ProductName"), Wide(program.product));
    EXPECT_EQ(StringValue(info, L"CompanyName"), Wide("好帮手"));
    EXPECT_EQ(StringValue(info, L"FileDescription"), Wide(program.description));
    EXPECT_EQ(StringValue(info, L"FileVersion"), L"3.3.0.0");
    EXPECT_EQ(StringValue(info, L"ProductVersion"), L"V3.3");
    EXPECT_EQ(StringValue(info, L"OriginalFilename"), program.file);
  }
}

TEST(ProgramIdentityTest, ApplicationManifest) {
  for (const auto& program : kPrograms) {
    SCOPED_TRACE(Wide("") + program.file);
    HMODULE module = LoadLibraryExW(FullPath(program.file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_TRUE(found) << "no manifest with the id the loader reads";
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    std::string manifest(bytes, SizeofResource(module, found));
    FreeLibrary(module);

    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    for (const char* os : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",   // Windows 7
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",   // Windows 8
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",   // Windows 8.1
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})  // Windows 10 and 11
      EXPECT_NE(manifest.find(os), std::string::npos) << os;
    EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);
    EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
    EXPECT_EQ(manifest.find("<dependency"), std::string::npos);
  }
}

}  // namespace
