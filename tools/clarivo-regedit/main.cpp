// clarivo-regedit: exports and silently imports .reg files on the registry
// named by CLARIVO_REGISTRY, the way "regedit /e" and "regedit /s" do.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/reg_file.h"
#include "platform/text.h"
#include "platform/windows_system.h"

namespace {

constexpr const char* kUsage =
    "Usage: clarivo-regedit /e FILE [KEY]    export KEY with everything below it to FILE\n"
    "                                        (no KEY: HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER)\n"
    "       clarivo-regedit /s [/i] FILE...  import the FILEs silently, all or nothing\n"
    "       clarivo-regedit --help | --version\n"
    "\n"
    "FILE is a Linux path or a Windows path (C:\\...) inside the prefix. The registry\n"
    "is the one named by CLARIVO_REGISTRY (wine:DIR), else $WINEPREFIX, else ~/.wine.\n"
    "Exports are written in the \"Windows Registry Editor Version 5.00\" format;\n"
    "imports accept that format and \"REGEDIT4\". A fault in any FILE, or a change\n"
    "or save that fails, leaves the registry files as they were; else they are saved\n"
    "once, each replaced atomically: an import happens whole or not at all.\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "clarivo-regedit: %s\n", message.c_str());
  return 1;
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "clarivo-regedit: %s\n%s", message.c_str(), kUsage);
  return 2;
}

bool IsSwitch(const std::string& arg, char letter) {
  return arg.size() == 2 && (arg[0] == '/' || arg[0] == '-') && (arg[1] | 0x20) == letter;
}

bool LooksLikeWindowsPath(const std::string& path) {
  const bool drive =
      path.size() >= 2 && path[1] == ':' && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z');
  return drive || (!path.empty() && path[0] == '\\');
}

// A Linux path for FILE; empty (with `error` set) when a Windows path maps nowhere.
std::string HostPath(platform::WindowsSystem& system, const std::string& file, std::string* error) {
  if (!LooksLikeWindowsPath(file)) return file;
  std::string host = system.ToHostPath(platform::ToUtf16(file));
  if (host.empty()) *error = file + " maps to no folder of " + system.Describe();
  return host;
}

int Export(platform::WindowsSystem& system, const std::string& file, const std::string& key) {
  std::string error;
  const std::string host = HostPath(system, file, &error);
  if (host.empty()) return Fail("cannot write " + error);
  std::vector<std::u16string> keys;
  if (key.empty()) {
    keys = {u"HKEY_LOCAL_MACHINE", u"HKEY_CURRENT_USER"};
  } else {
    keys = {platform::ToUtf16(key)};
  }
  if (!platform::ExportRegFile(system.registry(), keys, host, &error)) return Fail(error);
  if (const std::string warning = system.Warning(); !warning.empty()) {
    std::fprintf(stderr, "clarivo-regedit: warning: %s\n", warning.c_str());
  }
  return 0;
}

// All files or none: ImportRegFiles applies them to the one opened registry
// as they are read, drops every change on any fault, and saves once, each
// registry file replaced atomically.
int Import(platform::WindowsSystem& system, const std::vector<std::string>& files) {
  if (!system.Warning().empty()) {
    return Fail("cannot import into " + system.Describe() +
                ": a wineserver is running for this prefix; stop it first (wineserver -k)");
  }
  std::vector<std::string> hosts;
  for (const std::string& file : files) {
    std::string error;
    hosts.push_back(HostPath(system, file, &error));
    if (hosts.back().empty()) return Fail("cannot read " + error);
  }
  std::string error;
  if (!platform::ImportRegFiles(system.registry(), hosts, &error)) return Fail(error);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage("nothing to do");
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("clarivo-regedit %s\n", CLARIVO_VERSION);
      return 0;
    }
  }

  bool do_export = false, do_import = false;
  std::vector<std::string> operands;
  for (const std::string& arg : args) {
    if (IsSwitch(arg, 'e')) {
      do_export = true;
    } else if (IsSwitch(arg, 's')) {
      do_import = true;
    } else if (IsSwitch(arg, 'i')) {
      // Accepted with /s, as regedit's callers pass it; imports are silent anyway.
    } else if (arg.size() == 2 && (arg[0] == '/' || arg[0] == '-') && arg[1] != '/') {
      return Usage("unknown switch " + arg);
    } else {
      operands.push_back(arg);
    }
  }
  if (do_export && do_import) return Usage("/e and /s cannot be combined");
  if (do_export && (operands.empty() || operands.size() > 2))
    return Usage("/e needs FILE and at most one KEY");
  if (!do_export && operands.empty()) return Usage("no file to import");

  std::string error;
  const std::string source = platform::DefaultRegistrySource();
  // An export of HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER (or a key below
  // one) reads only that root's file; HKEY_CLASSES_ROOT, both roots and
  // imports read both.
  platform::RegKey only_root = 0;
  if (do_export && operands.size() > 1) {
    std::u16string rest;
    platform::RegKey root = 0;
    if (platform::SplitRootPath(platform::ToUtf16(operands[1]), true, &root, &rest) &&
        (root == platform::kLocalMachine || root == platform::kCurrentUser)) {
      only_root = root;
    }
  }
  std::unique_ptr<platform::WindowsSystem> system = platform::OpenWindowsSystem(source, &error, only_root);
  if (!system) return Fail(error);
  const int status = do_export
                         ? Export(*system, operands[0], operands.size() > 1 ? operands[1] : std::string())
                         : Import(*system, operands);
  // Neither leaves changes pending (an import saved them or dropped them
  // all): the process ends without freeing its keys one by one (800,000 in a
  // Windows-sized registry).
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(status);
}
