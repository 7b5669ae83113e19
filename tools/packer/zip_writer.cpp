#include "tools/packer/zip_writer.h"

#include <zlib.h>

#include <array>
#include <cstring>

#include "platform/errors.h"

namespace packer {

namespace {

constexpr uint16_t kVersion = 20;                    // 2.0: deflate and traditional encryption
constexpr uint16_t kMadeBy = (10 << 8) | kVersion;  // host 10, Windows NTFS: names are taken as stored
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr size_t kHeaderSize = 12;  // the encryption header before each entry's data
constexpr size_t kReadBlock = 64 * 1024;

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

uint32_t CrcByte(uint32_t crc, uint8_t byte) { return CrcTable()[(crc ^ byte) & 0xFF] ^ (crc >> 8); }

// The traditional PKWARE encryption: three keys driven by the plain text.
class Cipher {
 public:
  explicit Cipher(const std::string& password) {
    for (unsigned char c : password) Update(c);
  }
  uint8_t Encrypt(uint8_t plain) {
    const uint32_t t = (key2_ | 2) & 0xFFFF;  // unsigned: the product passes the range of int
    uint8_t cipher = plain ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8);
    Update(plain);
    return cipher;
  }

 private:
  void Update(uint8_t c) {
    key0_ = CrcByte(key0_, c);
    key1_ = (key1_ + (key0_ & 0xFF)) * 134775813u + 1;
    key2_ = CrcByte(key2_, static_cast<uint8_t>(key1_ >> 24));
  }
  uint32_t key0_ = 0x12345678u, key1_ = 0x23456789u, key2_ = 0x34567890u;
};

void Put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, static_cast<uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<uint16_t>(v >> 16));
}

// 64-bit FNV-1a, to derive an entry's header bytes from what it holds.
uint64_t Fnv(uint64_t h, const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
  return h;
}

}  // namespace

uint32_t DosDateTime(const platform::LocalDateTime& t) {
  if (t.year < 1980) return (1u << 5 | 1u) << 16;  // 1980-01-01 00:00:00
  const uint32_t year = static_cast<uint32_t>(t.year > 2107 ? 127 : t.year - 1980);
  const uint32_t date = year << 9 | static_cast<uint32_t>(t.month) << 5 | static_cast<uint32_t>(t.day);
  const uint32_t time = static_cast<uint32_t>(t.hour) << 11 | static_cast<uint32_t>(t.minute) << 5 |
                        static_cast<uint32_t>(t.second / 2);
  return date << 16 | time;
}

EntrySource BytesSource(std::string bytes) {
  EntrySource source;
  source.size = bytes.size();
  auto shared = std::make_shared<std::string>(std::move(bytes));
  source.read = [shared](const std::function<void(const uint8_t*, size_t)>& sink) {
    sink(reinterpret_cast<const uint8_t*>(shared->data()), shared->size());
  };
  return source;
}

EntrySource FileSource(const std::string& path, uint64_t size) {
  EntrySource source;
  source.size = size;
  source.read = [path, size](const std::function<void(const uint8_t*, size_t)>& sink) {
    std::unique_ptr<platform::File> file;
    try {
      file = std::make_unique<platform::File>(path, platform::File::Mode::ReadShared);
    } catch (const platform::Error&) {
      throw PackError("cannot read " + path);
    }
    std::vector<uint8_t> buffer(kReadBlock);
    uint64_t total = 0;
    for (;;) {
      size_t n = file->Read(buffer.data(), buffer.size());
      if (n == 0) break;
      total += n;
      if (total > size) break;
      sink(buffer.data(), n);
    }
    if (total != size) throw PackError(path + " changed while it was packed");
  };
  return source;
}

struct ZipWriter::Central {
  std::string name;
  uint16_t method;
  uint32_t dos_time, crc, compressed, size, attributes, offset;
};

ZipWriter::ZipWriter(const std::string& path, std::string password, int level)
    : path_(path), password_(std::move(password)), level_(level) {
  try {
    file_ = std::make_unique<platform::File>(path, platform::File::Mode::Create);
  } catch (const platform::Error&) {
    throw PackError("cannot create " + path);
  }
}

ZipWriter::~ZipWriter() {
  if (finished_) return;
  file_.reset();
  platform::RemoveFile(path_);
}

void ZipWriter::Write(const void* data, size_t size) {
  if (offset_ + size > 0xFFFFFFFFull) throw PackError(path_ + ": the archive would pass 4 GiB");
  if (file_->Write(data, size) != size) throw PackError("cannot write " + path_ + " (disk full?)");
  offset_ += size;
}

