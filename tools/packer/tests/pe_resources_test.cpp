// The PE resource writer on small images built here by hand, PE32 and PE32+,
// laid out as MinGW lays out the stub (.text, .rsrc, then .reloc after the
// resources): what it adds is found again where the loader looks, the
// stub's own resources keep their bytes, the rest of the stub is untouched,
// the headers stay consistent, and broken or signed images are refused with
// a message.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tools/packer/pe_resources.h"

namespace {

using Bytes = std::vector<uint8_t>;
using pe::ResourceId;

void Put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
Bytes Of(const std::string& text) { return Bytes(text.begin(), text.end()); }

struct Layout {
  bool pe32_plus = false;
  uint32_t alignment = 512;  // file and section alignment
  uint32_t file_alignment = 0;  // when it differs
};

// Offsets of the fields the tests look at.
constexpr size_t kPe = 0x40, kOptional = kPe + 24;
size_t Directories(bool plus) { return kOptional + (plus ? 112 : 96); }
size_t SectionTable(bool plus) { return kOptional + (plus ? 240 : 224); }

const std::string kSkin = "button pixels", kVersion = "old version", kManifest = "<assembly/>";

// Headers, .text (0xCC), .rsrc with three resources, .reloc (0xEE).
//   root: "SKIN" (named), #16, #24; each with one name and language 2052:
//   SKIN/"BTN" = kSkin, #16/#1 = kVersion, #24/#1 = kManifest.
Bytes MakeStub(const Layout& layout) {
  const uint32_t a = layout.alignment, fa = layout.file_alignment ? layout.file_alignment : a;
  Bytes b(4 * fa, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, kPe);
  std::memcpy(&b[kPe], "PE\0\0", 4);
  Put16(b, kPe + 4, layout.pe32_plus ? 0x8664 : 0x14C);
  Put16(b, kPe + 6, 3);
  Put16(b, kPe + 20, layout.pe32_plus ? 240 : 224);
  Put16(b, kOptional, layout.pe32_plus ? 0x20B : 0x10B);
  Put32(b, kOptional + 32, a);
  Put32(b, kOptional + 36, fa);
  Put32(b, kOptional + 56, 4 * a);
  Put32(b, kOptional + 60, fa);
  Put32(b, kOptional + (layout.pe32_plus ? 108 : 92), 16);
  const size_t directories = Directories(layout.pe32_plus);
  Put32(b, directories + 16, 2 * a);  // resources
  Put32(b, directories + 20, 512);
  const char* names[] = {".text", ".rsrc", ".reloc"};
  for (uint32_t i = 0; i < 3; ++i) {
    const size_t header = SectionTable(layout.pe32_plus) + 40 * i;
    std::memcpy(&b[header], names[i], std::strlen(names[i]));
    Put32(b, header + 8, fa);
    Put32(b, header + 12, (i + 1) * a);
    Put32(b, header + 16, fa);
    Put32(b, header + 20, (i + 1) * fa);
  }
  std::fill(b.begin() + fa, b.begin() + 2 * fa, 0xCC);
  std::fill(b.begin() + 3 * fa, b.end(), 0xEE);

  // The tree: root (40 bytes), three name tables (24 each), three language
  // tables (24 each), three data entries (16 each), the strings, the data.
  const size_t r = 2 * fa;
  const uint32_t rva = 2 * a;
  Put16(b, r + 12, 1);
  Put16(b, r + 14, 2);
  const uint32_t skin_string = 232, btn_string = 242, data = 256;
  const uint32_t type_ids[] = {0x80000000u | skin_string, 16, 24};
  const uint32_t name_ids[] = {0x80000000u | btn_string, 1, 1};
  const std::string* contents[] = {&kSkin, &kVersion, &kManifest};
  for (uint32_t i = 0; i < 3; ++i) {
    const uint32_t names_at = 40 + 24 * i, languages_at = 112 + 24 * i, leaf_at = 184 + 16 * i;
    Put32(b, r + 16 + 8 * i, type_ids[i]);
    Put32(b, r + 16 + 8 * i + 4, 0x80000000u | names_at);
    Put16(b, r + names_at + (i == 0 ? 12 : 14), 1);
    Put32(b, r + names_at + 16, name_ids[i]);
    Put32(b, r + names_at + 20, 0x80000000u | languages_at);
    Put16(b, r + languages_at + 14, 1);
    Put32(b, r + languages_at + 16, 2052);
    Put32(b, r + languages_at + 20, leaf_at);
    Put32(b, r + leaf_at, rva + data + 64 * i);
    Put32(b, r + leaf_at + 4, static_cast<uint32_t>(contents[i]->size()));
    std::memcpy(&b[r + data + 64 * i], contents[i]->data(), contents[i]->size());
  }
  Put16(b, r + skin_string, 4);
  for (int c = 0; c < 4; ++c) Put16(b, r + skin_string + 2 + 2 * c, "SKIN"[c]);
  Put16(b, r + btn_string, 3);
  for (int c = 0; c < 3; ++c) Put16(b, r + btn_string + 2 + 2 * c, "BTN"[c]);
  return b;
}

std::string Text(std::span<const uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

class PeResourcesTest : public ::testing::TestWithParam<Layout> {};

TEST_P(PeResourcesTest, AddsAndReplacesKeepingTheStubsOwn) {
  const Layout layout = GetParam();
  const Bytes stub = MakeStub(layout);
  const pe::Image image(stub);
  EXPECT_EQ(image.Pe32Plus(), layout.pe32_plus);
  ASSERT_EQ(image.Resources().size(), 3u);
  const pe::Resource* skin = image.Find(ResourceId::Name("SKIN"), ResourceId::Name("BTN"), 2052);
  ASSERT_NE(skin, nullptr);
  EXPECT_EQ(Text(image.Bytes(*skin)), kSkin);

  const Bytes payload0 = Of("payload zero"), payload10(70000, 0x5A), payload2 = Of("two"), manifest = Of("[INI]");
  const Bytes version = Of("new version information");
  const Bytes out = image.WithResources({
      {ResourceId::Name("C0"), ResourceId::Name("C0"), 2052, payload0},
      {ResourceId::Name("C10"), ResourceId::Name("C10"), 2052, payload10},
      {ResourceId::Name("C2"), ResourceId::Name("C2"), 2052, payload2},
      {ResourceId::Name("INI"), ResourceId::Name("CEND"), 2052, manifest},
      {ResourceId::Number(16), ResourceId::Number(1), 2052, version},
  });

  const uint32_t a = layout.alignment;
  const size_t table = SectionTable(layout.pe32_plus);
  // Everything after the headers is the stub's, unchanged.
  EXPECT_TRUE(std::equal(stub.begin() + a, stub.end(), out.begin() + a));
  // One more section, last, aligned in the file and in memory alike.
  EXPECT_EQ(out[kPe + 6], 4);
  const size_t header = table + 3 * 40;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&out[header])), ".rsrc");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&out[table + 40])), ".rsrc0");  // the stub's
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&out[table + 80])), ".reloc");
  const uint32_t virtual_size = Get32(out, header + 8), rva = Get32(out, header + 12);
  const uint32_t raw_size = Get32(out, header + 16), raw_offset = Get32(out, header + 20);
  EXPECT_EQ(rva, 4 * a);
  EXPECT_EQ(raw_offset, 4 * a);
  EXPECT_EQ(raw_size % a, 0u);
  EXPECT_EQ(out.size(), raw_offset + raw_size);
  EXPECT_EQ(Get32(out, kOptional + 56), (rva + virtual_size + a - 1) / a * a);  // SizeOfImage
  EXPECT_EQ(Get32(out, Directories(layout.pe32_plus) + 16), rva);
  EXPECT_EQ(Get32(out, kOptional + 64), pe::PeChecksum(out, kOptional + 64));
  EXPECT_NE(Get32(out, kOptional + 64), 0u);

  // What the loader finds in the result.
  const pe::Image packed(out);
  ASSERT_EQ(packed.Resources().size(), 7u);
  struct Expected {
    ResourceId type, name;
    std::string bytes;
  };
  const Expected expected[] = {
      {ResourceId::Name("C0"), ResourceId::Name("C0"), "payload zero"},
      {ResourceId::Name("C10"), ResourceId::Name("C10"), std::string(70000, 'Z')},
      {ResourceId::Name("C2"), ResourceId::Name("C2"), "two"},
      {ResourceId::Name("INI"), ResourceId::Name("CEND"), "[INI]"},
      {ResourceId::Name("SKIN"), ResourceId::Name("BTN"), kSkin},
      {ResourceId::Number(16), ResourceId::Number(1), "new version information"},
      {ResourceId::Number(24), ResourceId::Number(1), kManifest},
  };
  // In Windows' order (names without regard to case, then numbers), which
  // the loader's binary search needs.
  for (size_t i = 0; i < std::size(expected); ++i) {
    const pe::Resource& found = packed.Resources()[i];
    SCOPED_TRACE(found.type.Text() + "/" + found.name.Text());
    EXPECT_EQ(found.type, expected[i].type);
    EXPECT_EQ(found.name, expected[i].name);
    EXPECT_EQ(found.language, 2052);
    EXPECT_EQ(Text(packed.Bytes(found)), expected[i].bytes);
    EXPECT_EQ(found.rva % 8, 0u);
  }
  // Every resource's data lies in the new section, where readers that take
  // the section for the resources find it.
  for (const pe::Resource& found : packed.Resources()) {
    EXPECT_GE(found.rva, rva);
    EXPECT_LE(found.rva + found.size, rva + virtual_size);
  }

  // Packing the result again replaces its payloads and keeps one tree (the
  // small PE32+ headers hold no fifth section header).
  if (layout.pe32_plus && layout.alignment == 512) return;
  const Bytes again = packed.WithResources({{ResourceId::Name("C0"), ResourceId::Name("C0"), 2052, payload2}});
  const pe::Image repacked(again);
  EXPECT_EQ(repacked.Resources().size(), 7u);
  EXPECT_EQ(Text(repacked.Bytes(*repacked.Find(ResourceId::Name("C0"), ResourceId::Name("C0"), 2052))), "two");
}

