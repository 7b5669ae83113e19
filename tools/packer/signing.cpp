#include "tools/packer/signing.h"

#include "tools/packer/zip_writer.h"

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/simulated/host_paths.h"

extern char** environ;
#endif

namespace packer {

#ifdef _WIN32

bool CanSign() { return false; }

void SignFile(const SigningOptions&, const std::string&, const std::string&) {
  throw PackError("packer.exe does not sign: sign with the packer of a Linux build machine (osslsigncode)");
}

#else

bool CanSign() { return true; }

void SignFile(const SigningOptions& options, const std::string& in, const std::string& out) {
  std::vector<std::string> args = {"osslsigncode", "sign",
                                   "-pkcs12", platform::simulated::ToHostPath(options.pkcs12),
                                   "-readpass", platform::simulated::ToHostPath(options.password_file),
                                   "-h", "sha256"};
  if (options.time) {
    args.push_back("-time");
    args.push_back(std::to_string(*options.time));
  }
  if (!options.timestamp_url.empty()) {
    args.push_back("-ts");
    args.push_back(options.timestamp_url);
  }
  args.insert(args.end(), {"-in", platform::simulated::ToHostPath(in), "-out", platform::simulated::ToHostPath(out)});
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  // osslsigncode's own report goes to our stderr, where the vendor sees why
  // it refused; its progress lines on stdout are not ours to print.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, "osslsigncode", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error == ENOENT) throw PackError("osslsigncode is not installed; it is needed to sign (apt-get install osslsigncode)");
  if (error != 0) throw PackError("cannot start osslsigncode (error " + std::to_string(error) + ")");
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw PackError("osslsigncode could not sign " + in + " (see its message above)");
}

#endif

}  // namespace packer
