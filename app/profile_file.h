// The installer's profile (INI) files: the manifest copy "cRc.in" and the
// installed manifest "Install.in". Read and written by the program itself, by
// the rules of the Windows profile-file services, on every platform.
//
// Format: lines end with CR LF, LF or CR; "[name]" starts a section (the name
// runs to the line's last "]"; a line opening with "[" and no "]" is an
// ordinary line of the section above); other lines are "key=value". Section
// and key names match without regard to case (single-byte letters only; GBK
// double-byte characters match exactly). Only the first section of a name is
// used, a later one of the same name is never read or written, and in it
// the first key of a name.
//
// Reading: the value is the text after the first "=", without blanks (spaces
// and tabs) at either end; a value enclosed in one pair of matching quotation
// marks (" or ') loses them; a value is cut to 2047 bytes. A missing file,
// section or key gives the default, and so does a key line without "=". A
// line starting with ";" is a comment.
//
// Writing goes to the file at once: the key's line is replaced in place, or a
// new "key=value" line is added after the section's last line of content, or
// the section is appended at the end of the file. Every other byte of the
// file stays as it was; lines written are ended with CR LF. Bytes are kept as
// they are (GBK).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace app {

class ProfileFile {
 public:
  static constexpr size_t kMaxValueLength = 2047;
  // Files longer than this are not read as profiles (reads give defaults,
  // writes fail): the installer's profiles are a few hundred bytes.
  static constexpr int64_t kMaxFileSize = 16 * 1024 * 1024;

  explicit ProfileFile(std::string path) : path_(std::move(path)) {}
  const std::string& Path() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key, const std::string& default_value) const;
  // Decimal with optional leading blanks and sign, or hexadecimal after
  // "0x", "0X" or "$" (up to 32 bits, taken as a signed value); anything else,
  // and a value out of the 32-bit range, gives the default.
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t default_value) const;

  // Raises platform::FileCreateError or platform::StreamWriteError when the
  // file cannot be written, and std::invalid_argument for a section, key or
  // value that would change the file's structure (line breaks, "]" in a
  // section name, "=" in a key, an empty section or key name).
  void WriteString(const std::string& section, const std::string& key, const std::string& value);

 private:
  std::string path_;
};

// The integer rule of ReadInteger on its own, for a value already read.
int32_t ParseProfileInteger(const std::string& value, int32_t default_value);

// The rules above on a profile's bytes, without the file: the value of a key
// (nullopt when the section or key is missing), and the bytes with one value
// written (raises std::invalid_argument as WriteString does).
std::optional<std::string> FindProfileValue(const std::string& bytes, const std::string& section,
                                            const std::string& key);
void SetProfileValue(std::string& bytes, const std::string& section, const std::string& key,
                     const std::string& value);

}  // namespace app
