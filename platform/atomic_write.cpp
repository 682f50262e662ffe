#include "platform/atomic_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

void (*g_replace_hook)(std::size_t) = nullptr;

constexpr std::string_view kJournalPrefix = ".clarivo-replace-";
constexpr std::string_view kJournalEnd = "end\n";

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

// How much of a produced file is written before its writeback is started.
constexpr off_t kWritebackStep = 8 << 20;

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
  bool ok = true;
  if (file.produce) {
    int write_errno = 0;
    std::string produce_error;
    const int fd = temp->fd;
    off_t written = 0, flushed = 0;
    const ContentWriter write = [fd, &write_errno, &written, &flushed](std::string_view piece) {
      if (write_errno != 0) return false;
      if (!WriteAll(fd, piece)) {
        write_errno = errno;
        return false;
      }
      written += static_cast<off_t>(piece.size());
      // The disk starts on what is written while the rest is being made, so
      // that the final fsync has little left to wait for.
      if (written - flushed >= kWritebackStep) {
        sync_file_range(fd, flushed, written - flushed, SYNC_FILE_RANGE_WRITE);
        flushed = written;
      }
      return true;
    };
    if (!file.produce(write, &produce_error) || write_errno != 0) {
      Abandon(*temp);
      if (write_errno != 0) return FailWith(error, temp->target, write_errno);
      if (error) *error = produce_error;
      return false;
    }
  } else {
    ok = WriteAll(temp->fd, file.bytes);
  }
  ok = ok && (!had_old || fchmod(temp->fd, old.st_mode & 07777) == 0) && fsync(temp->fd) == 0;
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

// Names the renames to come, so that a writer killed among them can be
// finished by the next one. The journal has its name only once complete and
// locked. Answers its descriptor (-1 on failure) and sets `name`.
int WriteJournal(const std::string& folder, const std::vector<Temp>& temps, std::string* name, int* err) {
  std::string text;
  for (const Temp& temp : temps) text += temp.name + "\n" + temp.target + "\n";
  text += kJournalEnd;
  int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  const bool anonymous = fd >= 0;
  if (!anonymous) {
    *name = folder + "/" + std::string(kJournalPrefix) + RandomSuffix();
    fd = open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      *err = errno;
      return -1;
    }
  }
  flock(fd, LOCK_EX);
  if (!WriteAll(fd, text) || fsync(fd) != 0) {
    *err = errno;
    if (!anonymous) unlink(name->c_str());
    close(fd);
    return -1;
  }
  if (anonymous) {
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    bool linked = false;
    for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
      *name = folder + "/" + std::string(kJournalPrefix) + RandomSuffix();
      linked = linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name->c_str(), AT_SYMLINK_FOLLOW) == 0;
      if (!linked && errno != EEXIST) break;
    }
    if (!linked) {
      *err = errno;
      close(fd);
      return -1;
    }
  }
  SyncFolder(folder);
  return fd;
}

}  // namespace

void SetReplaceHookForTests(void (*hook)(std::size_t renamed)) { g_replace_hook = hook; }

int CompleteInterruptedReplacements(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return 0;
  std::vector<std::string> journals;
  while (const dirent* entry = readdir(dir)) {
    if (std::string_view(entry->d_name).starts_with(kJournalPrefix))
      journals.push_back(folder + "/" + entry->d_name);
  }
  closedir(dir);
  int completed = 0;
  for (const std::string& journal : journals) {
    const int fd = open(journal.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A live writer holds its journal's lock; only our own user's journals count.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() ||
        flock(fd, LOCK_EX | LOCK_NB) != 0) {
      close(fd);
      continue;
    }
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
      text.append(buffer, static_cast<std::size_t>(n));
    if (!text.ends_with(kJournalEnd)) {
      // Cut short: its writer died before any rename. Left a moment to a
      // writer that has just created it.
      const auto age =
          std::chrono::system_clock::now().time_since_epoch() - std::chrono::seconds(st.st_ctim.tv_sec);
      if (age > std::chrono::seconds(5)) unlink(journal.c_str());
      close(fd);
      continue;
    }
    text.resize(text.size() - kJournalEnd.size());
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
      const std::size_t end = text.find('\n', pos);
      lines.push_back(text.substr(pos, end - pos));
      pos = end == std::string::npos ? text.size() : end + 1;
    }
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
      const std::string& temp = lines[i];
      const std::string& target = lines[i + 1];
      // Only what a save of ours names: "X.clarivo-tmp-..." over X.
      if (!temp.starts_with(target + std::string(kTempMarker)) ||
          temp.find('/', target.size()) != std::string::npos) {
        continue;
      }
      struct stat info {};
      if (lstat(temp.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
          rename(temp.c_str(), target.c_str()) == 0) {
        SyncFolder(FolderOf(target));
      }
    }
    unlink(journal.c_str());
    SyncFolder(folder);
    close(fd);
    ++completed;
  }
  return completed;
}

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
  // A replacement a killed writer left half done is finished first: its
  // files must not be taken for stale temporaries.
  for (const FileReplacement& file : files) CompleteInterruptedReplacements(FolderOf(file.path));
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
    std::string journal;
    int journal_fd = -1;
    const bool names_fit = std::none_of(temps.begin(), temps.end(), [](const Temp& t) {
      return t.name.find('\n') != std::string::npos || t.target.find('\n') != std::string::npos;
    });
    if (temps.size() > 1 && names_fit) {
      int err = 0;
      journal_fd = WriteJournal(FolderOf(files[0].path), temps, &journal, &err);
      if (journal_fd < 0) {
        abandon_all();
        return FailWith(error, temps[0].target, err);
      }
    }
    for (std::size_t i = 0; i < temps.size(); ++i) {
      if (i > 0 && g_replace_hook != nullptr) g_replace_hook(i);
      if (rename(temps[i].name.c_str(), temps[i].target.c_str()) != 0) {
        const int err = errno;
        std::string done;
        for (std::size_t k = 0; k < i; ++k) done += (done.empty() ? "" : ", ") + temps[k].target;
        abandon_all();
        if (journal_fd >= 0) {
          unlink(journal.c_str());
          close(journal_fd);
        }
        FailWith(error, temps[i].target, err);
        if (error && !done.empty()) *error += " (already replaced: " + done + ")";
        return false;
      }
      temps[i].name.clear();
      Unregister(temps[i].slot);
      temps[i].slot = -1;
    }
    if (journal_fd >= 0) {
      for (const Temp& temp : temps) SyncFolder(FolderOf(temp.target));
      unlink(journal.c_str());
      close(journal_fd);
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
    if (std::string_view(entry->d_name).starts_with(prefix))
      candidates.push_back(folder + "/" + entry->d_name);
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
  if (fd < 0)
    return "cannot create files in " + folder + " to replace " + target + ": " + std::strerror(errno);
  close(fd);
  return {};
}

}  // namespace platform
