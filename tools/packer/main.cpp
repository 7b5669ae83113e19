// packer: the vendor's tool that makes the installer's payloads.
//
//   packer PRODUCT_FOLDER MANIFEST_SOURCE OUTPUT_FOLDER [--password TEXT] [--level 1-9]
//
// Writes OUTPUT_FOLDER/C0 ... C<n-1> and OUTPUT_FOLDER/CEND. The password
// defaults to the installer's; a given one is taken as its bytes (GBK in a
// Chinese Windows console).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "app/payload.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "tools/packer/packer.h"

namespace {

int Usage() {
  std::fputs("usage: packer PRODUCT_FOLDER MANIFEST_SOURCE OUTPUT_FOLDER [--password TEXT] [--level 1-9]\n", stderr);
  return 2;
}

// Console text: GBK on Windows, UTF-8 elsewhere.
std::string Console(const std::string& gbk) {
#ifdef _WIN32
  return gbk;
#else
  return platform::GbkToUtf8(gbk);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  packer::PackOptions options;
  options.password = app::kArchivePassword;
  std::string positional[3];
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--password" && i + 1 < argc) {
      options.password = argv[++i];
    } else if (arg == "--level" && i + 1 < argc) {
      options.level = std::atoi(argv[++i]);
      if (options.level < 1 || options.level > 9) return Usage();
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else if (count < 3) {
      positional[count++] = arg;
    } else {
      return Usage();
    }
  }
  if (count != 3) return Usage();
  options.product_folder = positional[0];
  options.output_folder = positional[2];
  options.report = [](const std::string& line) {
    if (!line.empty() && line[0] == '\r') {
      std::fputs(Console(line).c_str(), stdout);
    } else {
      std::fputs(("\r" + Console(line) + "\n").c_str(), stdout);
    }
    std::fflush(stdout);
  };
  try {
    platform::File manifest(positional[1], platform::File::Mode::ReadShared);
    int64_t size = manifest.Size();
    if (size < 0 || size > (1 << 20)) throw packer::PackError(positional[1] + ": not a manifest (size)");
    options.manifest.resize(static_cast<size_t>(size));
    if (manifest.Read(options.manifest.data(), options.manifest.size()) != options.manifest.size())
      throw packer::PackError("cannot read " + positional[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "packer: %s\n", Console(e.what()).c_str());
    return 1;
  }
  try {
    packer::Pack(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "\npacker: %s\n", Console(e.what()).c_str());
    return 1;
  }
  return 0;
}
