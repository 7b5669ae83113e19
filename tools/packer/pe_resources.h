// PE resources without the Windows API: reads the resource tree of a PE32 or
// PE32+ image and writes a copy of the image with resources added or
// replaced. The packer uses it to put the payloads, the manifest, the payload
// checks and the version information into a copy of the installer's stub, on
// the build machine as well as on Windows.
//
// Where the new resources go: the stub's sections are left where they are and
// byte for byte as they are; one new last section holds the whole new
// resource tree with the data of every resource, the stub's own (pictures,
// skin, icon, manifest: copied byte for byte) and the added ones, and the
// resource data directory is pointed at it. MinGW puts .reloc and the debug
// sections after .rsrc; moving them would mean rewriting the debug directory
// and every file offset that points past .rsrc, for no gain: a new last
// section needs none of that. The stub's resource section stays behind as
// dead bytes (about 100 KB), renamed ".rsrc0"; the new one is named ".rsrc".
// Windows finds the resources through the data directory alone, but other
// readers (7-Zip) look for the section named ".rsrc" and read the data only
// from within it, hence the copies and the names.
//
// The result keeps the stub's alignments, which must be equal (so Windows
// maps the resources from the file instead of reading them at load), and gets
// its PE checksum set.
//
// The image is untrusted input: every offset and size is checked against the
// file before it is used; an image over kMaxImageSize is refused before it is
// read; the tree is walked to its three levels only.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace pe {

class PeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr uint64_t kMaxImageSize = 1ull << 30;  // 1 GiB
inline constexpr uint16_t kLanguageChinesePrc = 2052;
inline constexpr uint16_t kTypeVersion = 16;   // RT_VERSION
inline constexpr uint16_t kTypeManifest = 24;  // RT_MANIFEST

// A resource type or name: a number, or a text (UTF-16 as stored; the
// packer's names are ASCII).
struct ResourceId {
  bool is_name = false;
  uint16_t number = 0;
  std::u16string name;

  static ResourceId Number(uint16_t number);
  static ResourceId Name(std::string_view ascii);
  bool operator==(const ResourceId&) const = default;
  std::string Text() const;  // "#16" or the name (ASCII; '?' for others)
};

// Windows' order of entries in one directory: names first, compared without
// regard to ASCII case, then numbers ascending.
bool ResourceIdLess(const ResourceId& a, const ResourceId& b);

struct Resource {
  ResourceId type, name;
  uint16_t language = 0;
  uint32_t rva = 0, size = 0, codepage = 0;
};

struct NewResource {
  ResourceId type, name;
  uint16_t language = kLanguageChinesePrc;
  std::span<const uint8_t> bytes;  // must outlive the write
};

class Image {
 public:
  // Parses the headers, the sections and the resource tree. Raises PeError
  // naming what is wrong: not a PE file, no resource section, an entry that
  // points outside the file, a signature (Authenticode) present.
  explicit Image(std::vector<uint8_t> bytes);

  bool Pe32Plus() const { return pe32_plus_; }
  uint32_t FileAlignment() const { return file_alignment_; }
  uint32_t SectionAlignment() const { return section_alignment_; }
  const std::vector<Resource>& Resources() const { return resources_; }
  const Resource* Find(const ResourceId& type, const ResourceId& name, uint16_t language) const;
  // The bytes of a resource in the file (checked when parsed).
  std::span<const uint8_t> Bytes(const Resource& resource) const;

  // The image with the given resources added (one of the same type, name and
  // language is replaced), as laid out in the header comment, checksum set.
  // Raises PeError when the headers have no room for one more section header,
  // when the alignments differ or the result would not fit a PE image.
  std::vector<uint8_t> WithResources(const std::vector<NewResource>& added) const;

 private:
  uint32_t RvaToOffset(uint32_t rva, uint32_t size) const;  // throws
  // Walks the table at table_at (from the tree's start at base_offset, span
  // bytes of which lie in the file); path holds the levels above.
  void ParseDirectory(uint32_t span, uint32_t base_offset, uint32_t table_at, int level, const Resource& path);

  std::vector<uint8_t> bytes_;
  bool pe32_plus_ = false;
  uint32_t pe_offset_ = 0, optional_offset_ = 0, section_table_ = 0;
  uint16_t section_count_ = 0;
  uint32_t file_alignment_ = 0, section_alignment_ = 0;
  uint32_t directories_offset_ = 0;
  struct Section {
    char name[9] = {};
    uint32_t virtual_address, virtual_size, raw_offset, raw_size;
  };
  std::vector<Section> sections_;
  std::vector<Resource> resources_;
  size_t resource_section_ = 0;  // the section that holds the tree
  uint32_t entries_seen_ = 0;
};

// The PE checksum of a file whose checksum field lies at checksum_offset
// (that field counts as zero).
uint32_t PeChecksum(std::span<const uint8_t> file, size_t checksum_offset);

}  // namespace pe
