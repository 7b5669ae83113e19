// Authenticode signing through osslsigncode, run as a program of the build
// machine. Only the native packer signs; packer.exe says so and refuses.
#pragma once

#include <optional>
#include <string>

namespace packer {

struct SigningOptions {
  std::string pkcs12;         // the certificate and key
  std::string password_file;  // the PKCS#12 password, one line
  // Seconds since 1970 recorded as the signing time; with it the signed
  // file is the same bytes on every run. Without it, the time of signing.
  std::optional<long long> time;
  std::string timestamp_url;  // an RFC 3161 server, or empty for none
};

// True where this packer can sign (the native packer).
bool CanSign();

// Writes a signed copy of `in` to `out` (host paths as the platform takes
// them). Raises PackError with osslsigncode's complaint, or saying that
// osslsigncode is not installed.
void SignFile(const SigningOptions& options, const std::string& in, const std::string& out);

}  // namespace packer
