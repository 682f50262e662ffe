// Whole-file reads and crash-safe whole-file writes.
#pragma once

#include <optional>
#include <string>

namespace clarivo {

// Writes `content` to a temporary file in the same folder, flushes it to disk
// and renames it over `path`, so that readers see the old or the new file,
// never a mix. Creates missing parent folders (mode 0700). On failure answers
// false, leaves `path` as it was and sets `error` (when given).
bool WriteFileAtomically(const std::string& path, const std::string& content, int mode = 0600,
                         std::string* error = nullptr);

// The whole file; nothing when it does not exist; `error` is set (and nothing
// returned) when it exists but cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error = nullptr);

// mkdir -p with the given mode for the folders it creates.
bool MakeDirectories(const std::string& path, int mode, std::string* error = nullptr);

}  // namespace clarivo
