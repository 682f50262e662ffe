// A stand-in for a start of the program: takes the single-instance guard in
// folder argv[1] under name argv[2]. The first instance prints "FIRST", then
// "WOKEN <command line>" for each later start, and ends after argv[3] wake-ups
// (or 20 seconds). A later start prints "SECOND" and ends.
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "app/core/single_instance.h"
#include "platform/text.h"

namespace {

class Guard : public clarivo::CSingleInstance {
 public:
  ~Guard() override { Destroy(); }
  void OnSecondInstance(const std::u16string& command_line) override {
    std::lock_guard lock(mutex);
    std::printf("WOKEN %s\n", platform::ToUtf8(command_line).c_str());
    std::fflush(stdout);
    ++wakeups;
    changed.notify_all();
  }
  std::mutex mutex;
  std::condition_variable changed;
  int wakeups = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  Guard guard;
  guard.SetImpl(std::make_unique<clarivo::CSingleInstanceImpl>(&guard, argv[2], argv[1]));
  // Held until "FIRST" is out, so that no wake-up is printed before it.
  std::unique_lock lock(guard.mutex);
  if (!guard.Create()) {
    std::printf("SECOND\n");
    return 0;
  }
  std::printf("FIRST\n");
  std::fflush(stdout);
  guard.changed.wait_for(lock, std::chrono::seconds(20), [&] { return guard.wakeups >= std::atoi(argv[3]); });
  lock.unlock();
  guard.Destroy();
  std::printf("DONE\n");
  return 0;
}
