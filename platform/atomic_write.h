// Replacing files so that readers and later runs see the old content or the
// new one, never a mix, whatever interrupts the writer:
//
// - The new content goes to a temporary file in the folder of the file it
//   replaces (of the link's target when the path is a symbolic link, which
//   stays a link), is flushed to disk and renamed over the target.
// - Several files saved together (system.reg and user.reg) are all written
//   first and then renamed one right after the other; SIGINT, SIGTERM, SIGHUP
//   and SIGQUIT arriving meanwhile take effect once the last rename is done.
// - A temporary file exists by name only while its writer holds a lock on it;
//   SIGINT/SIGTERM/SIGHUP/SIGQUIT remove it (unless the program handles those
//   signals itself, in which case the save simply finishes), and one left by
//   a killed writer is removed by the next save beside it.
#pragma once

#include <sys/types.h>

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The marker between a target's name and the random part of its temporary
// files: "system.reg.clarivo-tmp-Ab12Cd".
inline constexpr std::string_view kTempMarker = ".clarivo-tmp-";

// Hands the next piece of a file's content to its temporary file; false when
// that write failed.
using ContentWriter = std::function<bool(std::string_view piece)>;

struct FileReplacement {
  std::string path;        // as the caller names it; may be a symbolic link
  std::string_view bytes;  // the whole new content (unless `produce` is set)
  mode_t new_mode = 0666;  // for a file that does not exist yet, less the umask
  // When set, makes the content instead of `bytes`, handing it to `write`
  // piece by piece as it is made, so that a huge file is never held whole.
  // Returning false abandons the whole replacement: `error` then holds the
  // producer's reason (unless a write failed, whose reason wins). It runs
  // while the temporary is unnamed or locked, like a write of `bytes`.
  std::function<bool(const ContentWriter& write, std::string* error)> produce = nullptr;
};

// The file a write to `path` must replace: `path` itself, or for a symbolic
// link (chain) the file it finally points to, which need not exist yet. Empty
// with `error` set for a link loop.
std::string ResolveWriteTarget(const std::string& path, std::string* error);

// Replaces every file. A new file gets `new_mode` less the umask; an existing
// one keeps its mode (and, when we may, its owner). On failure nothing has
// been replaced (unless a rename itself fails after others succeeded, which
// `error` then says) and no temporary file is left. Errors read
// "cannot write FILE: reason" with the system's reason.
bool ReplaceFiles(std::span<const FileReplacement> files, std::string* error);

// Removes the temporary files beside `target` (a resolved path) that no live
// writer holds. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& target);

// Several files replaced together are first named in a journal
// (".clarivo-replace-..." in the folder of the first path as given), which
// lives from just before the first rename to just after the last. A writer
// killed in between leaves it; this finishes its renames, so that all files
// are replaced, and removes it. Run by every ReplaceFiles and when a Wine
// registry is opened. Returns how many interrupted replacements it finished.
int CompleteInterruptedReplacements(const std::string& folder);

// For tests: called after each rename of a ReplaceFiles with the number of
// files replaced so far (null: nothing).
void SetReplaceHookForTests(void (*hook)(std::size_t renamed));

// Why `path` could not be replaced now, naming the file and the system's
// reason ("cannot write /p/user.reg: Read-only file system"); empty when it
// can. Tries the folder for real, so it holds for root and read-only mounts.
std::string ReplaceProblem(const std::string& path);

}  // namespace platform
