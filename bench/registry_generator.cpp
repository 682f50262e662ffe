#include "bench/registry_generator.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "bench/hive_builder.h"

namespace bench {
namespace {

namespace fs = std::filesystem;
using Node = HiveBuilder::Node;

constexpr const char* kSid = "S-1-5-21-0-0-0-1000";
constexpr const char* kUser = "bench";
constexpr const char* kClasses = "Software\\Classes";
constexpr const char* kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kUserStartMenu = "C:\\users\\bench\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
constexpr const char* kCommonStartMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";

std::string Fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Fmt(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  // va_start above initialises args; the analyzer loses track of it through the builtin.
  std::vsnprintf(buffer, sizeof buffer, format, args);  // NOLINT(clang-analyzer-valist.Uninitialized)
  va_end(args);
  return buffer;
}

// A tenth of every kind of entry is stale: the ones whose number ends in 3.
bool Stale(int i) { return i % 10 == 3; }

class Generator {
 public:
  Generator(const std::string& dir, const GeneratorOptions& options)
      : dir_(dir),
        options_(options),
        system_("REGISTRY\\Machine"),
        user_(std::string("REGISTRY\\User\\") + kSid) {
    files_ = Count(3000, 20);
    vendors_ = Count(200, 5);
  }

  GeneratedPrefix Run() {
    fs::create_directories(dir_ + "/drive_c");
    fs::create_directories(dir_ + "/dosdevices");
    fs::create_symlink("../drive_c", dir_ + "/dosdevices/c:");
    MachineSettings();
    UserSettings();
    ClassesRoot();
    SharedDlls();
    Installer();
    HelpFiles();
    StartMenuOrder();
    MuiCache();
    FileExts();
    UserSoftware();
    Filler();
    CreateFiles();
    Save(system_, "system.reg");
    Save(user_, "user.reg");
    SaveExpected();
    result_.system_keys = system_.key_count();
    result_.system_values = system_.value_count();
    result_.user_keys = user_.key_count();
    result_.user_values = user_.value_count();
    return result_;
  }

 private:
  int Count(double full, int minimum) const {
    return std::max(minimum, static_cast<int>(std::llround(full * options_.scale)));
  }

  // The shared pool of existing files, and paths that exist nowhere.
  std::string Dll(int k) { return Fmt("C:\\windows\\system32\\lib%04d.dll", k % files_); }
  std::string Exe(int k) {
    k %= files_;
    return Fmt("C:\\Program Files\\Vendor%03d\\prog%04d.exe", k % vendors_, k);
  }
  std::string Folder(int k) {  // vendors_ * 8 folders
    k %= vendors_ * 8;
    const int vendor = k % vendors_, sub = k / vendors_;
    return sub == 0 ? Fmt("C:\\Program Files\\Vendor%03d", vendor)
                    : Fmt("C:\\Program Files\\Vendor%03d\\sub%d", vendor, sub);
  }
  static std::string Missing(const char* kind, int i, const char* ext) {
    return Fmt("C:\\Program Files\\Removed %s %05d\\gone%05d.%s", kind, i, i, ext);
  }
  static std::string Guid(int j, bool exists) {
    std::uint64_t x = static_cast<std::uint64_t>(j) * 0x9E3779B97F4A7C15ull + (exists ? 17 : 91);
    x ^= x >> 29;
    return Fmt("{%08X-%04X-%04X-%04X-%012llX}", static_cast<unsigned>(x >> 32),
               static_cast<unsigned>(x >> 16) & 0xFFFF, static_cast<unsigned>(x) & 0xFFFF,
               exists ? 0x8000u + (j & 0xFFF) : 0x9000u + (j & 0xFFF), static_cast<unsigned long long>(j));
  }
  static std::string ProgId(int p) { return Fmt("Vendor%03d.Class%05d", p % 200, p); }

  void Expect(int type) { ++result_.expected[type]; }

