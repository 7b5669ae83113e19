#include "tests/install/product.h"

#include <windows.h>

#include "tests/install/user.h"

namespace install_test {
namespace {

class ResourceModule {
 public:
  explicit ResourceModule(const std::wstring& exe)
      : module_(LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {
    Expect(module_ != nullptr, "the installer's resources can be read");
  }
  ~ResourceModule() { FreeLibrary(module_); }
  ResourceModule(const ResourceModule&) = delete;
  ResourceModule& operator=(const ResourceModule&) = delete;

  std::string Bytes(const std::wstring& name, const std::wstring& type) const {
    HRSRC found = FindResourceW(module_, name.c_str(), type.c_str());
    Expect(found != nullptr, "the installer carries resource " + Utf8(name));
    HGLOBAL loaded = LoadResource(module_, found);
    const char* data = static_cast<const char*>(LockResource(loaded));
    return std::string(data, SizeofResource(module_, found));
  }

 private:
  HMODULE module_;
};

uint32_t Le32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
uint16_t Le16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

std::wstring FromUtf8(const std::string& bytes) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  return text;
}

// The central directory of a single-volume archive.
std::vector<ArchiveEntry> CentralDirectory(const std::string& zip, const std::wstring& what) {
  size_t end = std::string::npos;
  for (size_t at = zip.size() >= 22 ? zip.size() - 22 : 0;; --at) {
    if (Le32(zip, at) == 0x06054B50) {
      end = at;
      break;
    }
    if (at == 0 || zip.size() - at > 22 + 65535) break;
  }
  Expect(end != std::string::npos, "payload " + Utf8(what) + " is a ZIP archive");
  const uint16_t count = Le16(zip, end + 10);
  size_t at = Le32(zip, end + 16);
  std::vector<ArchiveEntry> entries;
  for (uint16_t i = 0; i < count; ++i) {
    Require(at + 46 <= zip.size() && Le32(zip, at) == 0x02014B50, "central record of " + Utf8(what));
    const uint16_t flags = Le16(zip, at + 8);
    const uint16_t name_length = Le16(zip, at + 28), extra = Le16(zip, at + 30), comment = Le16(zip, at + 32);
    std::string raw = zip.substr(at + 46, name_length);
    ArchiveEntry entry;
    entry.crc = Le32(zip, at + 16);
    entry.size = Le32(zip, at + 24);
    entry.name = (flags & 0x800) ? FromUtf8(raw) : FromGbk(raw);
    for (wchar_t& c : entry.name)
      if (c == L'/') c = L'\\';
    entries.push_back(entry);
    at += 46 + name_length + extra + comment;
  }
  return entries;
}

}  // namespace

std::wstring FromGbk(const std::string& bytes) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  return text;
}

std::string ToGbk(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  return bytes;
}

uint32_t Crc32(const std::string& bytes) {
  static uint32_t table[256];
  if (!table[1]) {
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
  }
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

std::map<std::wstring, std::map<std::wstring, std::wstring>> ParseIni(const std::wstring& text) {
  std::map<std::wstring, std::map<std::wstring, std::wstring>> sections;
  std::wstring section;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (line.size() >= 2 && line.front() == L'[' && line.back() == L']') {
      section = line.substr(1, line.size() - 2);
    } else if (size_t eq = line.find(L'='); eq != std::wstring::npos) {
      sections[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  return sections;
}

std::wstring Product::Base(const std::wstring& key) const {
  auto found = base.find(key);
  return found == base.end() ? std::wstring() : found->second;
}

Product ReadProduct(const std::wstring& exe) {
  ResourceModule module(exe);
  Product product;
  product.manifest = module.Bytes(L"CEND", L"INI");
  auto ini = ParseIni(FromGbk(product.manifest));
  product.base = ini[L"BaseInfo"];
  product.total_files = _wtoi(ini[L"InstallFiles"][L"fTotalFiles"].c_str());
  const int count = _wtoi(ini[L"InstallFiles"][L"FileCount"].c_str());
  Expect(count > 0, "the manifest names payloads (FileCount " + std::to_string(count) + ")");
  size_t entries = 0;
  for (int n = 0; n < count; ++n) {
    Payload payload;
    payload.resource = L"C" + std::to_wstring(n);
    payload.type = ini[L"FileType"][payload.resource];
    payload.dest = ini[L"FileDest"][payload.resource];
    payload.entries = CentralDirectory(module.Bytes(payload.resource, payload.resource), payload.resource);
    entries += payload.entries.size();
    product.payloads.push_back(std::move(payload));
  }
  Expect(entries == static_cast<size_t>(product.total_files),
         "fTotalFiles counts every archive entry (" + std::to_string(entries) + ")");
  return product;
}

}  // namespace install_test
