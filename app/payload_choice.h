// Which payloads an installation takes and where each goes: the edition and
// the ticked systems decide the first, the FileType and FileDest words of the
// manifest the second. The run and the checks before it share these rules,
// so that what is checked is what will be written.
#pragma once

#include <string>

namespace app {

// What the user chose on the selection page.
struct ChosenSystems {
  std::string edition;  // the edition key
  bool sc = false, pos = false, wmsvr = false, kds = false;
};

// The program-bearing payload types, in the order of TfStep::ProgramPaths.
enum class ProgramPayload { None, LumoSc, LumoPos, WmSvr, SaasKds, LumoPosSy };

struct PayloadDecision {
  bool taken = false;
  ProgramPayload program = ProgramPayload::None;  // which program path the payload sets
};

// Whether a payload of this FileType word is extracted for the choice:
// LumoSc needs Sc; LumoPos, WmSvr and SaasKds need their box and the
// catering edition; LumoPosSy needs Pos and the commercial edition. Type
// words and edition keys are compared without regard to case. Every other
// word, UnInstall included, is always taken.
PayloadDecision DecidePayload(const std::string& type, const ChosenSystems& chosen);

// The folder a payload is extracted to, with one trailing backslash: the
// root its FileDest word names, followed by the type word as a sub-folder
// (except for UnInstall, which goes to the root itself). install_folder is
// the folder field's text. Raises what ResolveDestRoot raises.
std::string PayloadFolder(const std::string& type, const std::string& dest_word, const std::string& install_folder);

// True for the file names (any case) of the two databases a re-installation
// keeps untouched when they exist.
bool IsKeptDatabase(const std::string& file_name);

}  // namespace app