  void MachineSettings() {
    Node* nt = system_.Key("Software\\Microsoft\\Windows NT\\CurrentVersion");
    system_.Sz(nt, "CurrentVersion", "6.1");
    system_.Sz(nt, "ProductName", "Microsoft Windows 7");
    system_.Sz(nt, "SystemRoot", "C:\\windows");
    Node* profiles = system_.Key("Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList");
    system_.ExpandSz(profiles, "ProfilesDirectory", "C:\\users");
    system_.ExpandSz(profiles, "ProgramData", "C:\\ProgramData");
    Node* profile = system_.Key(profiles, kSid);
    system_.Sz(profile, "ProfileImagePath", std::string("C:\\users\\") + kUser);
    Node* cv = system_.Key(kCurrentVersion);
    system_.Sz(cv, "ProgramFilesDir", "C:\\Program Files");
    system_.Sz(cv, "CommonFilesDir", "C:\\Program Files\\Common Files");
    Node* folders = system_.Key(std::string(kCurrentVersion) + "\\Explorer\\Shell Folders");
    system_.Sz(folders, "Common AppData", "C:\\ProgramData");
    system_.Sz(folders, "Common Start Menu", kCommonStartMenu);
    system_.Sz(folders, "Common Programs", std::string(kCommonStartMenu) + "\\Programs");
    Node* env = system_.Key("System\\CurrentControlSet\\Control\\Session Manager\\Environment");
    system_.ExpandSz(env, "ComSpec", "%SystemRoot%\\system32\\cmd.exe");
    system_.Sz(env, "OS", "Windows_NT");
    system_.ExpandSz(env, "PATH", "%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\system32\\wbem");
    system_.ExpandSz(env, "TEMP", "%SystemRoot%\\temp");
  }

  void UserSettings() {
    Node* env = user_.Key("Environment");
    user_.ExpandSz(env, "TEMP", "%USERPROFILE%\\AppData\\Local\\Temp");
    Node* desktop = user_.Key("Control Panel\\Desktop");
    user_.Sz(desktop, "Wallpaper", "");
    Node* folders = user_.Key(std::string(kCurrentVersion) + "\\Explorer\\Shell Folders");
    user_.Sz(folders, "AppData", "C:\\users\\bench\\AppData\\Roaming");
    user_.Sz(folders, "Start Menu", kUserStartMenu);
    user_.Sz(folders, "Programs", std::string(kUserStartMenu) + "\\Programs");
    user_.Sz(user_.Key("Software\\Wine\\Debug"), "RelayExclude", "ntdll.RtlEnterCriticalSection");
  }

