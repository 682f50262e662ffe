#include "platform/atomic_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

// ---- Temporary names the signal handler may have to remove ----

constexpr int kSlotCount = 32;
enum SlotState : int { kFree = 0, kFilling = 1, kReady = 2 };
struct Slot {
  std::atomic<int> state{kFree};
  char path[PATH_MAX];
};
Slot g_slots[kSlotCount];

// Threads between their first and last rename: a signal then waits for them.
std::atomic<int> g_critical{0};
std::atomic<int> g_deferred_signal{0};

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
std::mutex g_install_mutex;
int g_savers = 0;
bool g_installed[std::size(kSignals)] = {};

// Async-signal-safe: only unlink.
void UnlinkRegistered() {
  for (Slot& slot : g_slots) {
    if (slot.state.load() == kReady) unlink(slot.path);
  }
}

// Ends the process the way the signal would have, without our temporaries.
void DieOf(int signal_number) {
  UnlinkRegistered();
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  sigaction(signal_number, &dfl, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal_number);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal_number);
}

void OnSignal(int signal_number) {
  if (g_critical.load() > 0) {
    g_deferred_signal.store(signal_number);
    return;
  }
  DieOf(signal_number);
}

// While any save runs, the signals that would kill the process without
// cleaning up go through OnSignal; a program that handles them itself keeps
// its handlers (its saves then finish normally).
class SaveScope {
 public:
  SaveScope() {
    std::lock_guard lock(g_install_mutex);
    if (g_savers++ != 0) return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
      struct sigaction old {};
      g_installed[i] = false;
      if (sigaction(kSignals[i], nullptr, &old) != 0) continue;
      if ((old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) continue;
      struct sigaction ours {};
      ours.sa_handler = OnSignal;
      sigfillset(&ours.sa_mask);
      ours.sa_flags = SA_RESTART;
      g_installed[i] = sigaction(kSignals[i], &ours, nullptr) == 0;
    }
  }
  ~SaveScope() {
    std::lock_guard lock(g_install_mutex);
    if (--g_savers != 0) return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
      if (!g_installed[i]) continue;
      struct sigaction current {};
      if (sigaction(kSignals[i], nullptr, &current) == 0 && current.sa_handler == OnSignal) {
        struct sigaction dfl {};
        dfl.sa_handler = SIG_DFL;
        sigemptyset(&dfl.sa_mask);
        sigaction(kSignals[i], &dfl, nullptr);
      }
      g_installed[i] = false;
    }
  }
  SaveScope(const SaveScope&) = delete;
  SaveScope& operator=(const SaveScope&) = delete;
};

class CriticalSection {
 public:
  CriticalSection() { g_critical.fetch_add(1); }
  ~CriticalSection() {
    if (g_critical.fetch_sub(1) == 1) {
      const int deferred = g_deferred_signal.exchange(0);
      if (deferred != 0) DieOf(deferred);
    }
  }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
};

int Register(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kSlotCount; ++i) {
    int expected = kFree;
    if (g_slots[i].state.compare_exchange_strong(expected, kFilling)) {
      std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
      g_slots[i].state.store(kReady);
      return i;
    }
  }
  return -1;  // no room: a name left behind is still found by the next writer
}

void Unregister(int slot) {
  if (slot >= 0) g_slots[slot].state.store(kFree);
}

// ---- Paths ----

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RandomSuffix() {
  static std::atomic<std::uint64_t> counter{0};
  std::uint64_t x = static_cast<std::uint64_t>(getpid()) * 0x9E3779B97F4A7C15ULL ^
                    static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                    (counter.fetch_add(1) * 0xBF58476D1CE4E5B9ULL);
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string out;
  for (int i = 0; i < 8; ++i) {
    x ^= x >> 31;
    x *= 0x94D049BB133111EBULL;
    out.push_back(kChars[x % (sizeof kChars - 1)]);
  }
  return out;
}

bool FailWith(std::string* error, const std::string& file, int err) {
  if (error) *error = "cannot write " + file + ": " + std::strerror(err);
  return false;
}

// One file on its way: the open temporary (locked), its name once it has one.
struct Temp {
  std::string target;
  std::string name;  // empty while an unnamed O_TMPFILE
  int fd = -1;
  int slot = -1;
  bool anonymous = false;
};

void Abandon(Temp& temp) {
  if (!temp.name.empty()) unlink(temp.name.c_str());
  Unregister(temp.slot);
  temp.slot = -1;
  if (temp.fd >= 0) close(temp.fd);
  temp.fd = -1;
}

