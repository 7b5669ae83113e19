// Deterministic test data for the archive tests and the fuzz seeds: data
// that compresses to about half, text of repeated words, noise and runs (the
// kinds the legacy methods treat differently), and the block sizes data
// reaches the output in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "archive/tests/zip_builder.h"

namespace archive::testing {

// Deterministic data that deflates to roughly half its size.
inline std::vector<uint8_t> MixedData(size_t n, uint32_t seed = 1) {
  std::vector<uint8_t> data(n);
  uint32_t x = seed;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    data[i] = (x >> 16) % 3 == 0 ? static_cast<uint8_t>(x >> 24) : static_cast<uint8_t>("abcdefgh"[(x >> 20) & 7]);
  }
  return data;
}

// At least n bytes of words picked at random (seeded) from words; with
// noise_every > 0, one random byte after about every noise_every words.
inline std::vector<uint8_t> WordText(size_t n, std::initializer_list<const char*> words, uint32_t seed,
                                     int noise_every = 0) {
  std::mt19937 random(seed);
  const std::vector<const char*> list(words);
  std::vector<uint8_t> text;
  while (text.size() < n) {
    for (const char* c = list[random() % list.size()]; *c; ++c) text.push_back(static_cast<uint8_t>(*c));
    if (noise_every > 0 && random() % static_cast<unsigned>(noise_every) == 0)
      text.push_back(static_cast<uint8_t>(random()));
  }
  return text;
}

// n random bytes.
inline std::vector<uint8_t> Noise(size_t n, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> noise(n);
  for (auto& b : noise) b = static_cast<uint8_t>(random());
  return noise;
}

// At least n bytes in runs of 1 to max_run equal bytes: a random byte, or
// with marker_every > 0 about one run in marker_every of 0x90 (the run
// marker of the reduce method).
inline std::vector<uint8_t> Runs(size_t n, uint32_t seed, unsigned max_run, unsigned marker_every = 0) {
  std::mt19937 random(seed);
  std::vector<uint8_t> runs;
  while (runs.size() < n) {
    const size_t length = 1 + random() % max_run;
    const bool marker = marker_every > 0 && random() % marker_every == 0;
    runs.insert(runs.end(), length, marker ? uint8_t{0x90} : static_cast<uint8_t>(random()));
  }
  return runs;
}

// n characters picked at random (seeded) from alphabet.
inline std::vector<uint8_t> Letters(size_t n, const std::string& alphabet, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> letters(n);
  for (auto& b : letters) b = static_cast<uint8_t>(alphabet[random() % alphabet.size()]);
  return letters;
}

// "menu line 0\n" ... : text of count numbered lines, repeating every 17.
inline std::string MenuLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "menu line " + std::to_string(i % 17) + "\n";
  return text;
}

// Raw DEFLATE of bytes (see DeflateRaw).
inline std::vector<uint8_t> RawDeflate(const std::vector<uint8_t>& data, int level = 6) {
  std::string compressed = DeflateRaw(std::string(data.begin(), data.end()), level);
  return std::vector<uint8_t>(compressed.begin(), compressed.end());
}

// Sizes of the blocks data of size n reaches the output in: 32768 each, the
// rest last.
inline std::vector<size_t> WindowBlocks(size_t n) {
  std::vector<size_t> blocks(n / 32768, 32768);
  if (n % 32768) blocks.push_back(n % 32768);
  return blocks;
}

}  // namespace archive::testing
