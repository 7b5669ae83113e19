// unzipper: a command-line front end of the archive component.
//
//   unzipper list [--sort MODE] [--incomplete-mode multi|bad|notzip] ARCHIVE
//
// Each command lives in its own source file; adding one is one line in the
// table below.
//
// The tool never waits for a person: every message box the component would
// show is written to standard error and answered with its safe button
// (Cancel, No, or OK when it is the only one; console.h).
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/unzipper/commands.h"
#include "tools/unzipper/console.h"

namespace {

struct Command {
  const char* name;
  int (*run)(const unzipper::Arguments&);
  const char* usage;
};

const Command kCommands[] = {
    {"list", unzipper::ListCommand, "list [--sort MODE] [--incomplete-mode multi|bad|notzip] ARCHIVE"},
    {"extract", unzipper::ExtractCommand,
     "extract ARCHIVE DESTDIR [--password TEXT | --password-hex HEX] [--overwrite prompt|always|never|ifnewer|ifolder]"
     " [--recreate-dirs] [--replace-readonly] [--root-dir DIR] [--files PATTERN]... [--events]"},
};

int Usage() {
  std::string text = "usage:\n";
  for (const Command& c : kCommands) text += std::string("  unzipper ") + c.usage + "\n";
  unzipper::WriteError(text);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  unzipper::Arguments args = unzipper::CommandLine(argc, argv);
  if (args.size() < 2) return Usage();
  for (const Command& c : kCommands)
    if (args[1] == c.name) return c.run(unzipper::Arguments(args.begin() + 2, args.end()));
  return Usage();
}
