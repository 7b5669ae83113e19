// The single-thread floor of encrypted deflate extraction: the least work any
// extractor must do for the benchmark corpus, with nothing around it. For
// every entry of the archives named on the command line: read the compressed
// bytes in 32768-byte blocks, decrypt them (traditional cipher), inflate them
// with zlib's raw inflate (stored entries are copied), run zlib's crc32 over the output and write it in
// 8192-byte writes to a file below OUTPUT. No events, no policies, no
// attributes or times. Used by bench_extract.py; not a test.
//
//   extract_floor PASSWORD_HEX OUTPUT ARCHIVE...
//
// Exits 1 on any CRC mismatch or unreadable archive.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "archive/decoders/traditional_crypt.h"

namespace {

uint32_t U16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t U32(const uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }

bool ReadAt(int fd, int64_t offset, void* buffer, size_t n) {
  return pread(fd, buffer, n, offset) == static_cast<ssize_t>(n);
}

void MakeParents(const std::string& path) {
  for (size_t i = 1; i < path.size(); ++i)
    if (path[i] == '/') mkdir(path.substr(0, i).c_str(), 0777);
}

class Writer {
 public:
  explicit Writer(int fd) : fd_(fd) {}
  bool Put(const uint8_t* data, size_t n) {
    while (n > 0) {
      size_t take = std::min(n, sizeof buffer_ - used_);
      std::memcpy(buffer_ + used_, data, take);
      used_ += take;
      data += take;
      n -= take;
      if (used_ == sizeof buffer_ && !Flush()) return false;
    }
    return true;
  }
  bool Flush() {
    if (used_ && write(fd_, buffer_, used_) != static_cast<ssize_t>(used_)) return false;
    used_ = 0;
    return true;
  }

 private:
  int fd_;
  uint8_t buffer_[8192];
  size_t used_ = 0;
};

bool ExtractArchive(const char* path, const std::string& password, const std::string& output) {
  int fd = open(path, O_RDONLY);
  if (fd < 0) return false;
  struct stat st;
  fstat(fd, &st);
  int64_t size = st.st_size;
  size_t tail_size = static_cast<size_t>(std::min<int64_t>(size, 65557));
  std::vector<uint8_t> tail(tail_size);
  if (!ReadAt(fd, size - static_cast<int64_t>(tail_size), tail.data(), tail_size)) return false;
  int64_t end = -1;
  for (int64_t i = static_cast<int64_t>(tail_size) - 22; i >= 0; --i)
    if (U32(&tail[static_cast<size_t>(i)]) == 0x06054B50) {
      end = i;
      break;
    }
  if (end < 0) return false;
  const uint8_t* e = &tail[static_cast<size_t>(end)];
  uint32_t count = U16(e + 10), cd_size = U32(e + 12), cd_offset = U32(e + 16);
  std::vector<uint8_t> cd(cd_size);
  if (!ReadAt(fd, cd_offset, cd.data(), cd_size)) return false;

  static uint8_t in[32768], out[32768];
  bool ok = true;
  size_t at = 0;
  for (uint32_t n = 0; n < count; ++n) {
    const uint8_t* c = &cd[at];
    uint32_t flags = U16(c + 8), method = U16(c + 10), crc = U32(c + 16), csize = U32(c + 20);
    uint32_t name_length = U16(c + 28), local = U32(c + 42);
    std::string name(reinterpret_cast<const char*>(c + 46), name_length);
    at += 46 + name_length + U16(c + 30) + U16(c + 32);

    uint8_t header[30];
    if (!ReadAt(fd, local, header, 30)) return false;
    int64_t data = local + 30 + U16(header + 26) + U16(header + 28);
    std::string target = output + "/" + name;
    MakeParents(target);
    int out_fd = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out_fd < 0) return false;
    Writer writer(out_fd);

    archive::TraditionalKeys keys;
    uint32_t left = csize;
    if (flags & 1) {
      uint8_t check[12];
      if (!ReadAt(fd, data, check, 12)) return false;
      archive::CheckEncryptionHeader(keys, password, check, 0);
      data += 12;
      left -= 12;
    }
    uLong running = crc32(0, nullptr, 0);
    if (method == 0) {  // stored: zip keeps incompressible files so
      while (left > 0) {
        uint32_t take = std::min<uint32_t>(left, sizeof in);
        if (!ReadAt(fd, data, in, take)) return false;
        if (flags & 1) keys.Decrypt(in, take);
        data += take;
        left -= take;
        running = crc32(running, in, take);
        writer.Put(in, take);
      }
    }
    z_stream z{};
    inflateInit2(&z, -15);
    int status = method == 0 ? Z_STREAM_END : Z_OK;
    while (status != Z_STREAM_END) {
      if (z.avail_in == 0 && left > 0) {
        uint32_t take = std::min<uint32_t>(left, sizeof in);
        if (!ReadAt(fd, data, in, take)) return false;
        if (flags & 1) keys.Decrypt(in, take);
        data += take;
        left -= take;
        z.next_in = in;
        z.avail_in = take;
      }
      z.next_out = out;
      z.avail_out = sizeof out;
      status = inflate(&z, Z_NO_FLUSH);
      if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) break;
      size_t produced = sizeof out - z.avail_out;
      running = crc32(running, out, static_cast<uInt>(produced));
      writer.Put(out, produced);
      if (produced == 0 && z.avail_in == 0 && left == 0) break;  // input used up
    }
    inflateEnd(&z);
    writer.Flush();
    close(out_fd);
    if (running != crc) {
      std::fprintf(stderr, "CRC mismatch: %s\n", name.c_str());
      ok = false;
    }
  }
  close(fd);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: extract_floor PASSWORD_HEX OUTPUT ARCHIVE...\n");
    return 2;
  }
  std::string password;
  for (const char* p = argv[1]; p[0] && p[1]; p += 2) {
    unsigned byte;
    std::sscanf(p, "%2x", &byte);
    password.push_back(static_cast<char>(byte));
  }
  bool ok = true;
  for (int i = 3; i < argc; ++i) ok = ExtractArchive(argv[i], password, argv[2]) && ok;
  return ok ? 0 : 1;
}
