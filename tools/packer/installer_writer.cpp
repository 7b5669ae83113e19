#include "tools/packer/installer_writer.h"

#include <memory>
#include <vector>

#include "app/manifest.h"
#include "app/payload.h"
#include "app/profile_file.h"
#include "common/payload_checks.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "tools/packer/pe_resources.h"
#include "tools/packer/version_info.h"

namespace packer {

namespace {

// An absolute path's parts, "." and ".." resolved; both separators count.
std::vector<std::string> AbsoluteParts(const std::string& path) {
  std::string text = path;
  gbk::ForEachChar(path, [&](size_t at, size_t length) {
    if (length == 1 && path[at] == '/') text[at] = '\\';
  });
  const bool absolute = (!text.empty() && text[0] == '\\') || (text.size() >= 2 && text[1] == ':');
  if (!absolute) return AbsoluteParts(platform::CurrentDirectory() + "\\" + text);
  std::vector<std::string> parts;
  for (const std::string& part : gbk::SplitAtBackslashes(text)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  return parts;
}

std::vector<uint8_t> ReadWhole(const std::string& path, uint64_t limit, const std::string& what) {
  auto size = platform::FileSize(path);
  if (!size) throw PackError("cannot open the " + what + " " + path);
  if (*size > limit) throw PackError("the " + what + " " + path + " is too large (" + std::to_string(*size) + " bytes)");
  std::vector<uint8_t> bytes(static_cast<size_t>(*size));
  try {
    platform::File file(path, platform::File::Mode::ReadShared);
    if (file.Read(bytes.data(), bytes.size()) != bytes.size()) throw PackError("cannot read the " + what + " " + path);
  } catch (const platform::Error&) {
    throw PackError("cannot open the " + what + " " + path);
  }
  return bytes;
}

void WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
  platform::File file(path, platform::File::Mode::Create);
  if (file.Write(bytes.data(), bytes.size()) != bytes.size()) throw PackError("cannot write " + path);
}

void MustOpen(const std::string& path, const std::string& what) {
  try {
    platform::File file(path, platform::File::Mode::ReadShared);
  } catch (const std::exception&) {
    throw PackError("cannot open the " + what + " " + path);
  }
  if (!platform::FileExists(path)) throw PackError("cannot open the " + what + " " + path);
}

// The manifest's [FileType] words, payload C0 first.
std::vector<std::string> TypeWords(const std::string& manifest) {
  std::vector<std::string> words;
  for (int n = 0;; ++n) {
    auto type = app::FindProfileValue(manifest, app::kSectionFileType, app::PayloadName(n));
    if (!type) break;
    words.push_back(*type);
  }
  return words;
}

// Every sub-folder is a payload's and every payload has its sub-folder.
void CheckProductFolders(const std::string& product, const std::vector<std::string>& words) {
  std::string all;
  for (const std::string& word : words) all += (all.empty() ? "" : ", ") + word;
  std::vector<std::string> folders;
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(product))
    if (entry.attributes & platform::kAttrDirectory) folders.push_back(entry.name);
  for (const std::string& folder : folders) {
    bool known = false;
    for (const std::string& word : words) known = known || gbk::SameText(folder, word);
    if (!known)
      throw PackError("the product folder holds \"" + folder + "\", which is no [FileType] word of the manifest (" +
                      all + ")");
  }
  for (const std::string& word : words) {
    bool present = false;
    for (const std::string& folder : folders) present = present || gbk::SameText(folder, word);
    if (!present)
      throw PackError("the product folder has no sub-folder \"" + word + "\" for the manifest's [FileType] word");
  }
}

// The files and the folder a run writes, removed again unless it succeeds.
class WorkFiles {
 public:
  explicit WorkFiles(std::string folder) : folder_(std::move(folder)) {}
  ~WorkFiles() {
    for (const std::string& path : files_) platform::RemoveFile(path);
    if (made_folder_) platform::RemoveEmptyDirectory(folder_);
  }
  void MakeFolder() {
    if (platform::DirectoryExists(folder_))
      throw PackError("an earlier run left the work folder " + folder_ + "; remove it");
    if (!platform::MakeDirectory(folder_))
      throw PackError("cannot make the work folder " + folder_ + " (does the output's folder exist?)");
    made_folder_ = true;
  }
  std::string Add(const std::string& path) {
    files_.push_back(path);
    return path;
  }
  void Keep(const std::string& path) { std::erase(files_, path); }

 private:
  std::string folder_;
  std::vector<std::string> files_;
  bool made_folder_ = false;
};

}  // namespace

bool PathInsideFolder(const std::string& path, const std::string& folder) {
  const std::vector<std::string> inner = AbsoluteParts(path), outer = AbsoluteParts(folder);
  if (inner.size() < outer.size()) return false;
  for (size_t i = 0; i < outer.size(); ++i)
    if (!gbk::SameText(inner[i], outer[i])) return false;
  return true;
}

