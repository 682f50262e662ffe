// One running instance per user: the first start holds a lock file and listens
// on a local socket; a later start sends its command line there and ends, and
// the first instance's watcher thread calls OnSecondInstance.
#pragma once

#include <memory>
#include <string>
#include <thread>

namespace clarivo {

inline constexpr char kSingleInstanceEvent[] = "Quorvex-Clarivo-Event";
inline constexpr std::size_t kCommandLineUnits = 256;  // longer command lines arrive empty

class CSingleInstance;

class CSingleInstanceImpl {
 public:
  // `name` names the lock file (name + ".lock") and the socket (name) inside
  // `folder`; by default kSingleInstanceEvent in RuntimeFolder().
  explicit CSingleInstanceImpl(CSingleInstance* owner, std::string name = kSingleInstanceEvent,
                               std::string folder = {});
  // Stops the watcher and waits for it, then closes the socket and the lock.
  ~CSingleInstanceImpl();
  CSingleInstanceImpl(const CSingleInstanceImpl&) = delete;
  CSingleInstanceImpl& operator=(const CSingleInstanceImpl&) = delete;

  // True for the first instance (the watcher then runs). False when another
  // instance runs: `command_line` (by default this process's) has been handed
  // to it.
  bool Create();
  bool Create(const std::u16string& command_line);

  // Ends the watcher; afterwards no OnSecondInstance call is made.
  void Destroy();

  // $XDG_RUNTIME_DIR when usable, else a private folder under /tmp.
  static std::string RuntimeFolder();
  // This process's command line, arguments with blanks in double quotes.
  static std::u16string ProcessCommandLine();

 private:
  void Watch();
  bool SendToFirst(const std::u16string& command_line);

  CSingleInstance* owner_;
  std::string name_;
  std::string folder_;
  int lock_fd_ = -1;
  int listen_fd_ = -1;
  int stop_fd_ = -1;
  std::thread watcher_;
};

class CSingleInstance {
 public:
  CSingleInstance();
  // Destroys the guard. Derived classes call Destroy() in their own
  // destructor, so that the watcher never calls into a half-destroyed object.
  virtual ~CSingleInstance();

  bool Create() { return impl_->Create(); }
  void Destroy() { impl_->Destroy(); }
  CSingleInstanceImpl& impl() { return *impl_; }
  void SetImpl(std::unique_ptr<CSingleInstanceImpl> impl) { impl_ = std::move(impl); }

  // Called on the watcher thread with the command line of a later start:
  // shows the main window and brings it to the front; the text is not used.
  virtual void OnSecondInstance(const std::u16string& command_line);

 private:
  std::unique_ptr<CSingleInstanceImpl> impl_;
};

// The program's own guard, the one its start-up routine creates.
class CMySingleInstance : public CSingleInstance {
 public:
  ~CMySingleInstance() override { Destroy(); }
};

}  // namespace clarivo
