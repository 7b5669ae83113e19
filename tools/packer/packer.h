// The vendor's packer: turns the product folder (one sub-folder per payload
// type) and the manifest source into the installer's payload archives
// C0, C1, ..., its manifest CEND and the payload checks CCRC (each archive's
// size and CRC-32 as written).
//
// The payloads are the [FileType] keys C0, C1, ... of the manifest in order
// (the first missing key ends them); payload n packs every file below
// product/<type word>/, names relative to that folder. The manifest written
// is the source with [InstallFiles] FileCount (the payloads packed) and
// fTotalFiles (their entries) computed; every other byte is kept.
//
// Everything is checked before anything is written (folders, names, sizes,
// counts, readable files); a failure while writing removes every file this
// run wrote, so the output folder never holds a partial set.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/packer/zip_writer.h"

namespace packer {

struct PackOptions {
  std::string product_folder;  // platform path, ending in a backslash or not
  std::string manifest;        // the manifest source's bytes (GBK INI)
  std::string output_folder;   // gets C0, C1, ..., CEND and CCRC
  std::string password;        // GBK bytes
  int level = 6;               // zlib level
  // Files packed from another path than the product's: "<type>/<name>" (as
  // the archive names it) to the path whose bytes go in instead, such as the
  // signed copy of the uninstaller. Name, time and attributes stay the
  // product file's.
  std::vector<std::pair<std::string, std::string>> substitutes;
  // Where the packer says what it packs; progress lines start with "\r".
  std::function<void(const std::string& line)> report;
};

struct PackedPayload {
  std::string name, type;  // "C0", "LumoSc"
  std::vector<WrittenEntry> entries;
  uint64_t bytes = 0, archive_bytes = 0;
};

struct PackResult {
  std::vector<PackedPayload> payloads;
  int total_files = 0;
  std::string manifest;  // as written to CEND
  std::string checks;    // the payload checks, as written to CCRC
};

// The files of one payload folder, sorted by name (bytewise), with the
// attributes and times the archive keeps. Raises PackError for a missing
// folder, a name the archive cannot carry ("?" stands for a character GBK
// cannot hold), a file over 4 GiB and more than 65535 files.
struct SourceFile {
  std::string name;  // relative, "/" between folders
  std::string path;  // platform path
  uint64_t size = 0;
  uint32_t attributes = 0;
  platform::LocalDateTime time;
};
std::vector<SourceFile> ListPayloadFolder(const std::string& folder);

// Raises PackError with a message that names what is wrong.
PackResult Pack(const PackOptions& options);

}  // namespace packer
