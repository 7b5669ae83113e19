#include "tools/packer/pe_resources.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace pe {

namespace {

// Offsets in the headers (the same in PE32 and PE32+ unless two are given).
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kMaxSections = 96;  // the loader's own limit
constexpr uint32_t kMaxResources = 1u << 16;
constexpr uint32_t kDirectoryResource = 2, kDirectorySecurity = 4;
constexpr uint32_t kNewSectionCharacteristics = 0x40000040;  // initialised data, readable
constexpr char kNewSectionName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
constexpr char kOldSectionName[8] = {'.', 'r', 's', 'r', 'c', '0', 0, 0};

uint16_t Get16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 | static_cast<uint32_t>(b[at + 2]) << 16 |
         static_cast<uint32_t>(b[at + 3]) << 24;
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint64_t AlignUp(uint64_t value, uint32_t alignment) { return (value + alignment - 1) / alignment * alignment; }

char16_t UpperAscii16(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

}  // namespace

ResourceId ResourceId::Number(uint16_t number) {
  ResourceId id;
  id.number = number;
  return id;
}

ResourceId ResourceId::Name(std::string_view ascii) {
  ResourceId id;
  id.is_name = true;
  for (char c : ascii) id.name.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return id;
}

std::string ResourceId::Text() const {
  if (!is_name) return "#" + std::to_string(number);
  std::string text;
  for (char16_t c : name) text.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
  return text;
}

bool ResourceIdLess(const ResourceId& a, const ResourceId& b) {
  if (a.is_name != b.is_name) return a.is_name;
  if (!a.is_name) return a.number < b.number;
  return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                      [](char16_t x, char16_t y) { return UpperAscii16(x) < UpperAscii16(y); });
}

Image::Image(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
  const uint64_t size = bytes_.size();
  if (size > kMaxImageSize) throw PeError("more than 1 GiB, not a program the packer takes");
  if (size < 64 || bytes_[0] != 'M' || bytes_[1] != 'Z') throw PeError("not a PE file (no MZ header)");
  pe_offset_ = Get32(bytes_, 0x3C);
  if (uint64_t{pe_offset_} + 24 > size || std::memcmp(&bytes_[pe_offset_], "PE\0\0", 4) != 0)
    throw PeError("not a PE file (no PE signature)");
  section_count_ = Get16(bytes_, pe_offset_ + 6);
  const uint16_t optional_size = Get16(bytes_, pe_offset_ + 20);
  optional_offset_ = pe_offset_ + 24;
  if (uint64_t{optional_offset_} + optional_size > size || optional_size < 2)
    throw PeError("not a PE file (the optional header is cut off)");
  const uint16_t magic = Get16(bytes_, optional_offset_);
  if (magic == 0x10B) {
    pe32_plus_ = false;
  } else if (magic == 0x20B) {
    pe32_plus_ = true;
  } else {
    throw PeError("not a PE32 or PE32+ image (optional header magic " + std::to_string(magic) + ")");
  }
  const uint32_t count_field = pe32_plus_ ? 108 : 92;
  directories_offset_ = optional_offset_ + (pe32_plus_ ? 112 : 96);
  if (optional_size < count_field + 4) throw PeError("not a PE file (the optional header is too short)");
  const uint32_t directory_count = Get32(bytes_, optional_offset_ + count_field);
  if (directory_count < kDirectorySecurity + 1 ||
      uint64_t{directories_offset_} + 8ull * (kDirectorySecurity + 1) > uint64_t{optional_offset_} + optional_size)
    throw PeError("not a PE file (too few data directories)");
  section_alignment_ = Get32(bytes_, optional_offset_ + 32);
  file_alignment_ = Get32(bytes_, optional_offset_ + 36);
  if (file_alignment_ == 0 || section_alignment_ == 0 || (file_alignment_ & (file_alignment_ - 1)) != 0 ||
      (section_alignment_ & (section_alignment_ - 1)) != 0 || file_alignment_ > 0x10000)
    throw PeError("not a PE file (alignments that are not powers of two, or a file alignment over 64 KiB)");

  section_table_ = optional_offset_ + optional_size;
  if (section_count_ == 0 || section_count_ > kMaxSections ||
      uint64_t{section_table_} + uint64_t{kSectionHeaderSize} * section_count_ > size)
    throw PeError("not a PE file (section table cut off or of " + std::to_string(section_count_) + " sections)");
  for (uint32_t i = 0; i < section_count_; ++i) {
    const uint32_t at = section_table_ + i * kSectionHeaderSize;
    Section section;
    std::memcpy(section.name, &bytes_[at], 8);
    section.virtual_size = Get32(bytes_, at + 8);
    section.virtual_address = Get32(bytes_, at + 12);
    section.raw_size = Get32(bytes_, at + 16);
    section.raw_offset = Get32(bytes_, at + 20);
    if (section.raw_size && uint64_t{section.raw_offset} + section.raw_size > size)
      throw PeError(std::string("section ") + section.name + " lies beyond the end of the file");
    sections_.push_back(section);
  }

  const uint32_t security_offset = directories_offset_ + 8 * kDirectorySecurity;
  if (Get32(bytes_, security_offset) != 0 || Get32(bytes_, security_offset + 4) != 0)
    throw PeError("already signed (it carries an Authenticode signature); give the unsigned stub");

  const uint32_t resource_rva = Get32(bytes_, directories_offset_ + 8 * kDirectoryResource);
  const uint32_t resource_size = Get32(bytes_, directories_offset_ + 8 * kDirectoryResource + 4);
  if (resource_rva == 0 || resource_size == 0) throw PeError("has no resource section");
  // The tree may point anywhere into the section that holds it.
  const Section* home = nullptr;
  for (size_t i = 0; i < sections_.size(); ++i) {
    const Section& section = sections_[i];
    if (resource_rva >= section.virtual_address && resource_rva - section.virtual_address < section.raw_size) {
      home = &section;
      resource_section_ = i;
    }
  }
  if (!home) throw PeError("the resource directory lies outside every section's bytes");
  const uint32_t base_offset = home->raw_offset + (resource_rva - home->virtual_address);
  const uint32_t span = home->raw_size - (resource_rva - home->virtual_address);
  ParseDirectory(span, base_offset, 0, 0, Resource{});
}