void ZipWriter::Add(const std::string& name, const EntrySource& source, const platform::LocalDateTime& time,
                    uint32_t attributes) {
  if (name.empty() || name[0] == '/' || name.size() > 0xFFFF)
    throw PackError("bad entry name \"" + name + "\"");
  if (written_.size() >= kMaxEntries)
    throw PackError(path_ + ": more than " + std::to_string(kMaxEntries) + " entries");
  if (source.size > kMaxEntrySize) throw PackError(name + ": larger than 4 GiB - 1 bytes, which a ZIP entry cannot hold");

  // First pass: the CRC-32, which the encryption header's check byte needs
  // before any data is written.
  uint32_t crc = 0;
  source.read([&](const uint8_t* p, size_t n) {
    crc = static_cast<uint32_t>(crc32(crc, p, static_cast<uInt>(n)));
  });

  const uint16_t method = source.size == 0 ? 0 : 8;
  const uint32_t dos_time = DosDateTime(time);
  const uint32_t offset = static_cast<uint32_t>(offset_);

  std::string header;
  Put32(header, 0x04034B50);
  Put16(header, kVersion);
  Put16(header, kFlagEncrypted);
  Put16(header, method);
  Put32(header, dos_time);
  Put32(header, crc);
  Put32(header, 0);  // compressed size, set when known
  Put32(header, static_cast<uint32_t>(source.size));
  Put16(header, static_cast<uint16_t>(name.size()));
  Put16(header, 0);
  header += name;
  Write(header.data(), header.size());

  // The encryption header: eleven bytes that only need to differ between
  // entries, derived from the name and content so the output is reproducible,
  // then the check byte (the CRC's high byte).
  Cipher cipher(password_);
  uint64_t seed = Fnv(0xCBF29CE484222325ull, name.data(), name.size());
  seed = Fnv(seed, &crc, sizeof crc);
  seed = Fnv(seed, &source.size, sizeof source.size);
  uint8_t plain_header[kHeaderSize];
  for (size_t i = 0; i < kHeaderSize - 1; ++i) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    plain_header[i] = static_cast<uint8_t>(seed >> 56);
  }
  plain_header[kHeaderSize - 1] = static_cast<uint8_t>(crc >> 24);
  uint8_t encrypted_header[kHeaderSize];
  for (size_t i = 0; i < kHeaderSize; ++i) encrypted_header[i] = cipher.Encrypt(plain_header[i]);
  Write(encrypted_header, kHeaderSize);
  uint64_t compressed = kHeaderSize;

  std::vector<uint8_t> out(kReadBlock);
  auto emit = [&](size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = cipher.Encrypt(out[i]);
    Write(out.data(), n);
    compressed += n;
  };

  uint64_t done = 0;
  if (method == 8) {
    z_stream z{};
    if (deflateInit2(&z, level_, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw PackError("zlib: cannot start deflate");
    struct End {
      z_stream* z;
      ~End() { deflateEnd(z); }
    } end{&z};
    auto pump = [&](int flush) {
      int rc;
      do {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        rc = deflate(&z, flush);
        if (rc == Z_STREAM_ERROR) throw PackError("zlib: deflate failed");
        emit(out.size() - z.avail_out);
      } while (z.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
    };
    uint32_t check = 0;
    source.read([&](const uint8_t* p, size_t n) {
      check = static_cast<uint32_t>(crc32(check, p, static_cast<uInt>(n)));
      z.next_in = const_cast<Bytef*>(p);
      z.avail_in = static_cast<uInt>(n);
      pump(Z_NO_FLUSH);
      done += n;
      if (OnProgress) OnProgress(done);
    });
    pump(Z_FINISH);
    if (check != crc) throw PackError(name + " changed while it was packed");
  }

  if (compressed > 0xFFFFFFFFull) throw PackError(name + ": compressed data passes 4 GiB");
  // Fill in the compressed size, then go back to the end.
  uint8_t size_bytes[4];
  for (int i = 0; i < 4; ++i) size_bytes[i] = static_cast<uint8_t>(compressed >> (8 * i));
  if (file_->Seek(static_cast<int64_t>(offset) + 18, 0) < 0 || file_->Write(size_bytes, 4) != 4 ||
      file_->Seek(static_cast<int64_t>(offset_), 0) < 0)
    throw PackError("cannot write " + path_);

  central_.push_back({name, method, dos_time, crc, static_cast<uint32_t>(compressed),
                      static_cast<uint32_t>(source.size), attributes, offset});
  written_.push_back({name, source.size, compressed, crc, method});
}

void ZipWriter::Finish() {
  const uint64_t central_offset = offset_;
  std::string dir;
  for (const Central& c : central_) {
    Put32(dir, 0x02014B50);
    Put16(dir, kMadeBy);
    Put16(dir, kVersion);
    Put16(dir, kFlagEncrypted);
    Put16(dir, c.method);
    Put32(dir, c.dos_time);
    Put32(dir, c.crc);
    Put32(dir, c.compressed);
    Put32(dir, c.size);
    Put16(dir, static_cast<uint16_t>(c.name.size()));
    Put16(dir, 0);  // extra
    Put16(dir, 0);  // comment
    Put16(dir, 0);  // disk
    Put16(dir, 0);  // internal attributes
    Put32(dir, c.attributes);
    Put32(dir, c.offset);
    dir += c.name;
  }
  Write(dir.data(), dir.size());
  std::string end;
  Put32(end, 0x06054B50);
  Put16(end, 0);
  Put16(end, 0);
  Put16(end, static_cast<uint16_t>(central_.size()));
  Put16(end, static_cast<uint16_t>(central_.size()));
  Put32(end, static_cast<uint32_t>(dir.size()));
  Put32(end, static_cast<uint32_t>(central_offset));
  Put16(end, 0);
  Write(end.data(), end.size());
  file_.reset();
  finished_ = true;
}

}  // namespace packer
