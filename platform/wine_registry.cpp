#include "platform/wine_registry.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <functional>
#include <future>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "platform/atomic_write.h"
#include "platform/registry_files.h"
#include "platform/wineserver_lock.h"

namespace platform {
namespace {

// The current user's key wineserver writes user.reg relative to.
constexpr std::string_view kUserBase = "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000";
// How often the files are looked at for outside changes, at most.
constexpr auto kReloadCheckInterval = std::chrono::milliseconds(20);
// How long the places of a wineserver's lock are taken as known.
constexpr auto kLockPathInterval = std::chrono::seconds(1);
// How long the lock's state is taken as known during a batch of changes.
constexpr auto kBatchLockInterval = std::chrono::milliseconds(20);

// A registry file is read into one big buffer: asking for huge pages saves
// tens of thousands of page faults in filling it. Best effort.
void AdviseHugePages(void* data, std::size_t size) {
  constexpr std::uintptr_t kHuge = 2u << 20;
  if (size < 2 * kHuge) return;
  const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
  const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kHuge - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

bool ReadWholeFile(const std::string& path, std::string* out, std::string* error) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st;
  std::string text;
  std::size_t size = fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
  text.reserve(size + 1);
  AdviseHugePages(text.data(), text.capacity());
  text.resize(size + 1);  // one spare byte tells a file that grew
  std::size_t have = 0;
  while (true) {
    if (have == text.size()) text.resize(text.size() * 2 + 65536);
    ssize_t n = read(fd, text.data() + have, text.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = "cannot read " + path + ": " + std::strerror(errno);
      close(fd);
      return false;
    }
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
  }
  close(fd);
  text.resize(have);
  *out = std::move(text);
  return true;
}

std::string ArchLine(const std::string& header) {
  std::size_t pos = header.find("\n#arch=");
  if (pos == std::string::npos) return {};
  std::size_t end = header.find('\n', pos + 1);
  return header.substr(pos + 1, end == std::string::npos ? std::string::npos : end - pos - 1);
}

}  // namespace

WineRegistry::WineRegistry(std::string prefix_dir) : prefix_(std::move(prefix_dir)) {
  files_[0].path = prefix_ + "/system.reg";
  files_[1].path = prefix_ + "/user.reg";
}

WineRegistry::~WineRegistry() {
  // Changes must not be lost silently: write what is still pending.
  std::lock_guard lock(mutex());
  if ((files_[0].dirty || files_[1].dirty) && !WineserverRunning(prefix_)) SaveDirtyHives();
}

std::unique_ptr<WineRegistry> WineRegistry::Open(const std::string& prefix_dir, std::string* error,
                                                 RegKey only_root) {
  std::string dir = prefix_dir;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  std::string local;
  if (!error) error = &local;
  struct stat st;
  if (stat((dir + "/system.reg").c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = "no Wine prefix at " + dir + " (system.reg not found)";
    return nullptr;
  }
  // Both files as the last save left them: one killed among its renames is
  // finished first, so no reader sees one file new and the other old.
  CompleteInterruptedReplacements(dir);
  std::unique_ptr<WineRegistry> reg(new WineRegistry(dir));
  std::lock_guard lock(reg->mutex());
  if (only_root == kLocalMachine || only_root == kCurrentUser) {
    // One file read now, the other one only if something looks into it.
    const Hive hive = only_root == kLocalMachine ? Hive::kMachine : Hive::kUser;
    const Hive other = hive == Hive::kMachine ? Hive::kUser : Hive::kMachine;
    reg->read_only_ = true;
    if (!reg->LoadHive(hive, hive == Hive::kMachine, error)) return nullptr;
    reg->SetHivePending(other, true);
    return reg;
  }
  // The two files are read and parsed at once. system.reg is several times
  // the size of user.reg, so it is parsed in two parts: the first on the
  // thread that has read user.reg, the rest here, each thread with about
  // half of the work. The machine's file's error is told first.
  LoadedHive machine, user;
  std::string user_error;
  bool user_ok = false;
  std::exception_ptr user_failure;
  std::promise<WineSplitParse*> handoff;
  std::thread user_thread;
  try {
    user_thread = std::thread([&, next = handoff.get_future()]() mutable {
      try {
        user_ok = reg->ReadHive(Hive::kUser, false, &user, &user_error);
      } catch (...) {
        user_failure = std::current_exception();
      }
      if (WineSplitParse* split = next.get()) split->ParseFirst();
    });
  } catch (const std::system_error&) {
    // No thread to be had: read it after the machine's file.
  }
  std::unique_ptr<WineSplitParse> split;
  bool machine_ok = false;
  try {
    std::string text;
    if (reg->ReadHiveText(Hive::kMachine, true, &machine, &text, error)) {
      const std::size_t user_size =
          static_cast<std::size_t>(std::max<off_t>(StampOf(reg->files_[1].path).size, 0));
      // The user's file holds more values to the byte and takes about a
      // quarter longer a byte to parse.
      const std::size_t user_work = user_size + user_size / 4;
      const std::size_t half = (text.size() + user_work) / 2;
      const std::string& path = reg->files_[0].path;
      split = std::make_unique<WineSplitParse>(std::move(text), path.substr(path.rfind('/') + 1),
                                               half > user_work ? half - user_work : 0);
    }
  } catch (...) {
    if (user_thread.joinable()) {
      handoff.set_value(nullptr);
      user_thread.join();
    }
    throw;
  }
  if (user_thread.joinable()) {
    handoff.set_value(split.get());
    if (split) split->ParseSecond();  // keeps its exceptions for Finish
    user_thread.join();
  } else {
    user_ok = reg->ReadHive(Hive::kUser, false, &user, &user_error);
  }
  if (user_failure) std::rethrow_exception(user_failure);
  if (split) {
    machine_ok =
        reg->ParseHiveText(Hive::kMachine, &machine, error,
                           [&](WineHiveFile* out, std::string* why) { return split->Finish(out, why); });
  }
  if (!machine_ok) return nullptr;
  if (!user_ok) {
    *error = user_error;
    return nullptr;
  }
  reg->InstallHive(Hive::kMachine, std::move(machine));
  reg->InstallHive(Hive::kUser, std::move(user));
  return reg;
}

bool WineRegistry::LoadHive(Hive hive, bool required, std::string* error) {
  LoadedHive loaded;
  if (!ReadHive(hive, required, &loaded, error)) return false;
  InstallHive(hive, std::move(loaded));
  return true;
}

bool WineRegistry::ReadHiveText(Hive hive, bool required, LoadedHive* out, std::string* text,
                                std::string* error) const {
  const HiveFile& file = files_[static_cast<int>(hive)];
  out->identity = StampOf(file.path);
  if (!out->identity.exists && !required) return true;  // made empty by InstallHive
  return ReadWholeFile(file.path, text, error);
}

bool WineRegistry::ParseHiveText(Hive hive, LoadedHive* out, std::string* error,
                                 const std::function<bool(WineHiveFile*, std::string*)>& parse) const {
  const HiveFile& file = files_[static_cast<int>(hive)];
  try {
    if (parse(&out->file, error)) return true;
  } catch (const std::length_error& e) {
    // A value of 4 GiB or more: refused like any other malformed file.
    *error = file.path + ": " + e.what();
  } catch (const std::bad_alloc&) {
    *error = file.path + ": not enough memory to read it";
  }
  out->file = {};
  return false;
}

bool WineRegistry::ReadHive(Hive hive, bool required, LoadedHive* out, std::string* error) const {
  std::string text;
  if (!ReadHiveText(hive, required, out, &text, error)) return false;
  if (!out->identity.exists && !required) return true;
  const std::string& path = files_[static_cast<int>(hive)].path;
  const std::string label = path.substr(path.rfind('/') + 1);
  return ParseHiveText(hive, out, error, [&](WineHiveFile* file, std::string* why) {
    return ParseWineRegistry(std::move(text), label, file, why);
  });
}

void WineRegistry::InstallHive(Hive hive, LoadedHive loaded) {
  HiveFile& file = files_[static_cast<int>(hive)];
  if (!loaded.file.root) {
    loaded.file.header = WineHeader(kUserBase, ArchLine(files_[0].file.header));
    loaded.file.root = std::make_unique<RegNode>();
  }
  ReplaceHive(hive, std::move(loaded.file.root));
  file.file = std::move(loaded.file);
  file.identity = loaded.identity;
  file.dirty = false;
}

std::int32_t WineRegistry::SaveDirtyHives() {
  // Both files are written first and replaced together, so that a restore
  // or a fix touching both hives is on disk whole or not at all.
  struct Pending {
    Hive hive;
    std::string text;
    std::vector<WineBlockSpan> spans;
  };
  std::vector<Pending> pending;
  for (Hive hive : {Hive::kMachine, Hive::kUser}) {
    HiveFile& file = files_[static_cast<int>(hive)];
    if (!file.dirty) continue;
    Pending p{hive, {}, {}};
    p.text = FormatWineRegistry(file.file, &hive_root(hive), &p.spans);
    pending.push_back(std::move(p));
  }
  std::vector<FileReplacement> replacements;
  replacements.reserve(pending.size());
  for (const Pending& p : pending) {
    replacements.push_back({files_[static_cast<int>(p.hive)].path, p.text});
  }
  std::string error;
  if (!ReplaceFiles(replacements, &error)) {
    last_error_ = error;
    return kRegWriteFault;
  }
  for (Pending& p : pending) {
    HiveFile& file = files_[static_cast<int>(p.hive)];
    CommitWineText(&file.file, &hive_root(p.hive), std::move(p.text), p.spans);
    file.identity = StampOf(file.path);
    file.dirty = false;
  }
  return kRegOk;
}

bool WineRegistry::ServerRunning() const { return WineserverRunning(prefix_); }

std::string WineRegistry::last_error() const {
  std::lock_guard lock(mutex());
  return last_error_;
}

std::int32_t WineRegistry::Flush() {
  std::lock_guard lock(mutex());
  if (!files_[0].dirty && !files_[1].dirty) return kRegOk;
  if (WineserverRunning(prefix_)) {
    last_error_ = "a wineserver runs for " + prefix_ + ": the registry files cannot be written";
    return kRegAccessDenied;
  }
  last_error_.clear();
  return SaveDirtyHives();
}

void WineRegistry::DiscardChanges() {
  std::lock_guard lock(mutex());
  for (Hive hive : {Hive::kMachine, Hive::kUser}) {
    HiveFile& file = files_[static_cast<int>(hive)];
    if (!file.dirty) continue;
    std::string error;
    // A file that cannot be read back keeps the changed tree, but it is no
    // longer written anywhere.
    if (!LoadHive(hive, hive == Hive::kMachine, &error)) file.dirty = false;
  }
}

std::string WineRegistry::WriteProblem() const { return RegistryWriteProblem("wine:" + prefix_); }

void WineRegistry::SetBatchMode(bool on) {
  std::lock_guard lock(mutex());
  batch_ = on;
  lock_checked_ = {};
}

std::string WineRegistry::DeferredReadProblem() const {
  std::lock_guard lock(mutex());
  return deferred_error_;
}

void WineRegistry::OnHiveNeeded(Hive hive) {
  std::string error;
  if (!LoadHive(hive, hive == Hive::kMachine, &error)) deferred_error_ = error;
}

std::int32_t WineRegistry::CheckWritable() {
  // A registry read in part would write the part it never read as empty.
  if (read_only_) return kRegAccessDenied;
  // Asked before every change: an import of 100,000 values must not work out
  // where the server's lock lives 100,000 times, only look at the lock.
  const auto now = std::chrono::steady_clock::now();
  if (batch_ && now - lock_checked_ < kBatchLockInterval) return lock_status_;
  if (now - lock_paths_found_ > kLockPathInterval) {
    lock_paths_ = WineserverLockPaths(prefix_);
    lock_paths_found_ = now;
  }
  lock_status_ = kRegOk;
  for (const std::string& lock : lock_paths_) {
    if (LockFileHeld(lock)) {
      lock_status_ = kRegAccessDenied;
      break;
    }
  }
  lock_checked_ = now;
  return lock_status_;
}

void WineRegistry::OnModified(Hive hive) { files_[static_cast<int>(hive)].dirty = true; }

void WineRegistry::OnRootWalk() {
  auto now = std::chrono::steady_clock::now();
  if (now - last_check_ < kReloadCheckInterval) return;
  last_check_ = now;
  // Pending changes of ours win over the files; they are written on Flush.
  if (files_[0].dirty || files_[1].dirty) return;
  for (Hive hive : {Hive::kMachine, Hive::kUser}) {
    if (HivePending(hive)) continue;  // read when first used, not before
    HiveFile& file = files_[static_cast<int>(hive)];
    FileStamp id = StampOf(file.path);
    if (id == file.identity) continue;
    std::string error;
    // A broken file keeps the tree we have, until the file changes again.
    if (!LoadHive(hive, hive == Hive::kMachine, &error)) {
      last_error_ = error;
      file.identity = id;
    }
  }
}

}  // namespace platform