  // HKEY_CLASSES_ROOT: extensions, program identifiers, classes, applications
  // and the big branches the scanners pass over (interfaces, type libraries).
  void ClassesRoot() {
    Node* root = system_.Key(kClasses);
    const int direct = Count(100'000, 60);
    extensions_ = Count(15'000, 10);
    classes_ = Count(20'000, 10);
    progids_ = std::max(10, direct - extensions_ - 6);
    result_.classes_subkeys =
        static_cast<std::uint64_t>(extensions_) + static_cast<std::uint64_t>(progids_) + 6;
    result_.clsid_subkeys = static_cast<std::uint64_t>(classes_);
    Extensions(root);
    ProgIds(root);
    Classes(root);
    Applications(root);
    Interfaces(root);
  }

  void Extensions(Node* root) {
    for (int e = 0; e < extensions_; ++e) {
      Node* ext = system_.Key(root, Fmt(".x%05d", e));
      if (Stale(e)) {  // leads nowhere: no program identifier, or an empty one
        system_.Sz(ext, "", e % 20 == 13 ? std::string() : Fmt("Removed.Class%05d", e));
        Expect(13);
        continue;
      }
      system_.Sz(ext, "", ProgId(e % progids_));
      if (e % 10 == 7) system_.Sz(ext, "Content Type", "application/x-bench");
      if (e % 4 == 0) system_.Binary(system_.Key(ext, "OpenWithProgids"), ProgId(e % progids_), {});
    }
  }

  void ProgIds(Node* root) {
    for (int p = 0; p < progids_; ++p) {
      Node* prog = system_.Key(root, ProgId(p));
      system_.Sz(prog, "", Fmt("Class %d Document", p));
      if (p % 2 == 0) {  // refers to a class
        Node* clsid = system_.Key(prog, "CLSID");
        if (p % 20 == 4) {
          system_.Sz(clsid, "", Guid(p, false));
          Expect(3);
        } else {
          std::string guid = Guid((p / 2) % classes_, true);
          if (p % 20 == 6) guid = guid.substr(1, guid.size() - 2);  // found once braced
          system_.Sz(clsid, "", guid);
        }
      }
      if (p % 3 == 0) {
        Node* icon = system_.Key(prog, "DefaultIcon");
        if (p % 30 == 3) {
          system_.Sz(icon, "", Missing("icon", p, "ico") + ",0");
          Expect(6);
        } else if (p % 4 == 0) {
          system_.Sz(icon, "", Dll(p) + Fmt(",%d", p % 7));
        } else if (p % 4 == 1) {
          system_.ExpandSz(icon, "", Fmt("%%SystemRoot%%\\system32\\lib%04d.dll,-101", p % files_));
        } else if (p % 4 == 2) {
          system_.Sz(icon, "", "%1");
        } else {
          system_.Sz(icon, "", "\"" + Exe(p) + "\",0");
        }
      }
      if (p % 2 == 1) Command(prog, "open", p, p % 20 == 3);  // a tenth of the odd ones
      if (p % 5 == 0) Command(prog, "edit", p, p % 50 == 5);
      // print is never examined, even when its program is gone
      if (p % 7 == 0) system_.Sz(system_.Key(prog, "shell\\print\\command"), "", Missing("print", p, "exe"));
    }
  }

  void Command(Node* prog, const char* verb, int p, bool stale) {
    Node* command = system_.Key(prog, Fmt("shell\\%s\\command", verb));
    if (stale) {
      system_.Sz(command, "", "\"" + Missing(verb, p, "exe") + "\" \"%1\"");
      Expect(7);
    } else if (p % 3 == 0) {
      system_.ExpandSz(
          command, "",
          Fmt("%%ProgramFiles%%\\Vendor%03d\\prog%04d.exe %%1", (p % files_) % vendors_, p % files_));
    } else if (p % 3 == 1) {
      system_.Sz(command, "", "\"" + Exe(p) + "\" \"%1\"");
    } else {
      system_.Sz(command, "", "notepad.exe \"%1\"");
    }
  }

  void Classes(Node* root) {
    Node* clsid = system_.Key(root, "CLSID");
    for (int j = 0; j < classes_; ++j) {
      Node* cls = system_.Key(clsid, Guid(j, true));
      system_.Sz(cls, "", Fmt("Bench Class %d", j));
      if (j % 2 == 0) system_.Sz(system_.Key(cls, "ProgID"), "", ProgId(j * 2 % progids_));
      const bool inproc = j % 3 != 1;
      Node* server = system_.Key(cls, inproc ? "InprocServer32" : "LocalServer32");
      if (Stale(j)) {
        system_.Sz(server, "",
                   inproc ? Missing("server", j, "dll") : "\"" + Missing("server", j, "exe") + "\"");
        Expect(3);
      } else if (j % 6 == 5) {
        system_.Sz(server, "", Fmt("bare%05d.dll", j));  // found through the search path: not examined
      } else if (j % 3 == 2) {
        system_.ExpandSz(server, "", Fmt("%%SystemRoot%%\\system32\\lib%04d.dll", j % files_));
      } else if (inproc) {
        system_.Sz(server, "", Dll(j));
      } else {
        system_.Sz(server, "", "\"" + Exe(j) + "\" /automation");
      }
      if (inproc) system_.Sz(server, "ThreadingModel", "Both");
    }
  }

  void Applications(Node* root) {
    Node* apps = system_.Key(root, "Applications");
    const int count = Count(4000, 10);
    for (int a = 0; a < count; ++a) {
      Node* app = system_.Key(apps, Fmt("app%04d.exe", a));
      if (a % 10 == 9) {
        system_.Sz(app, "FriendlyAppName", Fmt("App %d", a));
        continue;
      }
      Node* open = system_.Key(app, "shell\\open\\command");
      if (Stale(a)) {
        system_.Sz(open, "", "\"" + Missing("app", a, "exe") + "\" \"%1\"");
        Expect(2);
      } else {
        system_.Sz(open, "", "\"" + Exe(a) + "\" \"%1\"");
      }
      if (a % 4 == 0)
        system_.Sz(system_.Key(app, "shell\\print\\command"), "", "\"" + Exe(a + 1) + "\" /p \"%1\"");
      if (a % 8 == 1) {
        system_.ExpandSz(system_.Key(app, "shell\\edit\\command"), "",
                         Fmt("%%SystemRoot%%\\system32\\lib%04d.dll,Edit", a % files_));
      }
    }
  }

  void Interfaces(Node* root) {
    Node* interfaces = system_.Key(root, "Interface");
    for (int i = 0, n = Count(25'000, 10); i < n; ++i) {
      Node* iface = system_.Key(interfaces, Guid(1'000'000 + i, true));
      system_.Sz(iface, "", Fmt("IBench%05d", i));
      system_.Sz(system_.Key(iface, "ProxyStubClsid32"), "", Guid(i % classes_, true));
      system_.Sz(system_.Key(iface, "NumMethods"), "", Fmt("%d", 3 + i % 20));
    }
    Node* typelibs = system_.Key(root, "TypeLib");
    for (int t = 0, n = Count(3000, 5); t < n; ++t) {
      Node* version = system_.Key(typelibs, Guid(2'000'000 + t, true) + "\\1.0");
      system_.Sz(version, "", Fmt("Bench Type Library %d", t));
      system_.Sz(system_.Key(version, "0\\win64"), "", Dll(t));
      system_.Sz(system_.Key(version, "FLAGS"), "", "0");
      system_.Sz(system_.Key(version, "HELPDIR"), "", "C:\\windows\\system32");
    }
    Node* appids = system_.Key(root, "AppID");
    for (int a = 0, n = Count(2000, 5); a < n; ++a) {
      Node* appid = system_.Key(appids, Guid(3'000'000 + a, true));
      system_.Sz(appid, "", Fmt("Bench Service %d", a));
      if (a % 2) system_.Binary(appid, "AccessPermission", {1, 0, 4, 0x80, 0x5c, 0, 0, 0});
    }
    Node* mime = system_.Key(root, "MIME\\Database\\Content Type");
    system_.Sz(system_.Key(mime, "application/x-bench"), "Extension", ".x00000");
  }

  void SharedDlls() {
    Node* key = system_.Key(std::string(kCurrentVersion) + "\\SharedDlls");
    // Value names are unique paths: the dlls, then the programs, then folders.
    int valid = 0;
    for (int i = 0, n = Count(6000, 10); i < n; ++i) {
      if (Stale(i)) {
        system_.Dword(key, Fmt("C:\\windows\\system32\\gone%05d.dll", i), 1);
        Expect(1);
        continue;
      }
      const int k = valid++;
      const std::string name = k < files_ ? Dll(k) : k < 2 * files_ ? Exe(k) : Folder(k - 2 * files_);
      system_.Dword(key, name, 1 + k % 5);
    }
  }

  void Installer() {
    const std::string uninstall_path = std::string(kCurrentVersion) + "\\Uninstall";
    const std::string arp_path = std::string(kCurrentVersion) + "\\App Management\\ARPCache";
    for (int u = 0, n = Count(3000, 10); u < n; ++u) {
      Node* app = system_.Key(uninstall_path + Fmt("\\App%04d", u));
      system_.Sz(app, "DisplayName", Fmt("Bench Application %d", u));
      system_.Sz(app, "DisplayVersion", Fmt("%d.%d", 1 + u % 9, u % 100));
      system_.Sz(app, "Publisher", Fmt("Vendor %03d", u % 200));
      system_.Sz(app, "InstallLocation", Folder(u));
      system_.Sz(app, "UninstallString", "\"" + Exe(u) + "\" /uninstall");
      system_.Sz(app, "DisplayIcon", Exe(u) + ",0");
      system_.Dword(app, "EstimatedSize", 1024 + u);
      system_.Dword(app, "NoModify", 1);
      system_.Dword(app, "NoRepair", 1);
      system_.Sz(app, "InstallDate", "20240101");
      Node* cache = system_.Key(arp_path + (Stale(u) ? Fmt("\\Removed App%04d", u) : Fmt("\\App%04d", u)));
      if (Stale(u)) Expect(5);
      system_.Binary(cache, "SlowInfoCache", std::vector<std::uint8_t>(32, static_cast<std::uint8_t>(u)));
      system_.Dword(cache, "Changed", 0);
    }
    Node* folders = system_.Key(std::string(kCurrentVersion) + "\\Installer\\Folders");
    const int folder_count = vendors_ * 8;
    int valid = 0;
    for (int i = 0, n = Count(1500, 10); i < n; ++i) {
      if (Stale(i)) {
        system_.Sz(folders, Fmt("C:\\Program Files\\Removed Folder %05d\\", i), "");
        Expect(5);
        continue;
      }
      const int k = valid++;  // each folder once with its trailing backslash, then once without
      system_.Sz(folders, Folder(k) + (k < folder_count ? "\\" : ""), "");
    }
  }

  void HelpFiles() {
    struct Pass {
      const char* key;
      const char* pattern;
      const char* stale_pattern;
      int count;
    };
    const Pass passes[] = {
        {"Software\\Microsoft\\Windows\\Help", "help%04d.hlp", "lost%04d.hlp", Count(1000, 10)},
        {"Software\\Microsoft\\Windows\\Html Help", "guide%04d.chm", "lost%04d.chm", Count(400, 10)},
    };
    for (const Pass& pass : passes) {
      Node* key = system_.Key(pass.key);
      for (int h = 0; h < pass.count; ++h) {
        const std::string folder = h % 2 ? "C:\\windows\\help\\" : "C:\\windows\\help";
        if (Stale(h)) {
          system_.Sz(key, Fmt(pass.stale_pattern, h), folder);
          Expect(11);
        } else {
          const std::string name = Fmt(pass.pattern, h);
          system_.Sz(key, name, folder);
          help_files_.push_back(name);
        }
      }
    }
  }

  void StartMenuOrder() {
    Node* programs = user_.Key(std::string(kCurrentVersion) + "\\Explorer\\MenuOrder\\Start Menu2\\Programs");
    user_.Binary(programs, "Order", {8, 0, 0, 0, 2, 0, 0, 0});
    for (int g = 0, n = Count(800, 10); g < n; ++g) {
      const std::string name = Fmt("Group %04d", g);
      user_.Binary(user_.Key(programs, name), "Order", {8, 0, 0, 0, 2, 0, 0, 0});
      if (Stale(g)) {
        Expect(4);
      } else {
        menu_groups_.emplace_back(g % 2 ? kCommonStartMenu : kUserStartMenu, name);
      }
    }
  }

  void MuiCache() {
    Node* cache = user_.Key("Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache");
    user_.Binary(cache, "LangID", {9, 4});
    int valid = 0;
    for (int i = 0, n = Count(3000, 10); i < n; ++i) {
      if (Stale(i)) {
        user_.Sz(cache, Missing("mui", i, "exe"), Fmt("Old Program %d", i));
        Expect(8);
        continue;
      }
      const int k = valid++;
      user_.Sz(cache, k < files_ ? Exe(k) : "@" + Dll(k) + ",-101", Fmt("Program %d", k));
    }
  }

  void FileExts() {
    const std::string base = std::string(kCurrentVersion) + "\\Explorer\\FileExts\\";
    for (int i = 0, n = std::min(extensions_, Count(5000, 10)); i < n; ++i) {
      if (Stale(i) && i % 20 == 3) {  // no subkeys at all
        user_.Sz(user_.Key(base + Fmt(".x%05d", i)), "Progid", ProgId(i % progids_));
        Expect(13);
        continue;
      }
      // a stale extension here is one the class root does not have
      Node* list = user_.Key(base + (Stale(i) ? Fmt(".gone%05d", i) : Fmt(".x%05d", i)) + "\\OpenWithList");
      if (Stale(i)) Expect(13);
      user_.Sz(list, "a", Fmt("app%04d.exe", i % 4000));
      user_.Sz(list, "MRUList", "a");
    }
  }

  void UserSoftware() {
    vendor_count_ = Count(2500, 10);
    for (int v = 0; v < vendor_count_; ++v) {
      Node* vendor = user_.Key(Fmt("Software\\Soft Vendor %04d", v));
      if (Stale(v)) {  // nothing at all, or only an empty default value
        if (v % 20 == 13) user_.Sz(vendor, "", "");
        Expect(10);
      } else if (v % 10 == 5) {
        user_.Sz(vendor, "", "installed");
      } else if (v % 10 == 7) {
        user_.Key(vendor, "Empty");
      } else {
        Node* settings = user_.Key(vendor, "Settings");
        user_.Sz(settings, "Language", "en");
        user_.Dword(settings, "Version", static_cast<std::uint32_t>(v));
      }
    }
  }

  // Plain keys and values up to the target size: services in the machine
  // hive, application settings in the user's.
  void Filler() {
    const auto target_keys =
        static_cast<std::int64_t>(std::llround(static_cast<double>(options_.target_keys) * options_.scale));
    const auto target_values =
        static_cast<std::int64_t>(std::llround(static_cast<double>(options_.target_values) * options_.scale));
    const std::int64_t keys =
        target_keys - static_cast<std::int64_t>(system_.key_count() + user_.key_count());
    if (keys <= 0) return;
    std::int64_t values = std::max<std::int64_t>(
        0, target_values - static_cast<std::int64_t>(system_.value_count() + user_.value_count()));
    const std::int64_t machine_keys = keys * 3 / 4;
    for (std::int64_t i = 0; i < keys; ++i) {
      const bool machine = i < machine_keys;
      HiveBuilder& hive = machine ? system_ : user_;
      const std::int64_t per_key = values / (keys - i);
      values -= per_key;
      Node* key;
      if (machine) {
        key = hive.Key(Fmt("System\\CurrentControlSet\\Services\\Svc%05lld\\Item%03lld",
                           static_cast<long long>(i / 100), static_cast<long long>(i % 100)));
      } else {
        int v = static_cast<int>((i - machine_keys) / 50) % vendor_count_;
        while (Stale(v) || v % 10 == 5) v = (v + 1) % vendor_count_;
        key = hive.Key(Fmt("Software\\Soft Vendor %04d\\Data\\Item%06lld", v, static_cast<long long>(i)));
      }
      for (std::int64_t n = 0; n < per_key; ++n) FillValue(hive, key, static_cast<int>(n), i);
    }
  }

  void FillValue(HiveBuilder& hive, Node* key, int n, std::int64_t i) {
    const std::string name = Fmt("Setting%02d", n);
    switch ((n + i) % 5) {
      case 0:
        hive.Sz(key, name, Fmt("Some text of setting %lld-%d", static_cast<long long>(i), n));
        break;
      case 1:
        hive.Dword(key, name, static_cast<std::uint32_t>(i * 31 + n));
        break;
      case 2:
        hive.ExpandSz(key, name,
                      Fmt("%%SystemRoot%%\\system32\\drivers\\drv%05lld.sys", static_cast<long long>(i)));
        break;
      case 3:
        hive.Binary(key, name, std::vector<std::uint8_t>(16, static_cast<std::uint8_t>(i)));
        break;
      default:
        hive.MultiSz(key, name, {"first", Fmt("second %d", n)});
        break;
    }
  }

  void Touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream file(path);
    if (!file) throw std::runtime_error("cannot create " + path.string());
    ++result_.files;
  }

  void MakeFolder(const fs::path& path) {
    if (fs::create_directories(path)) ++result_.folders;
  }

  fs::path HostPath(const std::string& windows_path) {
    std::string relative = windows_path.substr(3);  // after "C:\"
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return fs::path(dir_) / "drive_c" / relative;
  }

  void CreateFiles() {
    for (int k = 0; k < files_; ++k) {
      Touch(HostPath(Dll(k)));
      Touch(HostPath(Exe(k)));
    }
    for (int k = 0; k < vendors_ * 8; ++k) MakeFolder(HostPath(Folder(k)));
    for (const std::string& name : help_files_) Touch(HostPath("C:\\windows\\help\\" + name));
    for (const auto& [menu, group] : menu_groups_)
      MakeFolder(HostPath(std::string(menu) + "\\Programs\\" + group));
    MakeFolder(HostPath("C:\\users\\bench\\AppData\\Local\\Temp"));
  }

  void Save(const HiveBuilder& hive, const char* name) {
    std::ofstream out(dir_ + "/" + name, std::ios::binary);
    hive.Write(out);
    out.close();
    if (!out) throw std::runtime_error("cannot write " + dir_ + "/" + name);
  }

  void SaveExpected() {
    std::ofstream out(dir_ + "/" + kExpectedFileName);
    for (int type = 1; type <= 13; ++type) {
      if (type != 9 && type != 12) out << type << ' ' << result_.expected[type] << '\n';
    }
    if (!out) throw std::runtime_error("cannot write the expected findings");
  }

  std::string dir_;
  GeneratorOptions options_;
  HiveBuilder system_;
  HiveBuilder user_;
  GeneratedPrefix result_;
  int files_ = 0, vendors_ = 0;
  int extensions_ = 0, classes_ = 0, progids_ = 0, vendor_count_ = 0;
  std::vector<std::string> help_files_;
  std::vector<std::pair<const char*, std::string>> menu_groups_;
};

}  // namespace

GeneratedPrefix GeneratePrefix(const std::string& dir, const GeneratorOptions& options) {
  if (fs::exists(fs::path(dir) / "system.reg")) throw std::runtime_error(dir + " already holds a registry");
  return Generator(dir, options).Run();
}

}  // namespace bench