void WriteInstaller(const InstallerOptions& options) {
  auto say = [&](const std::string& line) {
    if (options.report) options.report(line);
  };
  // The checks before anything is written.
  const std::string product = gbk::EndsWithBackslash(options.product_folder) ? options.product_folder
                                                                              : options.product_folder + "\\";
  if (!platform::DirectoryExists(product)) throw PackError("product folder " + product + " does not exist");
  if (PathInsideFolder(options.output, product))
    throw PackError("the output " + options.output + " lies inside the product folder " + product);
  std::unique_ptr<pe::Image> stub;
  try {
    stub = std::make_unique<pe::Image>(ReadWhole(options.stub, pe::kMaxImageSize, "stub"));
  } catch (const pe::PeError& e) {
    throw PackError("the stub " + options.stub + " is refused: " + e.what());
  }
  if (stub->FileAlignment() != stub->SectionAlignment())
    throw PackError("the stub " + options.stub + " is refused: its file alignment differs from its section alignment");
  const std::vector<std::string> words = TypeWords(options.manifest);
  CheckProductFolders(product, words);
  std::string uninstaller;  // "<type>/UnInstall.exe" of the product, if any
  if (options.signing) {
    if (!CanSign()) SignFile(*options.signing, "", "");  // says why not
    MustOpen(options.signing->pkcs12, "PKCS#12 file");
    MustOpen(options.signing->password_file, "password file");
    for (const std::string& word : words)
      if (platform::FileExists(product + word + "\\" + kUninstallerName)) uninstaller = word + "/" + kUninstallerName;
  }
  const std::string app_name = app::FindProfileValue(options.manifest, app::kSectionBaseInfo, "fAppName").value_or("");
  const std::string company = app::FindProfileValue(options.manifest, app::kSectionBaseInfo, "fAppCompany").value_or("");
  const std::string version = app::FindProfileValue(options.manifest, app::kSectionBaseInfo, "fAppVersion").value_or("");
  if (app_name.empty() || version.empty())
    throw PackError("the manifest has no [BaseInfo] fAppName and fAppVersion for the installer's version information");

  const std::string work = options.output + ".packing";
  WorkFiles written(work);
  try {
    written.MakeFolder();
    PackOptions pack;
    pack.product_folder = product;
    pack.manifest = options.manifest;
    pack.output_folder = work;
    pack.password = options.password;
    pack.level = options.level;
    pack.report = options.report;
    if (!uninstaller.empty()) {
      const std::string signed_copy = written.Add(work + "\\" + kUninstallerName);
      SignFile(*options.signing, product + uninstaller.substr(0, uninstaller.find('/')) + "\\" + kUninstallerName,
               signed_copy);
      pack.substitutes.push_back({uninstaller, signed_copy});
      say(uninstaller + ": signed");
    }
    for (size_t n = 0; n < words.size(); ++n) written.Add(work + "\\" + app::PayloadName(static_cast<int>(n)));
    written.Add(work + "\\CEND");
    written.Add(work + "\\" + payload_checks::kResourceName);
    const PackResult packed = Pack(pack);

    // The resources, read back from the files the packer wrote.
    std::vector<std::vector<uint8_t>> payloads;
    for (size_t n = 0; n < packed.payloads.size(); ++n)
      payloads.push_back(ReadWhole(work + "\\" + packed.payloads[n].name, 0xFFFFFFFFu, "payload"));
    const std::string& checks_bytes = packed.checks;
    const std::vector<uint8_t> version_info = WriteVersionInfo(InstallerVersionInfo(app_name, company, version));
    std::vector<pe::NewResource> resources;
    for (size_t n = 0; n < payloads.size(); ++n) {
      const auto name = pe::ResourceId::Name(packed.payloads[n].name);
      resources.push_back({name, name, pe::kLanguageChinesePrc, payloads[n]});
    }
    resources.push_back({pe::ResourceId::Name("INI"), pe::ResourceId::Name("CEND"), pe::kLanguageChinesePrc,
                         {reinterpret_cast<const uint8_t*>(packed.manifest.data()), packed.manifest.size()}});
    resources.push_back({pe::ResourceId::Name(payload_checks::kResourceType),
                         pe::ResourceId::Name(payload_checks::kResourceName), pe::kLanguageChinesePrc,
                         {reinterpret_cast<const uint8_t*>(checks_bytes.data()), checks_bytes.size()}});
    resources.push_back({pe::ResourceId::Number(pe::kTypeVersion), pe::ResourceId::Number(1),
                         pe::kLanguageChinesePrc, version_info});
    std::vector<uint8_t> image;
    try {
      image = stub->WithResources(resources);
    } catch (const pe::PeError& e) {
      throw PackError("the stub " + options.stub + " is refused: " + e.what());
    }
    stub.reset();
    payloads.clear();

    if (options.signing) {
      const std::string unsigned_copy = written.Add(work + "\\unsigned.exe");
      WriteWhole(unsigned_copy, image);
      written.Add(options.output);
      SignFile(*options.signing, unsigned_copy, options.output);
      say(options.output + ": signed");
    } else {
      written.Add(options.output);
      WriteWhole(options.output, image);
    }
    written.Keep(options.output);
    say(options.output + ": " + std::to_string(image.size()) + " bytes, " + std::to_string(packed.payloads.size()) +
        " payloads");
  } catch (const platform::Error& e) {
    throw PackError(e.what());
  }
}

}  // namespace packer
