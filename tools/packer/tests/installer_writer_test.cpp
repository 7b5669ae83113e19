// The packer's stub form on a small hand-made stub (the fuzz seed, made by
// tools/packer/fuzz/make_seeds.py): the installer carries the payloads the
// folder form writes, the manifest, checks that find a damaged payload, and
// version information, and keeps the stub's own resources; every refusal
// names what is wrong and leaves neither the installer nor its work folder.
#include <gtest/gtest.h>

#include <functional>

#include "app/payload.h"
#include "common/payload_checks.h"
#include "platform/files.h"
#include "platform/test_support.h"
#include "platform/testing/temp_folder.h"
#include "tools/packer/installer_writer.h"
#include "tools/packer/pe_resources.h"

namespace {

using dz::testing::ReadWholeFile;
using dz::testing::TempFolder;
using dz::testing::WriteWholeFile;
using pe::ResourceId;

const std::string kManifestWithVersion =
    "[InstallFiles]\r\nFileCount=0\r\nfTotalFiles=0\r\n[FileDest]\r\nC0=ApplicationDir\r\nC1=ApplicationDir\r\n"
    "[FileType]\r\nC0=LumoSc\r\nC1=UnInstall\r\n[BaseInfo]\r\nfAppName=Orvane云专家-美食版\r\nfAppVersion=V3.3\r\n"
    "fAppCompany=好帮手\r\n";

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }
std::string Text(std::span<const uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

struct StubProduct {
  StubProduct() {
    platform::ForceDirectories(product / "LumoSc\\报表");
    WriteWholeFile(product / "LumoSc\\OvErp.exe", std::string(30000, 'x') + "end");
    WriteWholeFile(product / "LumoSc\\报表\\日报.fr3", "report");
    WriteWholeFile(product / "LumoSc\\empty.log", "");
    platform::ForceDirectories(product / "UnInstall");
    WriteWholeFile(product / "UnInstall\\UnInstall.exe", "MZ uninstaller");
    WriteWholeFile(out / "stub.exe", ReadWholeFile(std::string(DZ_PACKER_SEEDS) + "/pe32plus.exe"));
    options.product_folder = product.path();
    options.manifest = kManifestWithVersion;
    options.stub = out / "stub.exe";
    options.output = out / "setup.exe";
    options.password = app::kArchivePassword;
  }
  bool LeftNothing() const {
    return !platform::FileExists(options.output) && !platform::DirectoryExists(options.output + ".packing");
  }
  TempFolder product, out;
  packer::InstallerOptions options;
};

TEST(InstallerWriter, CarriesTheFolderFormsPayloadsChecksAndVersion) {
  StubProduct s;
  packer::WriteInstaller(s.options);
  EXPECT_FALSE(platform::DirectoryExists(s.options.output + ".packing"));
  const pe::Image installer(Bytes(ReadWholeFile(s.options.output)));
  const pe::Image stub(Bytes(ReadWholeFile(s.options.stub)));

  // The same payloads and manifest as the folder form writes.
  TempFolder folder;
  packer::PackOptions pack;
  pack.product_folder = s.options.product_folder;
  pack.manifest = kManifestWithVersion;
  pack.output_folder = folder.path();
  pack.password = app::kArchivePassword;
  const packer::PackResult packed = packer::Pack(pack);
  std::vector<payload_checks::Check> measured;
  for (const char* name : {"C0", "C1"}) {
    const pe::Resource* resource = installer.Find(ResourceId::Name(name), ResourceId::Name(name), 2052);
    ASSERT_NE(resource, nullptr) << name;
    EXPECT_EQ(Text(installer.Bytes(*resource)), ReadWholeFile(folder / name)) << name;
    payload_checks::Running running;
    running.Update(installer.Bytes(*resource).data(), resource->size);
    measured.push_back(running.Result());
  }
  const pe::Resource* manifest = installer.Find(ResourceId::Name("INI"), ResourceId::Name("CEND"), 2052);
  ASSERT_NE(manifest, nullptr);
  EXPECT_EQ(Text(installer.Bytes(*manifest)), packed.manifest);

  // The checks hold for the payloads as carried, and name a damaged one.
  const pe::Resource* checks = installer.Find(ResourceId::Name("CRC"), ResourceId::Name("CCRC"), 2052);
  ASSERT_NE(checks, nullptr);
  const auto carried = payload_checks::Parse(Text(installer.Bytes(*checks)));
  ASSERT_TRUE(carried);
  EXPECT_EQ(payload_checks::FirstMismatch(*carried, measured), std::nullopt);
  std::string damaged = ReadWholeFile(folder / "C1");
  damaged[damaged.size() / 2] ^= 1;
  payload_checks::Running running;
  running.Update(damaged.data(), damaged.size());
  measured[1] = running.Result();
  EXPECT_EQ(payload_checks::FirstMismatch(*carried, measured), 1u);

  // Version information replaced; the stub's other resources as they were.
  const pe::Resource* version = installer.Find(ResourceId::Number(16), ResourceId::Number(1), 2052);
  ASSERT_NE(version, nullptr);
  EXPECT_NE(Text(installer.Bytes(*version)).find(std::string("3\0.\0\063\0.\0\060\0.\0\060\0", 14)), std::string::npos);
  for (const pe::Resource& own : stub.Resources()) {
    if (own.type == ResourceId::Number(16)) continue;
    const pe::Resource* kept = installer.Find(own.type, own.name, own.language);
    ASSERT_NE(kept, nullptr) << own.type.Text();
    EXPECT_EQ(Text(installer.Bytes(*kept)), Text(stub.Bytes(own))) << own.type.Text();
  }

  // The same input gives the same installer.
  const std::string first = ReadWholeFile(s.options.output);
  packer::WriteInstaller(s.options);
  EXPECT_EQ(ReadWholeFile(s.options.output), first);
}

TEST(InstallerWriter, RefusesAndLeavesNothing) {
  struct Case {
    const char* what;
    std::function<void(StubProduct&)> arrange;
    std::string message;  // part of the error text
  };
  const Case cases[] = {
      {"stub not a program", [](StubProduct& s) { WriteWholeFile(s.options.stub, "#!/bin/sh\n"); },
       "is refused: not a PE file (no MZ header)"},
      {"stub missing", [](StubProduct& s) { s.options.stub = s.out / "none.exe"; }, "cannot open the stub"},
      {"stub without resources",
       [](StubProduct& s) {
         std::string stub = ReadWholeFile(s.options.stub);
         stub.replace(0x58 + 112 + 16, 8, 8, '\0');  // the resource directory of the PE32+ seed
         WriteWholeFile(s.options.stub, stub);
       },
       "is refused: has no resource section"},
      {"stub already signed",
       [](StubProduct& s) {
         std::string stub = ReadWholeFile(s.options.stub);
         stub.replace(0x58 + 112 + 32, 8, std::string("\0\x08\0\0\x10\0\0\0", 8));
         WriteWholeFile(s.options.stub, stub);
       },
       "is refused: already signed"},
      {"a folder no payload names", [](StubProduct& s) { platform::MakeDirectory(s.product / "Extra"); },
       "holds \"Extra\", which is no [FileType] word of the manifest (LumoSc, UnInstall)"},
      {"output inside the product", [](StubProduct& s) { s.options.output = s.product / "LumoSc\\..\\setup.exe"; },
       "lies inside the product folder"},
      {"PKCS#12 file missing",
       [](StubProduct& s) {
         WriteWholeFile(s.out / "pass.txt", "secret");
         s.options.signing = packer::SigningOptions{s.out / "none.p12", s.out / "pass.txt", std::nullopt, ""};
       },
       "cannot open the PKCS#12 file"},
      {"password file missing",
       [](StubProduct& s) {
         WriteWholeFile(s.out / "cert.p12", "not really");
         s.options.signing = packer::SigningOptions{s.out / "cert.p12", s.out / "none.txt", std::nullopt, ""};
       },
       "cannot open the password file"},
      {"no version in the manifest", [](StubProduct& s) { s.options.manifest = s.options.manifest.substr(0, 140); },
       "no [BaseInfo] fAppName and fAppVersion"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StubProduct s;
    c.arrange(s);
    try {
      packer::WriteInstaller(s.options);
      ADD_FAILURE() << "no error";
    } catch (const packer::PackError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_TRUE(s.LeftNothing());
  }
}

TEST(InstallerWriter, MissingPayloadFolderIsNamed) {
  StubProduct s;
  s.options.manifest.insert(s.options.manifest.find("[BaseInfo]"), "C2=WmSvr\r\n");
  s.options.manifest.insert(s.options.manifest.find("[FileType]"), "C2=ApplicationDir\r\n");
  try {
    packer::WriteInstaller(s.options);
    ADD_FAILURE() << "no error";
  } catch (const packer::PackError& e) {
    EXPECT_NE(std::string(e.what()).find("has no sub-folder \"WmSvr\""), std::string::npos) << e.what();
  }
  EXPECT_TRUE(s.LeftNothing());
}

TEST(InstallerWriter, PathInsideFolder) {
  struct Case {
    std::string path, folder;
    bool inside;
  };
  const Case cases[] = {
      {"C:\\p\\a\\setup.exe", "C:\\p\\a\\", true},
      {"c:\\P\\A\\setup.exe", "C:\\p\\a", true},
      {"C:\\p\\a\\..\\setup.exe", "C:\\p\\a\\", false},
      {"C:\\p\\ab\\setup.exe", "C:\\p\\a\\", false},
      {"C:\\p\\a\\.\\x\\..\\setup.exe", "C:\\p\\a", true},
      {"/tmp/p/a/setup.exe", "/tmp/p/a", true},
      {"/tmp/p/setup.exe", "/tmp/p/a", false},
  };
  for (const Case& c : cases) EXPECT_EQ(packer::PathInsideFolder(c.path, c.folder), c.inside) << c.path;
}

}  // namespace
