// A folder that only the program that made it uses: the scratch folder of a
// program that runs as administrator. Anything a user-level program can
// write is untrusted for such a program, and the user's temporary folder is
// such a place: a fixed name there may already be a file, a folder, or a
// link to another file or folder. So the folder is made fresh, under a name
// that nobody chose before it (the creation fails when the name exists, and
// another name is tried), with permissions for its owner, the administrators
// and SYSTEM only. While it is owned, it is held open so that it cannot be
// renamed or swapped for a link. It is removed with everything in it, and a
// link found inside is removed as a link: what it leads to stays untouched.
#pragma once

#include <memory>
#include <string>

namespace platform {

class PrivateFolder {
 public:
  // Makes a new folder named prefix + a random part directly inside parent
  // (which ends with a backslash). Null when no folder could be made there
  // (the parent missing or not writable).
  static std::unique_ptr<PrivateFolder> Create(const std::string& parent, const std::string& prefix);
  // Removes the folder and all it holds, unless Keep() was called.
  ~PrivateFolder();
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  // The folder, ending with a backslash.
  const std::string& Path() const { return path_; }
  // Lets go of the folder: it stays on disk for another process to use and
  // remove (it is no longer held open). Returns its path.
  std::string Keep();

 private:
  struct Hold;
  PrivateFolder(std::string path, std::unique_ptr<Hold> hold);
  std::string path_;
  std::unique_ptr<Hold> hold_;
  bool kept_ = false;
};

// Removes a folder and everything in it without following links: a link or
// junction inside is deleted itself, and what it leads to stays as it is.
// A folder path that is itself a link removes only the link. True when the
// folder is gone.
bool RemoveFolderTree(const std::string& folder);

}  // namespace platform
