#include "app/ui/launcher.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "app/core/program_paths.h"
#include "app/core/user_interface.h"
#include "platform/text.h"

namespace clarivo::ui {
namespace {

bool Spawn(const std::string& path, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return true;
}

}  // namespace

bool LaunchProgram(const std::string& program, const std::vector<std::string>& args) {
  const std::string path = program.find('/') == std::string::npos ? ExecutableDir() + "/" + program : program;
  if (Spawn(path, args)) return true;
  std::string command_line = program;
  for (const std::string& arg : args) command_line += " " + arg;
  UserInterface().MessageBox(platform::ToUtf16(command_line + " create fail"));
  return false;
}

bool OpenAddress(const std::string& address) {
  if (address.empty()) return false;
  return Spawn("xdg-open", {address});
}

}  // namespace clarivo::ui
