// Writes the seed corpora of the legacy decoders' fuzz targets: the small
// hand-made streams of the tests and encoder output over a few kinds of
// data, each behind the fuzz frame (parameter byte, 3-byte declared size).
// Usage: legacy_fuzz_seeds <archive/fuzz/corpus>. Deterministic.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/tests/legacy_test_encoder.h"
#include "archive/tests/legacy_test_support.h"
#include "archive/tests/test_data.h"

using archive::legacy_test::Bytes;
using archive::legacy_test::FromHex;

namespace {

void Write(const std::filesystem::path& folder, const std::string& name, int parameter, size_t size, const Bytes& stream) {
  std::filesystem::create_directories(folder);
  Bytes seed = {static_cast<uint8_t>(parameter), static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                static_cast<uint8_t>(size >> 16)};
  seed.insert(seed.end(), stream.begin(), stream.end());
  std::ofstream out(folder / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(seed.data()), static_cast<std::streamsize>(seed.size()));
}

std::string Repeat(const std::string& hex, int n) {
  std::string all;
  for (int i = 0; i < n; ++i) all += hex;
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: legacy_fuzz_seeds <corpus folder>\n");
    return 2;
  }
  const std::filesystem::path root = argv[1];
  const auto shrink = root / "legacy_unshrink_fuzz";
  const auto reduce = root / "legacy_unreduce_fuzz";
  const auto implode = root / "legacy_explode_fuzz";

  const Bytes text =
      archive::testing::WordText(3000, {"old ", "zip ", "method ", "\x90", "table ", "tree ", "of ", "\r\n"}, 2024);
  const Bytes noise = archive::testing::Noise(1500, 2024);
  const Bytes runs = archive::testing::Runs(2000, 2024, 300, 3);

  Write(shrink, "kwkwk", 0, 7, FromHex("41 84 04 1C 08"));
  Write(shrink, "partial_clear", 0, 12, FromHex("41 84 04 0C 02 50 40 40 81 04 01"));
  Write(shrink, "dangling", 0, 9, FromHex("41 84 0C 11 08 50 00 91 80"));
  Write(shrink, "text", 0, text.size(), archive::legacy_test::Shrink(text));
  Write(shrink, "text_clears", 0, text.size(), archive::legacy_test::Shrink(text, {true, 50}));
  Write(shrink, "noise", 0, noise.size(), archive::legacy_test::Shrink(noise));

  const std::string empty_sets = Repeat("00 ", 192);
  Write(reduce, "overlap", 0, 7, FromHex(empty_sets + "61 62 63 90 01 02"));
  Write(reduce, "followers", 1, 4, FromHex(Repeat("00 ", 191) + "04 61 88 01 1C 03"));
  for (int factor = 1; factor <= 4; ++factor) {
    Write(reduce, "text" + std::to_string(factor), factor - 1, text.size(), archive::legacy_test::Reduce(text, factor));
    Write(reduce, "runs" + std::to_string(factor), factor - 1, runs.size(), archive::legacy_test::Reduce(runs, factor));
  }

  const std::string t64 = "03 F5 F5 F5 F5 ";
  Write(implode, "plain", 0, 6, FromHex(t64 + t64 + "C3 8A 09 FE 17"));
  Write(implode, "uneven", 0, 6, FromHex("06 00 01 16 F7 F7 F7 B7 " + t64 + "C3 00 7F C0 2F"));
  for (int flags : {0, 2, 4, 6}) {
    Write(implode, "text" + std::to_string(flags), flags, text.size(), archive::legacy_test::Implode(text, static_cast<uint16_t>(flags), 7));
    Write(implode, "runs" + std::to_string(flags), flags, runs.size(), archive::legacy_test::Implode(runs, static_cast<uint16_t>(flags), 8));
  }
  return 0;
}
