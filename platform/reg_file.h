// Registration-entries files (.reg) as the Windows registry editor writes and
// reads them: export of registry subtrees to "Windows Registry Editor Version
// 5.00" text (UTF-16LE with BOM, CRLF) and import of that format and of
// "REGEDIT4", all through the `Registry` interface.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace platform {

// "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT"; empty for
// anything else.
std::u16string_view RootKeyName(RegKey root);
// Splits "HKEY_LOCAL_MACHINE\Software\X" (or "HKLM\Software\X" when
// `allow_short` is set) into its root and the rest; the root name compares
// without case, trailing backslashes are dropped. False for an unknown root.
bool SplitRootPath(std::u16string_view path, bool allow_short, RegKey* root, std::u16string* rest);

// ---- Export ----

// The text of a .reg file holding each of `key_paths` (e.g.
// u"HKEY_LOCAL_MACHINE" or u"HKCU\\Software\\X") with everything below it,
// in order; lines end in CRLF, no BOM. False with `error` set when a path
// names an unknown root or a key that does not exist.
bool FormatRegExport(Registry& registry, const std::vector<std::u16string>& key_paths, std::u16string* text,
                     std::string* error);
// BOM followed by the text in UTF-16LE.
std::string EncodeUtf16File(std::u16string_view text);
// Writes `bytes` to `file` through a temporary file in the same folder,
// fsync and rename, so that a failure never leaves a partial file behind.
bool WriteFileAtomically(const std::string& file, std::string_view bytes, std::string* error);
// FormatRegExport + EncodeUtf16File + WriteFileAtomically.
bool ExportRegFile(Registry& registry, const std::vector<std::u16string>& key_paths, const std::string& file,
                   std::string* error);

// ---- Import ----

// One change read from a .reg file, in file order.
struct RegFileOp {
  enum class Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue };
  Kind kind = Kind::kCreateKey;
  RegKey root = 0;
  std::u16string path;  // below the root; empty for the root itself
  std::u16string name;  // value name (empty = default value)
  RegValue value;       // kSetValue only
  int line = 0;         // where it was read, for messages
};

// Parses the bytes of a .reg file. Errors read "FILE:LINE: what is wrong".
bool ParseRegFile(std::string_view bytes, std::string_view file_name, std::vector<RegFileOp>* ops,
                  std::string* error);
// Applies parsed changes in order (deleting something absent is no error).
// Does not flush.
bool ApplyRegOps(Registry& registry, const std::vector<RegFileOp>& ops, std::string_view file_name,
                 std::string* error);
// Imports `files` in order and flushes the registry, all or nothing: when a
// file cannot be read or is malformed anywhere, or a change or the save
// fails, no registry file is written. Each file is read in pieces and its
// changes applied as they are read; a Wine registry drops them all again on
// a fault (DiscardChanges: changes made before the call and not yet flushed
// go with them), any other store gets every file checked before the first
// change. Errors read "cannot read FILE: why", "FILE:LINE: what is wrong",
// "FILE:LINE: cannot ... (nothing was imported)" or "cannot save the
// registry after importing FILE...: why (nothing was imported)".
bool ImportRegFiles(Registry& registry, const std::vector<std::string>& files, std::string* error);
// ImportRegFiles with one file.
bool ImportRegFile(Registry& registry, const std::string& file, std::string* error);

}  // namespace platform
