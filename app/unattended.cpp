#include "app/unattended.h"

#include <cstdio>
#include <exception>
#include <memory>

#include "app/memory_controls.h"
#include "app/step.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/messages.h"

namespace app {

struct InstallLog::State {
  uint64_t start = platform::MonotonicMicroseconds();
  std::unique_ptr<platform::File> file;
};

InstallLog::InstallLog(const std::string& file_name) : state_(std::make_unique<State>()) {
  if (file_name.empty()) return;
  // The log may name a folder that does not exist yet (often the
  // installation folder itself).
  const size_t folder_end = gbk::LastBackslash(file_name);
  if (folder_end != std::string::npos && folder_end > 0) {
    const std::string folder = file_name.substr(0, folder_end);
    if (!platform::DirectoryExists(folder)) platform::ForceDirectories(folder);
  }
  try {
    state_->file = std::make_unique<platform::File>(file_name, platform::File::Mode::Create);
  } catch (const std::exception&) {
    // The installation does not depend on its log: it goes on without one.
  }
}

InstallLog::~InstallLog() = default;

bool InstallLog::Opened() const { return state_->file != nullptr; }

void InstallLog::Line(const std::string& text) {
  if (!state_->file) return;
  const double seconds = static_cast<double>(platform::MonotonicMicroseconds() - state_->start) / 1e6;
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "[%8.3f] ", seconds);
  // One entry, one line: the line breaks of a box's text become " / ".
  std::string line = stamp;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      while (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n')) ++i;
      line += " / ";
    } else {
      line += text[i];
    }
  }
  line += "\r\n";
  state_->file->Write(line.data(), line.size());
}

namespace {

// The controls of the unattended run: no window; what the wizard would show
// as the run's status and the progress window's texts goes to the log.
class LoggedControls : public MemoryControls {
 public:
  explicit LoggedControls(InstallLog& log) : log_(log) {}

  void SetText(Control control, const std::string& text) override {
    if (control == Control::EInstallProcess && text != Text(control)) log_.Line(text);
    MemoryControls::SetText(control, text);
  }
  void ShowProgressInfo(const std::string& text) override { log_.Line(text); }

 private:
  InstallLog& log_;
};

// Answers a message box by writing it to the log: with the safe button
// (Cancel, No, or OK when it is the only one), as nobody is there to choose;
// Retry is never the answer, so a box of files in use ends the installation.
platform::MessageBoxResponder BoxesToLog(InstallLog& log) {
  return [&log](const std::string& text, const std::string& title, unsigned style) {
    log.Line("[" + title + "] " + text);
    return platform::SafeButton(style);
  };
}

}  // namespace

int RunUnattended(const CommandLine& line, InstallLog& log) {
  LoggedControls controls(log);
  TfStep step;
  step.SetControls(&controls);
  step.Unattended = true;
  // Every box of the wizard and of its archive component goes to the log.
  step.MessageBoxes = BoxesToLog(log);
  step.UnZipIt.MessageBoxes = step.MessageBoxes;

  int code = kExitSuccess;
  try {
    step.FormCreate();
    log.Line("安装 " + step.fAppName + " " + step.fAppVersion + " 到 " + line.folder);
    // The command line is the confirmation: the request is made from it
    // directly, with no selection page in between.
    ChosenSystems systems;
    systems.edition = line.edition;
    systems.sc = line.sc;
    systems.pos = line.pos;
    systems.wmsvr = line.wmsvr;
    systems.kds = line.kds;
    const InstallRequest request = MakeInstallRequest(line.folder, systems);
    if (!step.CheckBeforeWriting(request)) {
      switch (step.LastWriteCheck()) {
        case WriteCheck::FilesInUse: code = kExitFilesInUse; break;
        case WriteCheck::LinkLeadingOut: code = kExitLinkLeadingOut; break;
        default: code = kExitDiskFull; break;
      }
    } else {
      step.InstallChosenSystems(request);
    }
  } catch (const ERunFailed& e) {
    // Undone: nothing of the run is left.
    log.Line(std::string("[错误] ") + e.what());
    code = e.Cause() == RunFailure::Damaged ? kExitExtractionFailed
           : e.Cause() == RunFailure::Write ? kExitFilesNotWritten
                                            : kExitRunFailed;
  } catch (const EPayloadDamaged& e) {
    log.Line(std::string("[错误] ") + e.what());
    code = kExitExtractionFailed;
  } catch (const std::exception& e) {
    log.Line(std::string("安装失败: ") + e.what());
    code = kExitRunFailed;
  }
  step.FormDestroy();
  log.Line("退出代码 " + std::to_string(code));
  return code;
}

}  // namespace app
