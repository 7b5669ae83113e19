// SHA-256 against the standard's examples, whole and given in pieces.
#include <gtest/gtest.h>

#include <string>

#include "common/sha256.h"

namespace {

TEST(Sha256, StandardExamples) {
  const struct {
    std::string text;
    const char* digest;
  } rows[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(sha256::HexDigest(row.text), row.digest) << row.text.size() << " bytes";
    // In pieces of every size up to a block and a half, and read in between.
    for (size_t piece : {1u, 55u, 63u, 64u, 65u, 97u}) {
      sha256::Running running;
      for (size_t at = 0; at < row.text.size(); at += piece) {
        running.Update(std::string_view(row.text).substr(at, piece));
        if (at == piece) (void)running.Digest();  // reading leaves the state as it was
      }
      EXPECT_EQ(running.HexDigest(), row.digest) << row.text.size() << " bytes in pieces of " << piece;
    }
  }
}

}  // namespace