INSTANTIATE_TEST_SUITE_P(Images, PeResourcesTest,
                         ::testing::Values(Layout{false, 512}, Layout{true, 512}, Layout{false, 4096},
                                           Layout{true, 4096}),
                         [](const auto& info) {
                           return std::string(info.param.pe32_plus ? "Pe32Plus" : "Pe32") + "Align" +
                                  std::to_string(info.param.alignment);
                         });

TEST(PeResourcesRefusalTest, NamesWhatIsWrong) {
  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
    std::string error;
  };
  const size_t directories = Directories(false), table = SectionTable(false), rsrc = 1024;
  const Case cases[] = {
      {"empty", [](Bytes& b) { b.clear(); }, "not a PE file (no MZ header)"},
      {"text", [](Bytes& b) { b = Of("#!/bin/sh\necho hello, this is no program at all\n...................."); },
       "not a PE file (no MZ header)"},
      {"MZ only", [](Bytes& b) { b.resize(0x40); }, "not a PE file (no PE signature)"},
      {"PE offset past the end", [](Bytes& b) { Put32(b, 0x3C, 0xFFFFFFF0u); }, "not a PE file (no PE signature)"},
      {"unknown magic", [](Bytes& b) { Put16(b, kOptional, 0x107); },
       "not a PE32 or PE32+ image (optional header magic 263)"},
      {"optional header past the end", [](Bytes& b) { Put16(b, kPe + 20, 0xFFFF); },
       "not a PE file (the optional header is cut off)"},
      {"no sections", [](Bytes& b) { Put16(b, kPe + 6, 0); }, "not a PE file (section table cut off or of 0 sections)"},
      {"section past the end", [table](Bytes& b) { Put32(b, table + 40 * 2 + 16, 0x10000); },
       "section .reloc lies beyond the end of the file"},
      {"no resources", [directories](Bytes& b) { Put32(b, directories + 16, 0); Put32(b, directories + 20, 0); },
       "has no resource section"},
      {"resources outside the sections", [directories](Bytes& b) { Put32(b, directories + 16, 0x100000); },
       "the resource directory lies outside every section's bytes"},
      {"signed", [directories](Bytes& b) { Put32(b, directories + 32, 2048); Put32(b, directories + 36, 16); },
       "already signed (it carries an Authenticode signature); give the unsigned stub"},
      {"entries past the section", [rsrc](Bytes& b) { Put16(b, rsrc + 14, 0xFFFF); },
       "a resource directory's entries lie outside the resource section"},
      {"data outside the file", [rsrc](Bytes& b) { Put32(b, rsrc + 184 + 4, 0x7FFFFFFF); },
       "a resource's data lies outside the file (RVA 1280, 2147483647 bytes)"},
      {"name string past the section", [rsrc](Bytes& b) { Put16(b, rsrc + 232, 0xFFFF); },
       "a resource name lies outside the resource section"},
      // A directory that points at itself ends at the third level.
      {"a loop", [rsrc](Bytes& b) { Put32(b, rsrc + 64 + 20, 0x80000000u | 64); },
       "a resource tree deeper than type, name and language"},
      {"a loop to the root", [rsrc](Bytes& b) { Put32(b, rsrc + 136 + 20, 0x80000000u); },
       "a resource tree deeper than type, name and language"},
      {"data entry in place of a name table", [rsrc](Bytes& b) { Put32(b, rsrc + 16 + 4, 184); },
       "a resource tree shallower than type, name and language"},
      {"a language given as a name", [rsrc](Bytes& b) { Put32(b, rsrc + 136 + 16, 0x80000000u | 242); },
       "a resource language given as a name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes bytes = MakeStub({});
    c.damage(bytes);
    try {
      pe::Image image(bytes);
      ADD_FAILURE() << "accepted";
    } catch (const pe::PeError& e) {
      EXPECT_EQ(std::string(e.what()), c.error);
    }
  }
}