uint32_t Image::RvaToOffset(uint32_t rva, uint32_t size) const {
  for (const Section& section : sections_) {
    if (rva < section.virtual_address) continue;
    const uint64_t inside = rva - section.virtual_address;
    if (inside + size <= section.raw_size) return static_cast<uint32_t>(section.raw_offset + inside);
  }
  throw PeError("a resource's data lies outside the file (RVA " + std::to_string(rva) + ", " + std::to_string(size) +
                " bytes)");
}

void Image::ParseDirectory(uint32_t span, uint32_t base_offset, uint32_t table_at, int level, const Resource& path) {
  const uint32_t table = base_offset + table_at;
  if (uint64_t{table_at} + 16 > span) throw PeError("a resource directory lies outside the resource section");
  const uint32_t named = Get16(bytes_, table + 12), numbered = Get16(bytes_, table + 14);
  const uint64_t count = uint64_t{named} + numbered;
  if (uint64_t{table_at} + 16 + 8 * count > span)
    throw PeError("a resource directory's entries lie outside the resource section");
  for (uint32_t i = 0; i < count; ++i) {
    if (++entries_seen_ > kMaxResources) throw PeError("more than 65536 resource entries");
    const uint32_t entry = table + 16 + 8 * i;
    const uint32_t name_field = Get32(bytes_, entry), data_field = Get32(bytes_, entry + 4);
    ResourceId id;
    if (name_field & 0x80000000u) {
      const uint32_t at = name_field & 0x7FFFFFFFu;
      if (uint64_t{at} + 2 > span) throw PeError("a resource name lies outside the resource section");
      const uint16_t length = Get16(bytes_, base_offset + at);
      if (uint64_t{at} + 2 + 2ull * length > span) throw PeError("a resource name lies outside the resource section");
      id.is_name = true;
      for (uint32_t c = 0; c < length; ++c) id.name.push_back(static_cast<char16_t>(Get16(bytes_, base_offset + at + 2 + 2 * c)));
    } else {
      if (name_field > 0xFFFF) throw PeError("a resource number over 65535");
      id.number = static_cast<uint16_t>(name_field);
    }
    Resource here = path;
    if (level == 0) here.type = id;
    if (level == 1) here.name = id;
    if (level == 2) {
      if (id.is_name) throw PeError("a resource language given as a name");
      here.language = id.number;
    }
    const uint32_t target = data_field & 0x7FFFFFFFu;
    if (data_field & 0x80000000u) {
      if (level == 2) throw PeError("a resource tree deeper than type, name and language");
      ParseDirectory(span, base_offset, target, level + 1, here);
      continue;
    }
    if (level != 2) throw PeError("a resource tree shallower than type, name and language");
    if (uint64_t{target} + 16 > span) throw PeError("a resource data entry lies outside the resource section");
    here.rva = Get32(bytes_, base_offset + target);
    here.size = Get32(bytes_, base_offset + target + 4);
    here.codepage = Get32(bytes_, base_offset + target + 8);
    RvaToOffset(here.rva, here.size);
    resources_.push_back(here);
  }
}

const Resource* Image::Find(const ResourceId& type, const ResourceId& name, uint16_t language) const {
  for (const Resource& resource : resources_)
    if (resource.type == type && resource.name == name && resource.language == language) return &resource;
  return nullptr;
}

