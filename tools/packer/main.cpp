// packer: the vendor's tool that makes the installer.
//
//   packer PRODUCT_FOLDER MANIFEST_SOURCE --stub STUB.exe --out SETUP.exe [--level 1-9]
//          [--sign-pkcs12 FILE --sign-password-file FILE [--sign-time UNIX_SECONDS] [--sign-timestamp URL]]
//   packer PRODUCT_FOLDER MANIFEST_SOURCE OUTPUT_FOLDER [--password TEXT] [--level 1-9]
//
// The first form writes the finished installer from the stub; the second
// writes the payloads C0 ... C<n-1>, CEND and the payload checks CCRC into
// OUTPUT_FOLDER. The stub
// form takes no password: the stub decrypts with its own. In the folder
// form the password defaults to the installer's; a given one is taken as its
// bytes (GBK in a Chinese Windows console).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "app/payload.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "tools/packer/installer_writer.h"
#include "tools/packer/packer.h"

namespace {

int Usage() {
  std::fputs(
      "usage: packer PRODUCT_FOLDER MANIFEST_SOURCE --stub STUB.exe --out SETUP.exe [--level 1-9]\n"
      "              [--sign-pkcs12 FILE --sign-password-file FILE [--sign-time UNIX_SECONDS] [--sign-timestamp URL]]\n"
      "       packer PRODUCT_FOLDER MANIFEST_SOURCE OUTPUT_FOLDER [--password TEXT] [--level 1-9]\n",
      stderr);
  return 2;
}

// Console text: GBK on Windows, UTF-8 elsewhere; paths the same way.
std::string Console(const std::string& gbk) {
#ifdef _WIN32
  return gbk;
#else
  return platform::GbkToUtf8(gbk);
#endif
}
std::string FromConsole(const std::string& text) {
#ifdef _WIN32
  return text;
#else
  return platform::Utf8ToGbk(text);
#endif
}

int Fail(const std::exception& e) {
  std::fprintf(stderr, "\npacker: %s\n", Console(e.what()).c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  int level = 6;
  std::string password = app::kArchivePassword;
  bool password_given = false;
  std::string stub, output, pkcs12, password_file, sign_time, timestamp_url;
  bool signing_given = false;
  std::string positional[3];
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    auto value = [&]() { return FromConsole(argv[++i]); };
    if (arg == "--password" && has_value) {
      password = argv[++i];
      password_given = true;
    } else if (arg == "--level" && has_value) {
      level = std::atoi(argv[++i]);
      if (level < 1 || level > 9) return Usage();
    } else if (arg == "--stub" && has_value) {
      stub = value();
    } else if (arg == "--out" && has_value) {
      output = value();
    } else if (arg == "--sign-pkcs12" && has_value) {
      pkcs12 = value();
      signing_given = true;
    } else if (arg == "--sign-password-file" && has_value) {
      password_file = value();
      signing_given = true;
    } else if (arg == "--sign-time" && has_value) {
      sign_time = argv[++i];
      signing_given = true;
    } else if (arg == "--sign-timestamp" && has_value) {
      timestamp_url = argv[++i];
      signing_given = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else if (count < 3) {
      positional[count++] = FromConsole(arg);
    } else {
      return Usage();
    }
  }
  const bool stub_form = !stub.empty() || !output.empty();
  if (stub_form) {
    if (count != 2 || stub.empty() || output.empty()) return Usage();
    if (password_given) {
      std::fputs("packer: the stub form takes no --password: the installer decrypts with the password built into "
                 "the stub\n",
                 stderr);
      return 2;
    }
  } else {
    if (count != 3 || signing_given) return Usage();
  }
  auto report = [](const std::string& line) {
    if (!line.empty() && line[0] == '\r') {
      std::fputs(Console(line).c_str(), stdout);
    } else {
      std::fputs(("\r" + Console(line) + "\n").c_str(), stdout);
    }
    std::fflush(stdout);
  };

  std::string manifest;
  try {
    auto bytes = platform::ReadSmallFile(positional[1], 1 << 20);
    if (!bytes) throw packer::PackError("cannot read the manifest source " + positional[1] + " (or over 1 MB)");
    manifest = std::move(*bytes);
  } catch (const std::exception& e) {
    return Fail(e);
  }

  try {
    if (stub_form) {
      packer::InstallerOptions options;
      options.product_folder = positional[0];
      options.manifest = manifest;
      options.stub = stub;
      options.output = output;
      options.password = password;
      options.level = level;
      options.report = report;
      if (signing_given) {
        if (!packer::CanSign()) packer::SignFile({}, "", "");  // says why not
        if (pkcs12.empty() || password_file.empty()) {
          std::fputs("packer: signing needs both --sign-pkcs12 and --sign-password-file\n", stderr);
          return 2;
        }
        packer::SigningOptions signing{pkcs12, password_file, std::nullopt, timestamp_url};
        if (!sign_time.empty()) {
          char* end = nullptr;
          const long long seconds = std::strtoll(sign_time.c_str(), &end, 10);
          if (*end != '\0' || seconds < 0) return Usage();
          signing.time = seconds;
        }
        options.signing = signing;
      }
      packer::WriteInstaller(options);
    } else {
      packer::PackOptions options;
      options.product_folder = positional[0];
      options.manifest = manifest;
      options.output_folder = positional[2];
      options.password = password;
      options.level = level;
      options.report = report;
      packer::Pack(options);
    }
  } catch (const std::exception& e) {
    return Fail(e);
  }
  return 0;
}