bool WriteAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Opens the temporary for `target`, locked, and fills it.
bool Prepare(const FileReplacement& file, Temp* temp, std::string* error) {
  const std::string folder = FolderOf(temp->target);
  RemoveStaleTemporaries(temp->target);
  struct stat old {};
  const bool had_old = stat(temp->target.c_str(), &old) == 0;
  // An unnamed file first: if the process dies while writing it, nothing is left.
  temp->fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, file.new_mode);
  if (temp->fd >= 0) {
    temp->anonymous = true;
  } else if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
    for (int attempt = 0; attempt < 100 && temp->fd < 0; ++attempt) {
      temp->name = temp->target + std::string(kTempMarker) + RandomSuffix();
      temp->fd = open(temp->name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, file.new_mode);
      if (temp->fd < 0 && errno != EEXIST) break;
    }
    if (temp->fd < 0) {
      temp->name.clear();
      return FailWith(error, temp->target, errno);
    }
    temp->slot = Register(temp->name);
  } else {
    return FailWith(error, temp->target, errno);
  }
  // The lock tells later writers this file is alive; it goes with the process.
  flock(temp->fd, LOCK_EX);
  const bool ok = WriteAll(temp->fd, file.bytes) &&
                  (!had_old || fchmod(temp->fd, old.st_mode & 07777) == 0) && fsync(temp->fd) == 0;
  if (!ok) {
    const int err = errno;
    Abandon(*temp);
    return FailWith(error, temp->target, err);
  }
  if (had_old && (old.st_uid != geteuid() || old.st_gid != getegid())) {
    [[maybe_unused]] const int ignored = fchown(temp->fd, old.st_uid, old.st_gid);  // best effort
  }
  return true;
}

// Gives an unnamed temporary its name beside the target.
bool Name(Temp* temp, std::string* error) {
  if (!temp->anonymous) return true;
  const std::string proc = "/proc/self/fd/" + std::to_string(temp->fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = temp->target + std::string(kTempMarker) + RandomSuffix();
    temp->slot = Register(name);
    if (linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temp->name = name;
      return true;
    }
    const int err = errno;
    Unregister(temp->slot);
    temp->slot = -1;
    if (err != EEXIST) return FailWith(error, temp->target, err);
  }
  return FailWith(error, temp->target, EEXIST);
}

void SyncFolder(const std::string& folder) {
  const int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
}

}  // namespace

std::string ResolveWriteTarget(const std::string& path, std::string* error) {
  std::string current = path;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st {};
    if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::string link(PATH_MAX, '\0');
    const ssize_t n = readlink(current.c_str(), link.data(), link.size());
    if (n < 0) return current;
    link.resize(static_cast<std::size_t>(n));
    current = link.starts_with('/') ? link : FolderOf(current) + "/" + link;
  }
  if (error) *error = "cannot write " + path + ": " + std::strerror(ELOOP);
  return {};
}

bool ReplaceFiles(std::span<const FileReplacement> files, std::string* error) {
  SaveScope scope;
  std::vector<Temp> temps(files.size());
  auto abandon_all = [&] {
    for (Temp& temp : temps) Abandon(temp);
    return false;
  };
  for (std::size_t i = 0; i < files.size(); ++i) {
    temps[i].target = ResolveWriteTarget(files[i].path, error);
    if (temps[i].target.empty() || !Prepare(files[i], &temps[i], error)) return abandon_all();
  }
  {
    // From the first name to the last rename a signal waits: the files are
    // replaced all together or (should a rename fail) as far as they got.
    CriticalSection critical;
    for (Temp& temp : temps) {
      if (!Name(&temp, error)) return abandon_all();
    }
    for (std::size_t i = 0; i < temps.size(); ++i) {
      if (rename(temps[i].name.c_str(), temps[i].target.c_str()) != 0) {
        const int err = errno;
        std::string done;
        for (std::size_t k = 0; k < i; ++k) done += (done.empty() ? "" : ", ") + temps[k].target;
        abandon_all();
        FailWith(error, temps[i].target, err);
        if (error && !done.empty()) *error += " (already replaced: " + done + ")";
        return false;
      }
      temps[i].name.clear();
      Unregister(temps[i].slot);
      temps[i].slot = -1;
    }
  }
  for (Temp& temp : temps) {
    SyncFolder(FolderOf(temp.target));
    close(temp.fd);
    temp.fd = -1;
  }
  return true;
}

int RemoveStaleTemporaries(const std::string& target) {
  const std::string folder = FolderOf(target);
  const std::string prefix = NameOf(target) + std::string(kTempMarker);
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return 0;
  std::vector<std::string> candidates;
  while (const dirent* entry = readdir(dir)) {
    if (std::string_view(entry->d_name).starts_with(prefix)) candidates.push_back(folder + "/" + entry->d_name);
  }
  closedir(dir);
  int removed = 0;
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  for (const std::string& name : candidates) {
    const int fd = open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A writer holds its lock from the moment its file has a name, except
    // for an instant after creating a named one: an empty, fresh file is left
    // to it.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) {
      const bool fresh = now - std::chrono::seconds(st.st_ctim.tv_sec) < std::chrono::seconds(5);
      if ((st.st_size > 0 || !fresh) && unlink(name.c_str()) == 0) ++removed;
    }
    close(fd);
  }
  return removed;
}

std::string ReplaceProblem(const std::string& path) {
  std::string error;
  const std::string target = ResolveWriteTarget(path, &error);
  if (target.empty()) return error;
  if (access(target.c_str(), F_OK) == 0 && access(target.c_str(), W_OK) != 0) {
    return "cannot write " + target + ": " + std::strerror(errno);
  }
  // Permission bits do not stop root, a read-only mount does: try for real.
  const std::string folder = FolderOf(target);
  int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    const std::string probe = target + std::string(kTempMarker) + RandomSuffix();
    fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) unlink(probe.c_str());
  }
  if (fd < 0) return "cannot create files in " + folder + " to replace " + target + ": " + std::strerror(errno);
  close(fd);
  return {};
}

}  // namespace platform