std::span<const uint8_t> Image::Bytes(const Resource& resource) const {
  return {bytes_.data() + RvaToOffset(resource.rva, resource.size), resource.size};
}

std::vector<uint8_t> Image::WithResources(const std::vector<NewResource>& added) const {
  if (file_alignment_ != section_alignment_)
    throw PeError("file alignment " + std::to_string(file_alignment_) + " differs from section alignment " +
                  std::to_string(section_alignment_) +
                  ": Windows would read the resources into memory at start instead of mapping them (link the stub "
                  "with equal alignments)");
  const uint32_t header_end = section_table_ + kSectionHeaderSize * (section_count_ + 1u);
  uint64_t first_raw = Get32(bytes_, optional_offset_ + 60);  // SizeOfHeaders
  for (const Section& section : sections_)
    if (section.raw_size) first_raw = std::min<uint64_t>(first_raw, section.raw_offset);
  if (header_end > first_raw || section_count_ + 1u > kMaxSections)
    throw PeError("the headers have no room for one more section header");

  // The merged tree: type -> name -> language -> leaf.
  struct Leaf {
    uint32_t codepage = 0;
    std::span<const uint8_t> bytes;
  };
  auto less = [](const ResourceId& a, const ResourceId& b) { return ResourceIdLess(a, b); };
  using Languages = std::map<uint16_t, Leaf>;
  using Names = std::map<ResourceId, Languages, decltype(less)>;
  std::map<ResourceId, Names, decltype(less)> tree(less);
  for (const Resource& resource : resources_) {
    Names& names = tree.try_emplace(resource.type, less).first->second;
    names[resource.name][resource.language] = Leaf{resource.codepage, Bytes(resource)};
  }
  for (const NewResource& resource : added) {
    if (resource.bytes.size() > 0xFFFFFFFFu) throw PeError("a resource over 4 GiB");
    Names& names = tree.try_emplace(resource.type, less).first->second;
    names[resource.name][resource.language] = Leaf{0, resource.bytes};
  }

  // Layout of the new section: every directory table (types, then each
  // type's names, then each name's languages), the data entries, the name
  // strings, then every resource's data, each 8-byte aligned.
  uint64_t directories = 16 + 8 * tree.size();
  uint64_t leaves = 0, strings = 0;
  std::map<std::u16string, uint32_t> string_at;
  auto count_string = [&](const ResourceId& id) {
    if (id.is_name && string_at.emplace(id.name, 0).second) strings += 2 + 2 * id.name.size();
  };
  for (const auto& [type, names] : tree) {
    count_string(type);
    directories += 16 + 8 * names.size();
    for (const auto& [name, languages] : names) {
      count_string(name);
      directories += 16 + 8 * languages.size();
      leaves += languages.size();
    }
  }
  const uint64_t leaves_at = directories;
  const uint64_t strings_at = leaves_at + 16 * leaves;
  uint64_t data_at = AlignUp(strings_at + strings, 8);
  uint64_t end = data_at;
  for (const auto& [type, names] : tree)
    for (const auto& [name, languages] : names)
      for (const auto& [language, leaf] : languages) end = AlignUp(end + leaf.bytes.size(), 8);

  uint64_t virtual_end = 0, raw_end = bytes_.size();
  for (const Section& section : sections_) {
    virtual_end = std::max<uint64_t>(virtual_end, uint64_t{section.virtual_address} +
                                                      std::max(section.virtual_size, section.raw_size));
    if (section.raw_size) raw_end = std::max<uint64_t>(raw_end, uint64_t{section.raw_offset} + section.raw_size);
  }
  const uint64_t new_rva = AlignUp(virtual_end, section_alignment_);
  const uint64_t new_offset = AlignUp(raw_end, file_alignment_);
  const uint64_t raw_size = AlignUp(end, file_alignment_);
  const uint64_t image_size = AlignUp(new_rva + end, section_alignment_);
  if (image_size > 0xFFFFFFFFu || new_offset + raw_size > 0xFFFFFFFFu)
    throw PeError("the installer would exceed 4 GiB, more than a PE image holds");

  std::vector<uint8_t> out(new_offset + raw_size, 0);
  std::copy(bytes_.begin(), bytes_.end(), out.begin());
  const size_t section_base = static_cast<size_t>(new_offset);
  const uint32_t rva = static_cast<uint32_t>(new_rva);

  // Strings.
  uint64_t next_string = strings_at;
  for (auto& [text, at] : string_at) {
    at = static_cast<uint32_t>(next_string);
    Put16(out, section_base + next_string, static_cast<uint16_t>(text.size()));
    for (size_t c = 0; c < text.size(); ++c) Put16(out, section_base + next_string + 2 + 2 * c, text[c]);
    next_string += 2 + 2 * text.size();
  }
  auto write_table = [&](uint64_t at, size_t named, size_t numbered) {
    Put16(out, section_base + at + 12, static_cast<uint16_t>(named));
    Put16(out, section_base + at + 14, static_cast<uint16_t>(numbered));
  };
  auto write_entry = [&](uint64_t at, const ResourceId& id, uint64_t target, bool subdirectory) {
    Put32(out, section_base + at, id.is_name ? (0x80000000u | string_at.at(id.name)) : id.number);
    Put32(out, section_base + at + 4, static_cast<uint32_t>(target) | (subdirectory ? 0x80000000u : 0));
  };
  auto split = [](const auto& map) {
    size_t named = 0;
    for (const auto& item : map) named += item.first.is_name ? 1 : 0;
    return std::pair<size_t, size_t>{named, map.size() - named};
  };

  uint64_t next_table = 16 + 8 * tree.size();
  uint64_t next_leaf = leaves_at;
  uint64_t next_data = data_at;
  auto [type_named, type_numbered] = split(tree);
  write_table(0, type_named, type_numbered);
  // Name tables right after the type table, then language tables: assign the
  // name tables first so the order is breadth-first.
  std::vector<uint64_t> name_tables;
  size_t type_index = 0;
  for (const auto& [type, names] : tree) {
    name_tables.push_back(next_table);
    write_entry(16 + 8 * type_index++, type, next_table, true);
    next_table += 16 + 8 * names.size();
  }
  size_t table_index = 0;
  for (const auto& [type, names] : tree) {
    const uint64_t names_at = name_tables[table_index++];
    auto [named, numbered] = split(names);
    write_table(names_at, named, numbered);
    size_t name_index = 0;
    for (const auto& [name, languages] : names) {
      const uint64_t languages_at = next_table;
      next_table += 16 + 8 * languages.size();
      write_entry(names_at + 16 + 8 * name_index++, name, languages_at, true);
      write_table(languages_at, 0, languages.size());
      size_t language_index = 0;
      for (const auto& [language, leaf] : languages) {
        write_entry(languages_at + 16 + 8 * language_index++, ResourceId::Number(language), next_leaf, false);
        std::copy(leaf.bytes.begin(), leaf.bytes.end(), out.begin() + static_cast<ptrdiff_t>(section_base + next_data));
        Put32(out, section_base + next_leaf, rva + static_cast<uint32_t>(next_data));
        Put32(out, section_base + next_leaf + 4, static_cast<uint32_t>(leaf.bytes.size()));
        Put32(out, section_base + next_leaf + 8, leaf.codepage);
        next_data = AlignUp(next_data + leaf.bytes.size(), 8);
        next_leaf += 16;
      }
    }
  }

  // The new section header and the headers it changes.
  const uint32_t header = section_table_ + kSectionHeaderSize * section_count_;
  std::fill(out.begin() + header, out.begin() + header + kSectionHeaderSize, 0);
  std::memcpy(&out[header], kNewSectionName, 8);
  Put32(out, header + 8, static_cast<uint32_t>(end));
  Put32(out, header + 12, rva);
  Put32(out, header + 16, static_cast<uint32_t>(raw_size));
  Put32(out, header + 20, static_cast<uint32_t>(new_offset));
  Put32(out, header + 36, kNewSectionCharacteristics);
  // Tools that find the resources by the section's name instead of the data
  // directory (7-Zip among them) find the new tree.
  const uint32_t old_header = section_table_ + kSectionHeaderSize * static_cast<uint32_t>(resource_section_);
  if (std::memcmp(&out[old_header], kNewSectionName, 8) == 0) std::memcpy(&out[old_header], kOldSectionName, 8);
  Put16(out, pe_offset_ + 6, static_cast<uint16_t>(section_count_ + 1));
  Put32(out, optional_offset_ + 8, static_cast<uint32_t>(Get32(out, optional_offset_ + 8) + raw_size));
  Put32(out, optional_offset_ + 56, static_cast<uint32_t>(image_size));
  Put32(out, directories_offset_ + 8 * kDirectoryResource, rva);
  Put32(out, directories_offset_ + 8 * kDirectoryResource + 4, static_cast<uint32_t>(end));
  Put32(out, optional_offset_ + 64, 0);
  Put32(out, optional_offset_ + 64, PeChecksum(out, optional_offset_ + 64));
  return out;
}

uint32_t PeChecksum(std::span<const uint8_t> file, size_t checksum_offset) {
  uint64_t sum = 0;
  const size_t size = file.size();
  auto byte = [&](size_t at) -> uint32_t {
    return at >= size || (at >= checksum_offset && at < checksum_offset + 4) ? 0 : file[at];
  };
  for (size_t at = 0; at < size; at += 2) {
    const uint32_t word = byte(at) | byte(at + 1) << 8;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + size);
}

}  // namespace pe
