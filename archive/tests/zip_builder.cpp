#include "archive/tests/zip_builder.h"

#include <zlib.h>

#include "archive/decoders/traditional_crypt.h"

namespace archive::testing {
namespace {

struct EntryFields {
  uint16_t flags;
  uint32_t crc, compressed_size, uncompressed_size;
};

EntryFields FieldsOf(const ZipEntryPlan& e, size_t payload_size) {
  EntryFields f;
  f.flags = static_cast<uint16_t>(e.flags | (e.password ? 0x0001 : 0) | (e.data_descriptor ? 0x0008 : 0));
  f.crc = e.declared_crc >= 0 ? static_cast<uint32_t>(e.declared_crc) : Crc32Of(e.data);
  f.compressed_size = e.declared_compressed_size >= 0 ? static_cast<uint32_t>(e.declared_compressed_size)
                                                      : static_cast<uint32_t>(payload_size);
  f.uncompressed_size =
      e.declared_size >= 0 ? static_cast<uint32_t>(e.declared_size) : static_cast<uint32_t>(e.data.size());
  return f;
}

std::string Descriptor(const EntryFields& f) {
  std::string d = "PK\x07\x08";
  AppendU32(d, f.crc);
  AppendU32(d, f.compressed_size);
  AppendU32(d, f.uncompressed_size);
  return d;
}

std::string LocalHeader(const ZipEntryPlan& e, const EntryFields& f) {
  std::string h;
  AppendU32(h, 0x04034B50);
  AppendU16(h, 20);
  AppendU16(h, f.flags);
  AppendU16(h, e.method);
  AppendU32(h, e.dos_date_time);
  // With a data descriptor the local header leaves CRC and sizes to it.
  AppendU32(h, e.data_descriptor ? 0 : f.crc);
  AppendU32(h, e.data_descriptor ? 0 : f.compressed_size);
  AppendU32(h, e.data_descriptor ? 0 : f.uncompressed_size);
  AppendU16(h, static_cast<uint16_t>(e.name.size()));
  AppendU16(h, static_cast<uint16_t>(e.local_extra.size()));
  return h + e.name + e.local_extra;
}

// Local header, data and (when planned) data descriptor of one entry.
std::string LocalPart(const ZipEntryPlan& e, EntryFields* fields) {
  const std::string payload = EntryPayload(e);
  *fields = FieldsOf(e, payload.size());
  return LocalHeader(e, *fields) + payload + (e.data_descriptor ? Descriptor(*fields) : std::string());
}

std::string CentralRecord(const ZipEntryPlan& e, const EntryFields& f, uint16_t disk, uint32_t offset) {
  std::string r;
  AppendU32(r, 0x02014B50);
  AppendU16(r, e.made_by);
  AppendU16(r, 20);
  AppendU16(r, f.flags);
  AppendU16(r, e.method);
  AppendU32(r, e.dos_date_time);
  AppendU32(r, f.crc);
  AppendU32(r, f.compressed_size);
  AppendU32(r, f.uncompressed_size);
  AppendU16(r, static_cast<uint16_t>(e.name.size()));
  AppendU16(r, static_cast<uint16_t>(e.central_extra_length_override >= 0 ? e.central_extra_length_override
                                                                          : e.central_extra.size()));
  AppendU16(r, static_cast<uint16_t>(e.comment.size()));
  AppendU16(r, static_cast<uint16_t>(e.disk_override >= 0 ? e.disk_override : disk));
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

std::string DeflateRaw(const std::string& data, int level) {
  z_stream s{};
  deflateInit2(&s, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&s, static_cast<uLong>(data.size())) + 16, '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = static_cast<uInt>(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

std::string EncryptWith(const std::string& password, const std::string& plain) {
  TraditionalKeys keys;
  keys.Init(password);
  std::string out;
  out.reserve(plain.size());
  for (char c : plain) {
    out.push_back(static_cast<char>(static_cast<uint8_t>(c) ^ keys.StreamByte()));
    keys.Update(static_cast<uint8_t>(c));
  }
  return out;
}

std::string EntryPayload(const ZipEntryPlan& e) {
  std::string payload = e.raw ? *e.raw : e.method == 8 ? DeflateRaw(e.data) : e.data;
  if (!e.password) return payload;
  // Ten filler bytes, then the check bytes: the high bytes of the DOS time
  // with a data descriptor, else of the CRC.
  const uint32_t crc = e.declared_crc >= 0 ? static_cast<uint32_t>(e.declared_crc) : Crc32Of(e.data);
  const uint32_t check = e.data_descriptor ? e.dos_date_time & 0xFFFF : crc >> 16;
  std::string header = "0123456789";
  AppendU16(header, static_cast<uint16_t>(check));
  return EncryptWith(*e.password, header + payload);
}

std::string LocalHeaderOf(const ZipEntryPlan& e) { return LocalHeader(e, FieldsOf(e, EntryPayload(e).size())); }

void PutU16(std::string& out, size_t at, uint16_t value) {
  out[at] = static_cast<char>(value & 0xFF);
  out[at + 1] = static_cast<char>(value >> 8);
}

void PutU32(std::string& out, size_t at, uint32_t value) {
  PutU16(out, at, static_cast<uint16_t>(value & 0xFFFF));
  PutU16(out, at + 2, static_cast<uint16_t>(value >> 16));
}

void AppendU16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void AppendU32(std::string& out, uint32_t value) {
  AppendU16(out, static_cast<uint16_t>(value & 0xFFFF));
  AppendU16(out, static_cast<uint16_t>(value >> 16));
}

BuiltZip BuildZip(const ZipPlan& plan) {
  BuiltZip built;
  built.bytes = plan.prefix;
  std::vector<EntryFields> fields(plan.entries.size());
  for (size_t i = 0; i < plan.entries.size(); ++i) {
    built.local_offsets.push_back(static_cast<uint32_t>(built.bytes.size()));
    const std::string local = LocalPart(plan.entries[i], &fields[i]);
    if (!plan.entries[i].central_only) built.bytes += local;
  }
  built.central_offset = static_cast<uint32_t>(built.bytes.size());
  for (size_t i = 0; i < plan.entries.size(); ++i)
    built.bytes += CentralRecord(plan.entries[i], fields[i], 0, built.local_offsets[i]);
  built.end_offset = static_cast<uint32_t>(built.bytes.size());
  built.bytes += EndRecord(plan, 0, 0, static_cast<uint16_t>(plan.entries.size()),
                           built.end_offset - built.central_offset, built.central_offset);
  built.bytes += plan.trailer;
  return built;
}

std::string BuildZipBytes(const std::vector<ZipEntryPlan>& entries) { return BuildZip({.entries = entries}).bytes; }

std::vector<std::string> BuildSpannedZip(const ZipPlan& plan, size_t volume_size) {
  std::string all;
  std::vector<std::pair<uint16_t, uint32_t>> places;
  std::vector<EntryFields> fields(plan.entries.size());
  for (size_t i = 0; i < plan.entries.size(); ++i) {
    places.emplace_back(static_cast<uint16_t>(all.size() / volume_size), static_cast<uint32_t>(all.size() % volume_size));
    all += LocalPart(plan.entries[i], &fields[i]);
  }
  size_t cd_start = all.size();
  for (size_t i = 0; i < plan.entries.size(); ++i)
    all += CentralRecord(plan.entries[i], fields[i], places[i].first, places[i].second);
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
