// Errors raised by the platform services. Every message is GBK text and is
// exactly what the program shows; callers catch these by class.
#pragma once

#include <stdexcept>
#include <string>

namespace platform {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "Cannot open file <path>": an existing file could not be opened.
class FileOpenError : public Error {
 public:
  explicit FileOpenError(const std::string& path) : Error("Cannot open file " + path) {}
};

// "Cannot create file <path>": a file could not be created or emptied.
class FileCreateError : public Error {
 public:
  explicit FileCreateError(const std::string& path) : Error("Cannot create file " + path) {}
};

// "Stream write error": a stream took fewer bytes than it was given.
class StreamWriteError : public Error {
 public:
  StreamWriteError() : Error("Stream write error") {}
};

// "Stream read error": a stream gave fewer bytes than a whole-record read needs.
class StreamReadError : public Error {
 public:
  StreamReadError() : Error("Stream read error") {}
};

// "Resource <name> not found".
class ResourceNotFound : public Error {
 public:
  explicit ResourceNotFound(const std::string& name) : Error("Resource " + name + " not found") {}
};

}  // namespace platform
