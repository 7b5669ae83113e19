// unzipper extract: extraction with the archive component, as the installer
// runs it, with its policies on the command line.
//
//   unzipper extract ARCHIVE DESTDIR [--password TEXT | --password-hex HEX]
//       [--overwrite prompt|always|never|ifnewer|ifolder] [--recreate-dirs]
//       [--replace-readonly] [--root-dir DIR] [--files PATTERN]... [--events]
//
// Without --files every entry is extracted (DoAll); each --files adds a line
// to FilesList. --password takes the text as GBK (natively the command line
// is UTF-8 and is converted); --password-hex gives the password's exact
// bytes. --overwrite prompt asks on the console (standard error, answer on
// standard input; no answer keeps the file).
//
// With --events every event of the component prints one line on standard
// output, in the order raised: its name, then its arguments separated by
// single spaces (Sender left out; Booleans as 0/1; CRCs as eight hex
// digits; a file name runs to the end of the line):
//   OnStartUnZipInfo NUMFILES TOTALBYTES
//   OnStartUnZip INDEX FNAME
//   OnFilePercentDone PERCENT
//   OnTotalPercentDone PERCENT
//   OnPromptForOverwrite INDEX FNAME
//   OnSkippingFile REASON INDEX FNAME
//   OnBadPassword INDEX             (the password itself is never printed)
//   OnBadCRC CALCCRC STOREDCRC INDEX
//   OnEndUnZip INDEX FNAME
//   OnInCompleteZip MODE
//   OnGetNextDisk DISK FNAME
//   OnUnZipComplete FILECOUNT
// File names are printed as the component holds them (GBK), with control
// characters and "%" written as %XX (two hex digits), so that a name holding
// a line break cannot make a line of its own.
//
// The tool never waits for a person (main.cpp answers the component's message
// boxes without a window), and the event handlers report a missing end record or a missing
// disk once and then give up, as the component's own defaults do. An entry
// the component cannot extract (ZIP64) or refuses as bad (its data overlaps
// another entry's) is named on standard error with the reason.
//
// Exit code: 0 when every selected entry was extracted with a matching CRC,
// 1 when some were skipped or failed (or the command line is wrong), 2 when
// an error ended the run (its message on standard error).
#include <cstdio>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>

#include "archive/unzipper.h"
#include "platform/encoding.h"
#include "tools/unzipper/commands.h"
#include "tools/unzipper/console.h"

namespace unzipper {
namespace {

const char kExtractUsage[] =
    "usage: unzipper extract ARCHIVE DESTDIR [--password TEXT | --password-hex HEX]\n"
    "       [--overwrite prompt|always|never|ifnewer|ifolder] [--recreate-dirs] [--replace-readonly]\n"
    "       [--root-dir DIR] [--files PATTERN]... [--events] [--threads N]\n";

struct ExtractOptions {
  std::string archive, dest;
  std::string password;
  archive::TUZOverwriteMode overwrite = archive::Always;
  bool recreate_dirs = false, replace_readonly = false, events = false;
  std::string root_dir;
  std::vector<std::string> files;
  int threads = 0;  // 0: the component's default (the machine's processors)
};

bool ParseHex(const std::string& hex, std::string& bytes) {
  if (hex.size() % 2) return false;
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  bytes.clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    int high = digit(hex[i]), low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(static_cast<char>(high * 16 + low));
  }
  return true;
}

bool ParseOverwrite(const std::string& text, archive::TUZOverwriteMode& mode) {
  static const struct {
    const char* name;
    archive::TUZOverwriteMode mode;
  } kModes[] = {{"prompt", archive::Prompt},
                {"always", archive::Always},
                {"never", archive::Never},
                {"ifnewer", archive::ifNewer},
                {"ifolder", archive::ifOlder}};
  for (const auto& m : kModes)
    if (text == m.name) {
      mode = m.mode;
      return true;
    }
  return false;
}

// False (with a message) on a command line that cannot be used.
bool ParseExtract(const Arguments& args, ExtractOptions& o) {
  std::vector<std::string> positional;
  bool have_password = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool has_value = i + 1 < args.size();
    if (a == "--password" && has_value && !have_password) {
#ifdef _WIN32
      o.password = args[++i];
#else
      o.password = platform::Utf8ToGbk(args[++i]);
#endif
      have_password = true;
    } else if (a == "--password-hex" && has_value && !have_password) {
      if (!ParseHex(args[++i], o.password)) {
        WriteError("--password-hex: not a hexadecimal byte string\n");
        return false;
      }
      have_password = true;
    } else if (a == "--overwrite" && has_value) {
      if (!ParseOverwrite(args[++i], o.overwrite)) {
        WriteError("unknown overwrite mode: " + args[i] + "\n");
        return false;
      }
    } else if (a == "--recreate-dirs") {
      o.recreate_dirs = true;
    } else if (a == "--replace-readonly") {
      o.replace_readonly = true;
    } else if (a == "--root-dir" && has_value) {
      o.root_dir = args[++i];
    } else if (a == "--files" && has_value) {
      o.files.push_back(args[++i]);
    } else if (a == "--events") {
      o.events = true;
    } else if (a == "--threads" && has_value) {
      const std::string& n = args[++i];
      if (n.empty() || n.size() > 2 || n.find_first_not_of("0123456789") != std::string::npos || std::stoi(n) < 1) {
        WriteError("--threads: a number from 1 to 99\n");
        return false;
      }
      o.threads = std::stoi(n);
    } else if (a.rfind("--", 0) == 0) {
      WriteError(kExtractUsage);
      return false;
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) {
    WriteError(kExtractUsage);
    return false;
  }
  o.archive = positional[0];
  o.dest = positional[1];
  return true;
}

std::string Hex8(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

// A name for an event line: control characters and "%" as %XX.
std::string EscapedName(const std::string& name) {
  std::string out;
  for (char c : name) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '%') {
      char text[4];
      std::snprintf(text, sizeof text, "%%%02X", byte);
      out += text;
    } else {
      out += c;
    }
  }
  return out;
}

