// The installer's command line. Without arguments the wizard runs. With /S it
// installs unattended, with no window and no message box:
//
//   DIzavozi.exe /S /EDITION=CySaaS|SySaaS /DIR=<folder> /SYSTEMS=Sc,Pos,WmSvr,Kds [/LOG=<file>]
//
// /? asks for the usage. Switch names, edition keys and system names are
// matched without regard to case; arguments are GBK text (the Windows entry
// converts the wide command line through code page 936).
#pragma once

#include <string>
#include <vector>

namespace app {

// Exit codes of an unattended installation (and of the wizard when it
// refuses to start).
enum ExitCode : int {
  kExitSuccess = 0,
  kExitRunFailed = 1,         // the run failed for another reason; what it wrote was undone
  kExitBadArguments = 2,      // the command line could not be understood
  kExitExtractionFailed = 3,  // the payloads are damaged (an entry failed its checks); undone
  kExitFilesNotWritten = 4,   // a file or folder could not be written (the log says why); undone
  kExitFilesInUse = 5,        // target files held open by running programs; nothing written
  kExitDiskFull = 6,          // not enough free space; nothing written
  kExitAlreadyRunning = 7,    // another installer is running
  kExitLinkLeadingOut = 8,    // a link in the installation folder leads out of it; nothing written
};

struct CommandLine {
  enum class Mode { Wizard, Usage, Unattended, Invalid };
  Mode mode = Mode::Wizard;
  std::string edition;  // "CySaaS" or "SySaaS" (canonical spelling)
  std::string folder;   // as given
  bool sc = false, pos = false, wmsvr = false, kds = false;
  std::string log_file;  // empty: no log
  std::string error;     // for Mode::Invalid: what is wrong, one line
};

// Reads the arguments (without the program name).
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The usage text shown for /? and after a bad command line.
std::string UsageText();

}  // namespace app
