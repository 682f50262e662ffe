#include "app/core/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "app/core/atomic_file.h"
#include "app/core/user_interface.h"
#include "platform/debug_output.h"
#include "platform/text.h"

namespace clarivo {
namespace {

constexpr std::size_t kMaxMessage = 4096;
constexpr int kReadTimeoutMs = 2000;
constexpr int kHandOverTries = 60;  // 50 ms apart: the first instance may still be starting

void CloseFd(int* fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

// A folder only this user can reach: the socket and the lock must not be
// open to other users or replaceable by them.
bool IsPrivateFolder(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
         (st.st_mode & 077) == 0;
}

bool MakeAddress(const std::string& path, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  if (path.size() >= sizeof addr->sun_path) return false;
  std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Reads one message (until the sender closes), bounded in size and time.
std::string ReadMessage(int fd) {
  std::string message;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadTimeoutMs);
  char buffer[512];
  while (message.size() < kMaxMessage) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fd, POLLIN, 0};
    int r = poll(&p, 1, static_cast<int>(left.count()));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    message.append(buffer, static_cast<std::size_t>(n));
  }
  return message;
}

}  // namespace

CSingleInstanceImpl::CSingleInstanceImpl(CSingleInstance* owner, std::string name, std::string folder)
    : owner_(owner), name_(std::move(name)), folder_(folder.empty() ? RuntimeFolder() : std::move(folder)) {}

CSingleInstanceImpl::~CSingleInstanceImpl() { Destroy(); }

std::string CSingleInstanceImpl::RuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/' && IsPrivateFolder(runtime)) return runtime;
  std::string folder = "/tmp/Quorvex-Clarivo-" + std::to_string(getuid());
  mkdir(folder.c_str(), 0700);
  return folder;
}

std::u16string CSingleInstanceImpl::ProcessCommandLine() {
  std::optional<std::string> raw = ReadWholeFile("/proc/self/cmdline");
  std::string line;
  if (raw) {
    std::size_t start = 0;
    while (start < raw->size()) {
      std::size_t end = raw->find('\0', start);
      if (end == std::string::npos) end = raw->size();
      std::string arg = raw->substr(start, end - start);
      if (!line.empty()) line += ' ';
      line += arg.find_first_of(" \t") == std::string::npos && !arg.empty() ? arg : "\"" + arg + "\"";
      start = end + 1;
    }
  }
  return platform::ToUtf16(line);
}

bool CSingleInstanceImpl::Create() { return Create(ProcessCommandLine()); }

bool CSingleInstanceImpl::Create(const std::u16string& command_line) {
  Destroy();
  if (!IsPrivateFolder(folder_)) {
    // Without a safe place there is no guard; the program still runs.
    platform::DebugOutput("single instance: folder " + folder_ + " is not private; no guard");
    return true;
  }
  const std::string lock_path = folder_ + "/" + name_ + ".lock";
  const std::string socket_path = folder_ + "/" + name_;
  for (int attempt = 0; attempt < kHandOverTries; ++attempt) {
    lock_fd_ = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock_fd_ < 0) {
      platform::DebugOutput("single instance: cannot open " + lock_path + ": " + std::strerror(errno));
      return true;
    }
    if (flock(lock_fd_, LOCK_EX | LOCK_NB) == 0) break;  // we are the first
    CloseFd(&lock_fd_);
    if (SendToFirst(command_line)) return false;
    usleep(50 * 1000);
  }
  if (lock_fd_ < 0) return false;  // another instance holds the lock but does not answer

  // The lock makes us the only one here: a socket file left by an instance
  // that crashed can go.
  sockaddr_un addr;
  if (!MakeAddress(socket_path, &addr)) return true;
  unlink(socket_path.c_str());
  listen_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  stop_fd_ = eventfd(0, EFD_CLOEXEC);
  if (listen_fd_ < 0 || stop_fd_ < 0 ||
      bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listen_fd_, 8) != 0) {
    platform::DebugOutput("single instance: cannot listen on " + socket_path + ": " + std::strerror(errno));
    CloseFd(&listen_fd_);
    CloseFd(&stop_fd_);
    return true;  // the lock still keeps later starts out
  }
  watcher_ = std::thread(&CSingleInstanceImpl::Watch, this);
  return true;
}

bool CSingleInstanceImpl::SendToFirst(const std::u16string& command_line) {
  sockaddr_un addr;
  if (!MakeAddress(folder_ + "/" + name_, &addr)) return false;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool sent = false;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
    // Like the shared memory it stands for: a text that does not fit arrives
    // empty, but still wakes the first instance.
    std::string text =
        command_line.size() < kCommandLineUnits ? platform::ToUtf8(command_line) : std::string();
    sent = WriteAll(fd, text);
    shutdown(fd, SHUT_WR);
  }
  close(fd);
  return sent;
}

void CSingleInstanceImpl::Watch() {
  for (;;) {
    pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {stop_fd_, POLLIN, 0}};
    int r = poll(fds, 2, -1);
    if (r < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    if (!(fds[0].revents & POLLIN)) continue;
    int client = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    ucred cred{};
    socklen_t len = sizeof cred;
    bool same_user = getsockopt(client, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == getuid();
    std::string message = same_user ? ReadMessage(client) : std::string();
    close(client);
    if (!same_user) continue;
    std::u16string text = platform::ToUtf16(message);
    if (text.size() >= kCommandLineUnits) text.clear();
    if (owner_) owner_->OnSecondInstance(text);
  }
}

void CSingleInstanceImpl::Destroy() {
  if (watcher_.joinable()) {
    std::uint64_t one = 1;
    while (write(stop_fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    watcher_.join();
  }
  if (listen_fd_ >= 0) unlink((folder_ + "/" + name_).c_str());  // still under the lock
  CloseFd(&listen_fd_);
  CloseFd(&stop_fd_);
  CloseFd(&lock_fd_);
}

CSingleInstance::CSingleInstance() : impl_(std::make_unique<CSingleInstanceImpl>(this)) {}

CSingleInstance::~CSingleInstance() { impl_.reset(); }

void CSingleInstance::OnSecondInstance(const std::u16string&) { UserInterface().ShowMainWindow(); }

}  // namespace clarivo
