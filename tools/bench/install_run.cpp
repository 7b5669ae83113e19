// The installation run on its own, for the run benchmark (bench_install_run.py):
// the payloads C0..C5 and the manifest CEND of a folder become the program's
// resources (held in memory once, as the installer's image holds them), and
// TfStep's run installs the catering edition with all four systems into a
// folder of a sandbox, with the recording controls standing in for the
// window. Prints the run's wall time, the payload bytes held and the peak
// resident memory. THREADS sets the archive component's thread count (its
// default, the machine's processors, when absent), so that one build runs
// with workers and with the calling thread alone. The time covers the run up
// to its commit (install.dl written, what was moved aside deleted). With
// "reinstall", an untimed installation into the same folder comes first, and
// the timed run replaces it (every file moved aside, then deleted).
//
//   install_run SANDBOX_FOLDER PAYLOAD_FOLDER [THREADS [reinstall]]
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/step.h"
#include "app/testing/recording_controls.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/test_support.h"
#include "platform/testing/box_and_pump_hooks.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  in.seekg(0, std::ios::end);
  std::vector<uint8_t> bytes(static_cast<size_t>(in.tellg()));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  const bool reinstall = argc == 5 && std::string(argv[4]) == "reinstall";
  if (argc < 3 || argc > 5 || (argc == 5 && !reinstall)) {
    std::fputs("usage: install_run SANDBOX_FOLDER PAYLOAD_FOLDER [THREADS [reinstall]]\n", stderr);
    return 2;
  }
  try {
    platform::testing::SetSandboxRoot(argv[1]);
    platform::testing::SetSpecialFolders("C:\\TEMP\\", "C:\\WINDOWS", "C:\\WINDOWS\\system32");
    platform::ForceDirectories("C:\\TEMP\\");
    uint64_t payload_bytes = 0;
    for (const char* name : {"C0", "C1", "C2", "C3", "C4", "C5"}) {
      std::vector<uint8_t> bytes = ReadFile(std::string(argv[2]) + "/" + name);
      payload_bytes += bytes.size();
      platform::testing::AddModuleResource(name, name, std::move(bytes));
    }
    platform::testing::AddModuleResource("CEND", "INI", ReadFile(std::string(argv[2]) + "/CEND"));
    platform::testing::AddModuleResource("CCRC", "CRC", ReadFile(std::string(argv[2]) + "/CCRC"));

    std::vector<std::string> boxes;
    platform::SetMessageBoxResponder([&](const std::string& text, const std::string&, unsigned) {
      boxes.push_back(text);
      return 1;
    });
    app::testing::RecordingControls controls;
    app::TfStep step;
    if (argc >= 4) step.UnZipIt.ThreadCount = std::max(1, std::atoi(argv[3]));
    step.SetControls(&controls);
    step.ReadManifest();
    controls.SetText(app::Control::EInstallFolder, "C:\\Program Files\\Orvane云专家美食版V3");
    step.EditionKey = "CySaaS";
    for (auto c : {app::Control::CkIns_Sc, app::Control::CkIns_Pos, app::Control::CkIns_WmSvr, app::Control::CkIns_Kds})
      controls.SetChecked(c, true);

    if (reinstall) {
      step.ExtractPayloads(step.CaptureRequest());
      step.CommitRun();
    }
    // Wall time by the platform's clock, processor time by the C library's.
    const uint64_t start = platform::MonotonicMicroseconds();
    const std::clock_t cpu_start = std::clock();
    step.ExtractPayloads(step.CaptureRequest());
    step.CommitRun();
    const double seconds = static_cast<double>(platform::MonotonicMicroseconds() - start) / 1e6;
    const double cpu_seconds = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("threads %d\nrun_seconds %.3f\ncpu_seconds %.3f\nentries %zu\nboxes %zu\npayload_bytes %llu\npeak_rss_bytes %llu\n",
                step.UnZipIt.ThreadCount, seconds, cpu_seconds, step.UninstallList.size() - 2, boxes.size(), static_cast<unsigned long long>(payload_bytes),
                static_cast<unsigned long long>(usage.ru_maxrss) * 1024);
    step.FormDestroy();
    return boxes.empty() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "install_run: %s\n", e.what());
    return 1;
  }
}
