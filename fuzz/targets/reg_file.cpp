// Backups: whatever registry is exported imports into an empty registry as
// the very same trees, unless the export refuses (then it says why); the
// export through the Registry interface alone gives the same text. The
// registry is read from the input as a .reg file, or as a Wine registry file
// (HKEY_LOCAL_MACHINE) when the input starts like one: Wine allows names a
// .reg file cannot hold.
#include "platform/reg_file.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/forwarding_registry.h"
#include "fuzz/fuzz_check.h"
#include "platform/memory_registry.h"
#include "platform/reg_file_stream.h"
#include "platform/wine_format.h"

namespace {

using namespace platform;

// Every key below `root` with its values, depth first, without recursion.
std::u16string Dump(Registry& registry, RegKey root) {
  std::u16string out;
  std::vector<std::pair<RegKey, std::u16string>> pending{{root, u""}};
  while (!pending.empty()) {
    auto [key, path] = std::move(pending.back());
    pending.pop_back();
    out += u"[" + path + u"]";
    std::uint32_t subkeys = 0, values = 0;
    registry.QueryInfo(key, &subkeys, &values);
    for (std::uint32_t i = 0; i < values; ++i) {
      std::u16string name;
      RegValue value;
      FUZZ_CHECK(registry.EnumValue(key, i, &name, &value) == kRegOk, "a listed value can be read");
      out += name + u"=" + std::u16string(1, static_cast<char16_t>(value.type)) + u":";
      for (std::uint8_t b : value.data) out.push_back(b);
    }
    for (std::uint32_t i = subkeys; i-- > 0;) {
      std::u16string name;
      FUZZ_CHECK(registry.EnumKey(key, i, &name) == kRegOk, "a listed key can be named");
      RegKey child = 0;
      FUZZ_CHECK(registry.OpenKey(key, name, &child) == kRegOk, "a listed key can be opened");
      pending.emplace_back(child, path + u"\\" + name);
    }
    if (key != root) registry.CloseKey(key);
  }
  return out;
}

class CollectSink : public RegOpSink {
 public:
  bool Add(const RegFileOp& op, std::string* /*error*/) override {
    ops.push_back(op);
    return true;
  }
  std::vector<RegFileOp> ops;
};

bool SameOps(const std::vector<RegFileOp>& a, const std::vector<RegFileOp>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].kind != b[i].kind || a[i].root != b[i].root || a[i].path != b[i].path ||
        a[i].name != b[i].name || !(a[i].value == b[i].value) || a[i].line != b[i].line) {
      return false;
    }
  }
  return true;
}

// The file read in small pieces, as a big one is read from disk, gives the
// same changes and the same fault as read at once.
void CheckPieces(std::string_view bytes, std::size_t piece_units, bool parsed,
                 const std::vector<RegFileOp>& ops, const std::string& error) {
  RegLineReader lines(bytes, piece_units);
  CollectSink sink;
  std::string piece_error;
  const bool ok = ParseRegLines(lines, "in.reg", sink, &piece_error);
  FUZZ_CHECK(ok == parsed, "read in pieces, the file is as good or as bad");
  if (ok) {
    FUZZ_CHECK(SameOps(sink.ops, ops), "read in pieces, the file holds the same changes");
  } else {
    FUZZ_CHECK(piece_error == error, "read in pieces, the file has the same fault");
  }
}

// A registry whose machine hive is a tree read from a Wine registry file.
class HiveRegistry : public MemoryRegistry {
 public:
  void SetMachineHive(std::unique_ptr<RegNode> root) { ReplaceHive(Hive::kMachine, std::move(root)); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string error;
  HiveRegistry first;
  if (bytes.starts_with("WINE REGISTRY Version 2")) {
    WineHiveFile hive;
    if (!ParseWineRegistry(std::string(bytes), "system.reg", &hive, &error)) return 0;
    first.SetMachineHive(std::move(hive.root));
  } else {
    std::vector<RegFileOp> ops;
    const bool parsed = ParseRegFile(bytes, "in.reg", &ops, &error);
    CheckPieces(bytes, 1 + size % 13, parsed, ops, error);
    if (!parsed) {
      FUZZ_CHECK(error.starts_with("in.reg:"), "an error names the file and the line");
      return 0;
    }
    if (!ApplyRegOps(first, ops, "in.reg", &error)) return 0;
  }
  std::u16string text, generic_text;
  std::string generic_error;
  ForwardingRegistry generic(first);
  const bool exported = FormatRegExport(first, {u"HKEY_LOCAL_MACHINE", u"HKEY_CURRENT_USER"}, &text, &error);
  FUZZ_CHECK(FormatRegExport(generic, {u"HKEY_LOCAL_MACHINE", u"HKEY_CURRENT_USER"}, &generic_text,
                             &generic_error) == exported,
             "the walk through the tree and through the interface agree");
  if (!exported) {
    FUZZ_CHECK(error.starts_with("cannot export"), "a refused export says why");
    FUZZ_CHECK(error == generic_error, "both walks refuse for the same reason");
    return 0;
  }
  FUZZ_CHECK(text == generic_text, "both walks write the same text");
  std::vector<RegFileOp> again;
  FUZZ_CHECK(ParseRegFile(EncodeUtf16File(text), "out.reg", &again, &error), error.c_str());
  MemoryRegistry second;
  FUZZ_CHECK(ApplyRegOps(second, again, "out.reg", &error), error.c_str());
  FUZZ_CHECK(Dump(first, kLocalMachine) == Dump(second, kLocalMachine), "HKEY_LOCAL_MACHINE comes back");
  FUZZ_CHECK(Dump(first, kCurrentUser) == Dump(second, kCurrentUser), "HKEY_CURRENT_USER comes back");
  return 0;
}
