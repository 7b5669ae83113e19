// Shell links: the ".lnk" shortcut files of the Programs menu and the
// Desktop. Texts are GBK. On Windows a ShellLink is the shell's link object
// (IShellLinkW with IPersistFile), so Chinese names, targets and descriptions
// are stored as Unicode whatever the machine's code page; natively a link is
// a small file in the sandbox holding the same three texts.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/errors.h"

namespace platform {

// "Cannot create the shell link object": the shell's link object is not
// available (COM not initialised on this thread, or the class missing).
class ShellLinkError : public Error {
 public:
  ShellLinkError() : Error("Cannot create the shell link object") {}
};

// A shell link being composed; nothing touches the disk before Save.
class ShellLink {
 public:
  // Creates the link object; throws ShellLinkError when that fails.
  ShellLink();
  ~ShellLink();
  ShellLink(const ShellLink&) = delete;
  ShellLink& operator=(const ShellLink&) = delete;

  // Each returns false when the object refuses the text.
  bool SetPath(const std::string& target);
  bool SetWorkingDirectory(const std::string& folder);
  bool SetDescription(const std::string& description);

  // Writes the link to link_file, replacing an existing file; false when the
  // file cannot be written (missing folder, no rights).
  bool Save(const std::string& link_file);

 private:
  struct Object;
  std::unique_ptr<Object> object_;
};

// What a saved link holds, as the shell reads it back.
struct ShellLinkInfo {
  std::string target;
  std::string working_directory;
  std::string description;
};

// Reads a link file; nullopt when it is missing or not a link.
std::optional<ShellLinkInfo> ReadShellLink(const std::string& link_file);

}  // namespace platform
