// The payload resources of the installer and the two ways they reach files:
// SaveResourceToFile writes one resource of the running program in one piece
// (the manifest), TProgressResourceStream writes one block by block and
// reports after every block how much is done (the payload archives).
//
// Resources are looked up in the program's own module by name and type given
// as text; payload n is the resource "C<n>" of type "C<n>".
#pragma once

#include <functional>
#include <string>

#include "platform/streams.h"

namespace app {

// Writes all bytes of the resource to the file (created, or emptied when it
// exists) in one write. Raises platform::ResourceNotFound before touching the
// file, platform::FileCreateError, or platform::StreamWriteError when the file
// takes fewer bytes; the file is closed on every path.
void SaveResourceToFile(const std::string& name, const std::string& type, const std::string& file_name);

// A read-only stream over one module resource (see platform::TResourceStream)
// whose SaveToFile reports progress through OnProgress.
class TProgressResourceStream : public platform::TResourceStream {
 public:
  // Handler of the progress: the sending stream and the fraction written so
  // far, 0 < fraction <= 1, in single precision. May raise; the save then
  // ends with the file closed.
  using TProgressEvent = std::function<void(TProgressResourceStream& sender, float fraction)>;

  // Raises platform::ResourceNotFound ("Resource <name> not found").
  TProgressResourceStream(const std::string& name, const std::string& type) : TResourceStream(name, type) {}

  TProgressEvent OnProgress;  // empty by default
  // Handler of the bytes SaveToFile writes, each block once it is written,
  // before OnProgress: the payloads' checks are taken in the same read of the
  // resource. Empty by default.
  std::function<void(const uint8_t* data, int64_t count)> OnWritten;

  // Hides the inherited save. Without a handler: the inherited save, all bytes
  // in one write (an empty resource gives an empty file). With a handler: an
  // empty resource creates no file and calls nothing; otherwise the file is
  // created and written straight from the resource bytes in blocks of
  // size / 100 bytes (size >= 5000) or 50 bytes (smaller), the last block
  // taking what is left, and the handler is called after every block with
  // written / size, the last time with exactly 1.0.
  // Raises platform::FileCreateError, or platform::StreamWriteError when a
  // block is not taken whole (the file keeps what was written before it).
  void SaveToFile(const std::string& file_name);

  static constexpr int64_t kBlockDivisor = 100;
  static constexpr int64_t kSmallResourceLimit = 5000;
  static constexpr int64_t kSmallBlockSize = 50;
};

}  // namespace app
