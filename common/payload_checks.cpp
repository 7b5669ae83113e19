#include "common/payload_checks.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace payload_checks {

namespace {

constexpr char kTag[4] = {'D', 'Z', 'P', 'C'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 12, kRecordSize = 12;

void Put(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

uint64_t Get(std::string_view in, size_t at, int bytes) {
  uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= uint64_t{static_cast<unsigned char>(in[at + i])} << (8 * i);
  return value;
}

}  // namespace

std::string Write(const std::vector<Check>& checks) {
  std::string out(kTag, sizeof kTag);
  Put(out, kVersion, 4);
  Put(out, checks.size(), 4);
  for (const Check& check : checks) {
    Put(out, check.size, 8);
    Put(out, check.crc32, 4);
  }
  return out;
}

std::optional<std::vector<Check>> Parse(std::string_view bytes, std::string* error) {
  auto fail = [&](const char* why) -> std::optional<std::vector<Check>> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kTag, sizeof kTag) != 0)
    return fail("not payload checks (no DZPC tag)");
  if (Get(bytes, 4, 4) != kVersion) return fail("payload checks of an unknown format version");
  const uint64_t count = Get(bytes, 8, 4);
  if (count > kMaxPayloads) return fail("payload checks of more than 1000 payloads");
  if (bytes.size() != kHeaderSize + count * kRecordSize) return fail("payload checks whose length is not their count's");
  std::vector<Check> checks;
  for (size_t i = 0; i < count; ++i) {
    const size_t at = kHeaderSize + i * kRecordSize;
    checks.push_back({Get(bytes, at, 8), static_cast<uint32_t>(Get(bytes, at + 8, 4))});
  }
  return checks;
}

void Running::Update(const void* data, size_t size) {
  const auto* bytes = static_cast<const Bytef*>(data);
  size_ += size;
  // zlib takes at most a uInt at a time.
  while (size > 0) {
    const uInt piece = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
    crc_ = static_cast<uint32_t>(crc32(crc_, bytes, piece));
    bytes += piece;
    size -= piece;
  }
}

std::optional<size_t> FirstMismatch(const std::vector<Check>& carried, const std::vector<Check>& measured) {
  const size_t common = std::min(carried.size(), measured.size());
  for (size_t i = 0; i < common; ++i)
    if (!(carried[i] == measured[i])) return i;
  if (carried.size() != measured.size()) return common;
  return std::nullopt;
}

}  // namespace payload_checks
