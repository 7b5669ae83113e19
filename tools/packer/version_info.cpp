#include "tools/packer/version_info.h"

#include <algorithm>
#include <cctype>

#include "platform/encoding.h"

namespace packer {

namespace {

std::u16string Utf16(const std::string& utf8) {
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (i + length > utf8.size()) break;
    uint32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (int k = 1; k < length; ++k) c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += length;
  }
  return out;
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Pad4(std::vector<uint8_t>& out) {
  while (out.size() % 4) out.push_back(0);
}

// One node of the tree: length, value length, type, key, padding, value,
// padding, children. The length counts everything but the node's own
// trailing padding; value_length counts characters for text, bytes else.
std::vector<uint8_t> Node(const std::u16string& key, const std::vector<uint8_t>& value, uint16_t value_length,
                          bool text, const std::vector<std::vector<uint8_t>>& children) {
  std::vector<uint8_t> out(6, 0);
  for (char16_t c : key) Put16(out, c);
  Put16(out, 0);
  Pad4(out);
  out.insert(out.end(), value.begin(), value.end());
  for (const auto& child : children) {
    Pad4(out);
    out.insert(out.end(), child.begin(), child.end());
  }
  out[0] = static_cast<uint8_t>(out.size());
  out[1] = static_cast<uint8_t>(out.size() >> 8);
  out[2] = static_cast<uint8_t>(value_length);
  out[3] = static_cast<uint8_t>(value_length >> 8);
  out[4] = text ? 1 : 0;
  return out;
}

}  // namespace

std::array<uint16_t, 4> VersionNumbers(const std::string& text) {
  std::array<uint16_t, 4> parts{};
  size_t count = 0;
  for (size_t i = 0; i < text.size() && count < 4;) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    uint32_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
      value = std::min<uint32_t>(value * 10 + static_cast<uint32_t>(text[i] - '0'), 0xFFFF);
    parts[count++] = static_cast<uint16_t>(value);
  }
  return parts;
}

VersionInfo InstallerVersionInfo(const std::string& app_name, const std::string& company, const std::string& version) {
  VersionInfo info;
  info.version = VersionNumbers(version);
  const std::string name = platform::GbkToUtf8(app_name), maker = platform::GbkToUtf8(company);
  const std::string numbers = std::to_string(info.version[0]) + "." + std::to_string(info.version[1]) + "." +
                              std::to_string(info.version[2]) + "." + std::to_string(info.version[3]);
  info.strings = {
      {"CompanyName", maker},
      {"FileDescription", name + " \xE5\xAE\x89\xE8\xA3\x85\xE7\xA8\x8B\xE5\xBA\x8F"},  // "安装程序" in UTF-8
      {"FileVersion", numbers},
      {"InternalName", "DIzavozi"},
      {"LegalCopyright", "\xC2\xA9 " + maker},  // "©"
      {"OriginalFilename", "DIzavozi.exe"},
      {"ProductName", name},
      {"ProductVersion", platform::GbkToUtf8(version)},
  };
  return info;
}

std::vector<uint8_t> WriteVersionInfo(const VersionInfo& info) {
  std::vector<uint8_t> fixed;
  const uint32_t high = static_cast<uint32_t>(info.version[0]) << 16 | info.version[1];
  const uint32_t low = static_cast<uint32_t>(info.version[2]) << 16 | info.version[3];
  for (uint32_t v : {0xFEEF04BDu, 0x00010000u, high, low, high, low, 0x3Fu, 0u, 0x40004u /* VOS_NT_WINDOWS32 */,
                     1u /* VFT_APP */, 0u, 0u, 0u})
    Put32(fixed, v);

  std::vector<std::vector<uint8_t>> strings;
  for (const auto& [key, value] : info.strings) {
    std::vector<uint8_t> bytes;
    const std::u16string wide = Utf16(value);
    for (char16_t c : wide) Put16(bytes, c);
    Put16(bytes, 0);
    strings.push_back(Node(Utf16(key), bytes, static_cast<uint16_t>(wide.size() + 1), true, {}));
  }
  const auto table = Node(u"080404B0", {}, 0, true, strings);
  const auto string_info = Node(u"StringFileInfo", {}, 0, true, {table});
  std::vector<uint8_t> translation;
  Put16(translation, 0x0804);
  Put16(translation, 1200);
  const auto var = Node(u"Translation", translation, 4, false, {});
  const auto var_info = Node(u"VarFileInfo", {}, 0, true, {var});
  return Node(u"VS_VERSION_INFO", fixed, static_cast<uint16_t>(fixed.size()), false, {string_info, var_info});
}

}  // namespace packer
