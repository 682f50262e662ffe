// Creating and removing folder trees for the backup store, keeping the text of
// the last failure.
#pragma once

#include <string>

namespace clarivo {

class CDiskObject {
 public:
  // Creates every missing folder along `path`, one level at a time. Stops at
  // the first failure. True when the whole path exists as a folder at the end.
  bool CreateDirectory(const std::string& path);
  // Removes `path` with every file and folder below it, deepest first; stops
  // at the first failure. Symbolic links are removed, never followed.
  bool RemoveDirectories(const std::string& path);

  // The system's message for the last failure, a blank and the path; empty
  // when nothing failed yet.
  const std::string& error() const { return error_; }

 private:
  bool Fail(int error_code, const std::string& path);

  std::string error_;
};

}  // namespace clarivo
