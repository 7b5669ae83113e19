// Shell links through the shell's link object: IShellLinkW for the texts and
// IPersistFile for the file, so the texts are kept as Unicode, converted from
// GBK with code page 936 whatever the machine's ANSI code page is.
#include "platform/shell_links.h"

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/windows/com_ptr.h"
#include "platform/windows/wide.h"

namespace platform {
namespace {

using windows::ComPtr;
using windows::Narrow;
using windows::Wide;

ComPtr<IShellLinkW> CreateLinkObject() {
  ComPtr<IShellLinkW> link;
  CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid());
  return link;
}

// COM for this thread during one call, for readers that may run before the
// program initialised it; balanced on every path.
class ComForThisCall {
 public:
  ComForThisCall() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ComForThisCall(const ComForThisCall&) = delete;
  ComForThisCall& operator=(const ComForThisCall&) = delete;
  ~ComForThisCall() {
    if (SUCCEEDED(result_)) CoUninitialize();  // S_FALSE too: the count went up
  }

 private:
  HRESULT result_;
};

std::string Text(const wchar_t* buffer) { return Narrow(buffer, wcslen(buffer)); }

}  // namespace

struct ShellLink::Object {
  ComPtr<IShellLinkW> link;
};

ShellLink::ShellLink() : object_(std::make_unique<Object>()) {
  object_->link = CreateLinkObject();
  if (!object_->link) throw ShellLinkError();
}

ShellLink::~ShellLink() = default;

bool ShellLink::SetPath(const std::string& target) { return SUCCEEDED(object_->link->SetPath(Wide(target).c_str())); }

bool ShellLink::SetWorkingDirectory(const std::string& folder) {
  return SUCCEEDED(object_->link->SetWorkingDirectory(Wide(folder).c_str()));
}

bool ShellLink::SetDescription(const std::string& description) {
  return SUCCEEDED(object_->link->SetDescription(Wide(description).c_str()));
}

bool ShellLink::Save(const std::string& link_file) {
  auto file = object_->link.As<IPersistFile>(IID_IPersistFile);
  return file && SUCCEEDED(file->Save(Wide(link_file).c_str(), TRUE));
}

std::optional<ShellLinkInfo> ReadShellLink(const std::string& link_file) {
  ComForThisCall com;
  ComPtr<IShellLinkW> link = CreateLinkObject();
  if (!link) return std::nullopt;
  auto file = link.As<IPersistFile>(IID_IPersistFile);
  if (!file || FAILED(file->Load(Wide(link_file).c_str(), STGM_READ))) return std::nullopt;
  ShellLinkInfo info;
  wchar_t buffer[INFOTIPSIZE] = {};
  // The target as stored, not resolved against the file system of today.
  if (FAILED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH))) return std::nullopt;
  info.target = Text(buffer);
  buffer[0] = L'\0';
  if (FAILED(link->GetWorkingDirectory(buffer, MAX_PATH))) return std::nullopt;
  info.working_directory = Text(buffer);
  buffer[0] = L'\0';
  if (FAILED(link->GetDescription(buffer, INFOTIPSIZE))) return std::nullopt;
  info.description = Text(buffer);
  return info;
}

}  // namespace platform
