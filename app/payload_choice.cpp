#include "app/payload_choice.h"

#include "app/manifest.h"
#include "app/payload.h"
#include "app/toolkit.h"

namespace app {

PayloadDecision DecidePayload(const std::string& type, const ChosenSystems& chosen) {
  const bool catering = SameText(chosen.edition, kEditionCatering);
  const bool commercial = SameText(chosen.edition, kEditionCommercial);
  struct Rule {
    const char* type;
    bool taken;
    ProgramPayload program;
  };
  const Rule rules[] = {
      {"LumoSc", chosen.sc, ProgramPayload::LumoSc},
      {"LumoPos", chosen.pos && catering, ProgramPayload::LumoPos},
      {"WmSvr", chosen.wmsvr && catering, ProgramPayload::WmSvr},
      {"SaasKds", chosen.kds && catering, ProgramPayload::SaasKds},
      {"LumoPosSy", chosen.pos && commercial, ProgramPayload::LumoPosSy},
  };
  for (const Rule& rule : rules)
    if (SameText(type, rule.type)) return {rule.taken, rule.program};
  return {true, ProgramPayload::None};
}

std::string PayloadFolder(const std::string& type, const std::string& dest_word, const std::string& install_folder) {
  std::string folder = TrimWithBackslash(ResolveDestRoot(dest_word, install_folder));
  if (!SameText(type, kPayloadTypeUnInstall)) folder = TrimWithBackslash(folder + type);
  return folder;
}

bool IsKeptDatabase(const std::string& file_name) {
  for (const char* name : kKeptDatabaseNames)
    if (SameText(file_name, name)) return true;
  return false;
}

}  // namespace app