// Raised by the OnInCompleteZip handler the second time it is asked: the
// component's own answer to a missing end record, which ends the run.
class IncompleteGivenUp : public std::runtime_error {
 public:
  IncompleteGivenUp() : std::runtime_error(archive::EIncompleteZip().what()) {}
};

// Why an entry was passed by, for the reasons that need a word on standard
// error; empty for the others (they show in the events and the exit code).
std::string SkipExplanation(archive::TSkipReason reason) {
  switch (reason) {
    case archive::SkipUnsupported: return "a ZIP64 entry, which this reader does not extract";
    case archive::SkipBadEntry: return "a bad entry (its data overlaps an entry already extracted, or is too short)";
    default: return std::string();
  }
}

// Standard output, written in whole lines as events arrive.
void EventLine(const std::string& line) {
  WriteOut(line + "\n");
  std::fflush(stdout);
}

}  // namespace

int ExtractCommand(const Arguments& args) {
  ExtractOptions o;
  if (!ParseExtract(args, o)) return 1;

  int failures = 0;
  int selected = 0;
  const bool ev = o.events;
  try {
    archive::TUnZipper z;
    z.MessageBoxes = AnswerWithoutWindow;
    z.DoProcessMessages = false;  // no windows to serve
    z.SetZipName(o.archive);
    z.SetDestDir(o.dest);
    z.Password = o.password;
    z.OverwriteMode = o.overwrite;
    z.RecreateDirs = o.recreate_dirs;
    z.ReplaceReadOnly = o.replace_readonly;
    if (o.threads > 0) z.ThreadCount = o.threads;
    z.SetRootDir(o.root_dir);
    z.DoAll = o.files.empty();
    z.SetFilesList(o.files);

    z.OnStartUnZipInfo = [&](archive::TUnZipper*, int n, int64_t total, bool&) {
      selected = n;
      if (ev) EventLine("OnStartUnZipInfo " + std::to_string(n) + " " + std::to_string(total));
    };
    z.OnSkippingFile = [&](archive::TUnZipper*, archive::TSkipReason reason, const std::string& fname, int index,
                           bool&) {
      ++failures;
      if (ev) EventLine("OnSkippingFile " + std::to_string(reason) + " " + std::to_string(index) + " " + EscapedName(fname));
      const std::string why = SkipExplanation(reason);
      if (!why.empty()) WriteError("skipped " + EscapedName(fname) + ": " + why + "\n");
    };
    z.OnBadCRC = [&](archive::TUnZipper*, uint32_t calc, uint32_t stored, int index) {
      ++failures;
      if (ev) EventLine("OnBadCRC " + Hex8(calc) + " " + Hex8(stored) + " " + std::to_string(index));
    };
    z.OnPromptForOverwrite = [&](archive::TUnZipper*, bool& overwrite, int index, std::string& fname) {
      if (ev) EventLine("OnPromptForOverwrite " + std::to_string(index) + " " + EscapedName(fname));
      WriteError("Replace existing file " + fname + "? [y/N] ");
      std::string answer;
      if (std::getline(std::cin, answer)) overwrite = !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
    };
    if (ev) {
      z.OnStartUnZip = [](archive::TUnZipper*, int index, std::string& fname, bool&) {
        EventLine("OnStartUnZip " + std::to_string(index) + " " + EscapedName(fname));
      };
      z.OnFilePercentDone = [](archive::TUnZipper*, int p) { EventLine("OnFilePercentDone " + std::to_string(p)); };
      z.OnTotalPercentDone = [](archive::TUnZipper*, int p) { EventLine("OnTotalPercentDone " + std::to_string(p)); };
      z.OnBadPassword = [](archive::TUnZipper*, int index, std::string&) {
        EventLine("OnBadPassword " + std::to_string(index));
      };
      z.OnEndUnZip = [](archive::TUnZipper*, int index, const std::string& fname) {
        EventLine("OnEndUnZip " + std::to_string(index) + " " + EscapedName(fname));
      };
      // Reported once; asked again, the handler has nothing new to offer.
      z.OnInCompleteZip = [reported = false](archive::TUnZipper*, archive::TIncompleteZipMode& mode) mutable {
        if (reported) throw IncompleteGivenUp();
        reported = true;
        EventLine("OnInCompleteZip " + std::to_string(static_cast<int>(mode)));
      };
      // The default's proposal, once per disk: asked for the same disk again,
      // the proposal did not serve and no name comes (the component then
      // cancels loading the disk).
      z.OnGetNextDisk = [&z, last_disk = 0](archive::TUnZipper* sender, int disk, std::string& fname) mutable {
        if (disk == last_disk) {
          fname.clear();
          return;
        }
        last_disk = disk;
        z.DefaultGetNextDisk(sender, disk, fname);
        EventLine("OnGetNextDisk " + std::to_string(disk) + " " + EscapedName(fname));
      };
      z.OnUnZipComplete = [](archive::TUnZipper*, int count) {
        EventLine("OnUnZipComplete " + std::to_string(count));
      };
    }

    int extracted = z.UnZip();
    return failures > 0 || extracted < selected ? 1 : 0;
  } catch (const std::exception& e) {
    WriteError(std::string(e.what()) + "\n");
    return 2;
  }
}

}  // namespace unzipper
