#include "archive/tests/zip_builder.h"

#include <zlib.h>

namespace archive::testing {
namespace {

void AppendU16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}
void AppendU32(std::string& out, uint32_t v) {
  AppendU16(out, static_cast<uint16_t>(v & 0xFFFF));
  AppendU16(out, static_cast<uint16_t>(v >> 16));
}

std::string LocalHeader(const ZipEntryPlan& e) {
  std::string h;
  AppendU32(h, 0x04034B50);
  AppendU16(h, 20);
  AppendU16(h, e.flags);
  AppendU16(h, e.method);
  AppendU32(h, e.dos_date_time);
  AppendU32(h, Crc32Of(e.data));
  AppendU32(h, static_cast<uint32_t>(e.data.size()));
  AppendU32(h, static_cast<uint32_t>(e.data.size()));
  AppendU16(h, static_cast<uint16_t>(e.name.size()));
  AppendU16(h, static_cast<uint16_t>(e.local_extra.size()));
  return h + e.name + e.local_extra;
}

std::string CentralRecord(const ZipEntryPlan& e, uint16_t disk, uint32_t offset) {
  std::string r;
  AppendU32(r, 0x02014B50);
  AppendU16(r, e.made_by);
  AppendU16(r, 20);
  AppendU16(r, e.flags);
  AppendU16(r, e.method);
  AppendU32(r, e.dos_date_time);
  AppendU32(r, Crc32Of(e.data));
  AppendU32(r, static_cast<uint32_t>(e.data.size()));
  AppendU32(r, static_cast<uint32_t>(e.data.size()));
  AppendU16(r, static_cast<uint16_t>(e.name.size()));
  AppendU16(r, static_cast<uint16_t>(e.central_extra_length_override >= 0 ? e.central_extra_length_override
                                                                          : e.central_extra.size()));
  AppendU16(r, static_cast<uint16_t>(e.comment.size()));
  AppendU16(r, disk);
  AppendU16(r, 0);
  AppendU32(r, e.external_attributes);
  AppendU32(r, e.central_offset_override >= 0 ? static_cast<uint32_t>(e.central_offset_override) : offset);
  return r + e.name + e.central_extra + e.comment;
}

std::string EndRecord(const ZipPlan& plan, uint16_t this_disk, uint16_t start_disk, uint16_t entries_here,
                      uint32_t cd_size, uint32_t cd_offset) {
  std::string r;
  uint16_t total = static_cast<uint16_t>(plan.total_entries_override >= 0 ? plan.total_entries_override
                                                                          : plan.entries.size());
  AppendU32(r, 0x06054B50);
  AppendU16(r, static_cast<uint16_t>(plan.this_disk_override >= 0 ? plan.this_disk_override : this_disk));
  AppendU16(r, static_cast<uint16_t>(plan.start_disk_override >= 0 ? plan.start_disk_override : start_disk));
  AppendU16(r, plan.total_entries_override >= 0 ? total : entries_here);
  AppendU16(r, total);
  AppendU32(r, cd_size);
  AppendU32(r, plan.central_offset_override >= 0 ? static_cast<uint32_t>(plan.central_offset_override) : cd_offset);
  AppendU16(r, static_cast<uint16_t>(plan.comment.size()));
  return r + plan.comment;
}

}  // namespace

uint32_t Crc32Of(const std::string& data) {
  return static_cast<uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

void PutU16(std::string& out, size_t at, uint16_t value) {
  out[at] = static_cast<char>(value & 0xFF);
  out[at + 1] = static_cast<char>(value >> 8);
}

void PutU32(std::string& out, size_t at, uint32_t value) {
  PutU16(out, at, static_cast<uint16_t>(value & 0xFFFF));
  PutU16(out, at + 2, static_cast<uint16_t>(value >> 16));
}

BuiltZip BuildZip(const ZipPlan& plan) {
  BuiltZip built;
  built.bytes = plan.prefix;
  for (const auto& e : plan.entries) {
    built.local_offsets.push_back(static_cast<uint32_t>(built.bytes.size()));
    built.bytes += LocalHeader(e) + e.data;
  }
  built.central_offset = static_cast<uint32_t>(built.bytes.size());
  for (size_t i = 0; i < plan.entries.size(); ++i)
    built.bytes += CentralRecord(plan.entries[i], 0, built.local_offsets[i]);
  built.end_offset = static_cast<uint32_t>(built.bytes.size());
  built.bytes += EndRecord(plan, 0, 0, static_cast<uint16_t>(plan.entries.size()),
                           built.end_offset - built.central_offset, built.central_offset);
  built.bytes += plan.trailer;
  return built;
}

std::vector<std::string> BuildSpannedZip(const ZipPlan& plan, size_t volume_size) {
  std::string all;
  std::vector<std::pair<uint16_t, uint32_t>> places;
  for (const auto& e : plan.entries) {
    places.emplace_back(static_cast<uint16_t>(all.size() / volume_size), static_cast<uint32_t>(all.size() % volume_size));
    all += LocalHeader(e) + e.data;
  }
  size_t cd_start = all.size();
  for (size_t i = 0; i < plan.entries.size(); ++i)
    all += CentralRecord(plan.entries[i], places[i].first, places[i].second);
  size_t cd_size = all.size() - cd_start;
  uint16_t last = static_cast<uint16_t>(all.size() / volume_size);
  all += EndRecord(plan, last, static_cast<uint16_t>(cd_start / volume_size), static_cast<uint16_t>(plan.entries.size()),
                   static_cast<uint32_t>(cd_size), static_cast<uint32_t>(cd_start % volume_size));
  std::vector<std::string> volumes;
  for (uint16_t d = 0; d < last; ++d) volumes.push_back(all.substr(d * volume_size, volume_size));
  volumes.push_back(all.substr(static_cast<size_t>(last) * volume_size));
  return volumes;
}

}  // namespace archive::testing
