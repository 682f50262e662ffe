#include "app/core/process_start.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "app/core/user_interface.h"
#include "platform/text.h"

namespace clarivo {

bool StartProgram(const std::string& path) {
  pid_t pid = 0;
  char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
  if (path.empty() || posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0) {
    UserInterface().MessageBox(platform::ToUtf16(path + " create fail"));
    return false;
  }
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return true;
}

}  // namespace clarivo
