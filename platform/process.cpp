#include "platform/process.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

// POSIX leaves declaring environ to the program; glibc declares it only with _GNU_SOURCE.
extern char** environ;  // NOLINT(readability-redundant-declaration)

namespace platform {
namespace {

// True while some process of the group is alive. Zombies do not count: an
// orphan that init has not reaped yet must not keep the caller waiting.
bool GroupAlive(pid_t group) {
  if (kill(-group, 0) != 0 && errno == ESRCH) return false;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return true;
  bool alive = false;
  while (const dirent* entry = readdir(proc)) {
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
    std::ifstream stat_file(std::string("/proc/") + entry->d_name + "/stat");
    std::string line;
    if (!std::getline(stat_file, line)) continue;
    // "pid (comm) state ppid pgrp ...": comm may hold anything, so parse after the last ')'.
    const std::size_t paren = line.rfind(')');
    if (paren == std::string::npos) continue;
    char state = 0;
    long ppid = 0, pgrp = 0;
    if (std::sscanf(line.c_str() + paren + 1, " %c %ld %ld", &state, &ppid, &pgrp) != 3) continue;
    if (pgrp == group && state != 'Z' && state != 'X') {
      alive = true;
      break;
    }
  }
  closedir(proc);
  return alive;
}

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// `name` in the folder of `path` (a file path).
std::string Beside(std::string_view path, const std::string& name) {
  const std::size_t slash = path.rfind('/');
  std::string result(path.substr(0, slash == std::string_view::npos ? 0 : slash + 1));
  result.append(name);
  return result;
}

}  // namespace

std::string InterpreterPath() {
  const char* comspec = std::getenv("COMSPEC");
  return comspec != nullptr && *comspec != '\0' ? comspec : "/bin/sh";
}

std::string QuoteForShell(std::string_view argument) {
  // Inside single quotes a POSIX shell takes every byte literally; a quote
  // itself is closed, escaped and reopened.
  std::string quoted = "'";
  for (char c : argument) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  quoted += '\'';
  return quoted;
}

RunResult RunHidden(const std::string& command_line) {
  RunResult result;
  // exec cannot pass a NUL; cutting the command there could change its meaning.
  if (command_line.find('\0') != std::string::npos) {
    result.error = EINVAL;
    return result;
  }
  const std::string interpreter = InterpreterPath();
  char* argv[] = {const_cast<char*>(interpreter.c_str()), const_cast<char*>("-c"),
                  const_cast<char*>(command_line.c_str()), nullptr};

  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // Own process group, so that everything it starts can be waited for; a
  // clean signal state whatever the caller blocked or ignored.
  posix_spawnattr_setpgroup(&attr, 0);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  // Hidden: nothing to read from the caller's terminal.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

  pid_t pid = 0;
  const int rc = posix_spawn(&pid, interpreter.c_str(), &actions, &attr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    result.error = rc;
    return result;
  }
  result.started = true;

  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited == pid) {
    if (WIFEXITED(status)) {
      result.exit_code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
      result.exit_code = 128 + WTERMSIG(status);
    }
  }
  // Then everything the interpreter left running in its group.
  int delay_ms = 1;
  while (GroupAlive(pid)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    delay_ms = std::min(delay_ms * 2, 50);
  }
  return result;
}

std::string ToolPath(std::string_view program) {
  std::string name(program);
  // The module holding this code: the engine library or the executable.
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&ToolPath), &info) != 0 && info.dli_fname != nullptr) {
    if (char* real = realpath(info.dli_fname, nullptr)) {
      std::string candidate = Beside(real, name);
      free(real);
      if (IsExecutableFile(candidate)) return candidate;
    }
  }
  char exe[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    std::string candidate = Beside(std::string_view(exe, static_cast<std::size_t>(n)), name);
    if (IsExecutableFile(candidate)) return candidate;
  }
  if (const char* path = std::getenv("PATH")) {
    std::string_view dirs = path;
    while (true) {
      const std::size_t colon = dirs.find(':');
      // An empty entry means the current folder.
      std::string candidate(colon == 0 ? std::string_view(".") : dirs.substr(0, colon));
      candidate.append("/").append(name);
      if (IsExecutableFile(candidate)) return candidate;
      if (colon == std::string_view::npos) break;
      dirs.remove_prefix(colon + 1);
    }
  }
  return name;
}

}  // namespace platform