TEST(PeResourcesRefusalTest, WritesOnlyWhatWindowsMaps) {
  const Bytes payload = Of("x");
  const std::vector<pe::NewResource> added = {{ResourceId::Name("C0"), ResourceId::Name("C0"), 2052, payload}};
  try {
    pe::Image(MakeStub({false, 4096, 512})).WithResources(added);
    ADD_FAILURE() << "accepted unequal alignments";
  } catch (const pe::PeError& e) {
    EXPECT_EQ(std::string(e.what()).substr(0, 51), "file alignment 512 differs from section alignment 4");
  }
  // Section headers up to the first section's bytes.
  Bytes full = MakeStub({});
  Put32(full, kOptional + 60, static_cast<uint32_t>(SectionTable(false) + 3 * 40));
  try {
    pe::Image(full).WithResources(added);
    ADD_FAILURE() << "accepted headers without room";
  } catch (const pe::PeError& e) {
    EXPECT_EQ(std::string(e.what()), "the headers have no room for one more section header");
  }
}

TEST(PeResourcesTest, ChecksumFoldsCarriesAndSkipsItsField) {
  struct Case {
    Bytes file;
    size_t field;
    uint32_t sum;
  };
  const Case cases[] = {
      {{}, 0, 0},
      {{0x01}, 8, 0x0001 + 1},                                   // odd length: a last half word
      {{0xFF, 0xFF, 0xFF, 0xFF, 0x01}, 8, 0x0001 + 5},           // 0xFFFF + 0xFFFF folds to 0xFFFF, + 1 folds to 1
      {{0x34, 0x12, 0xAA, 0xBB, 0xCC, 0xDD, 0x01, 0x00}, 2, 0x1235 + 8},  // the field's bytes count as zero
  };
  for (const Case& c : cases) EXPECT_EQ(pe::PeChecksum(c.file, c.field), c.sum);
}

}  // namespace
