// The installation run. (Being written.)
#include "app/step.h"

namespace app {

void TfStep::ExtractPayloads() {}
void TfStep::CopyPayloadsToTemp(std::vector<std::string>&) {}
void TfStep::ClearTempFolder(const std::string&) {}
void TfStep::UnZipItStartUnZip(archive::TUnZipper*, int, std::string&, bool&) {}
void TfStep::UnZipItFilePercentDone(archive::TUnZipper*, int) {}
void TfStep::PayloadProgress(TProgressResourceStream&, float) {}

}  // namespace app
