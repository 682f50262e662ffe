// Applying .reg files to a registry: one change at a time as the file is
// read, all files or none (see reg_file.h).
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/reg_file.h"
#include "platform/reg_file_stream.h"
#include "platform/text.h"
#include "platform/wine_registry.h"

namespace platform {
namespace {

class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  FileHandle(FileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  FileHandle& operator=(FileHandle&&) = delete;
  ~FileHandle() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

// Only checks: the changes go nowhere.
class CheckSink : public RegOpSink {
 public:
  bool Add(const RegFileOp& /*op*/, std::string* /*error*/) override { return true; }
};

// Whether a failed parse stopped at a change the registry refused, as
// opposed to a fault of the file.
class ApplyTracker : public RegOpSink {
 public:
  explicit ApplyTracker(RegOpSink& inner) : inner_(inner) {}
  bool Add(const RegFileOp& op, std::string* error) override {
    if (inner_.Add(op, error)) return true;
    refused_ = true;
    return false;
  }
  bool refused() const { return refused_; }

 private:
  RegOpSink& inner_;
  bool refused_ = false;
};

// While it lives, the Wine registry looks for a running server every few
// milliseconds rather than before each of a million changes.
class BatchScope {
 public:
  explicit BatchScope(WineRegistry* wine) : wine_(wine) {
    if (wine_) wine_->SetBatchMode(true);
  }
  BatchScope(const BatchScope&) = delete;
  BatchScope& operator=(const BatchScope&) = delete;
  ~BatchScope() {
    if (wine_) wine_->SetBatchMode(false);
  }

 private:
  WineRegistry* wine_;
};

}  // namespace

std::string RegStatusText(std::int32_t status) {
  switch (status) {
    case kRegNotFound:
      return "not found";
    case kRegAccessDenied:
      return "access denied";
    case kRegWriteFault:
      return "write fault";
    case kRegInvalidParameter:
      return "invalid name";
    default:
      return "error " + std::to_string(status);
  }
}

RegApplySink::~RegApplySink() { CloseAll(); }

void RegApplySink::CloseAll() {
  for (const OpenedKey& key : open_) registry_.CloseKey(key.handle);
  open_.clear();
  current_ = 0;
  stale_ = false;
}

bool RegApplySink::Fail(const RegFileOp& op, const std::string& what, std::int32_t status,
                        std::string* error) {
  std::u16string key(RootKeyName(op.root));
  if (!op.path.empty()) key += u'\\' + op.path;
  *error = std::string(file_name_) + ":" + std::to_string(op.line) + ": " + what + " \"" + ToUtf8(key) +
           "\": " + RegStatusText(status);
  return false;
}

bool RegApplySink::OpenCurrent(const RegFileOp& op, std::int32_t* status) {
  // After a deletion the keys held open may be gone: start from the root.
  if (stale_) CloseAll();
  if (op.path.empty()) {
    CloseAll();
    current_ = op.root;
    return true;
  }
  // The deepest open key that is the new key or lies above it. Exports list
  // a key right after its parent, so this is mostly the current key itself.
  std::size_t keep = open_.size();
  for (; keep > 0; --keep) {
    const OpenedKey& key = open_[keep - 1];
    const std::size_t n = key.path.size();
    if (key.root == op.root && op.path.size() >= n && (op.path.size() == n || op.path[n] == u'\\') &&
        std::u16string_view(op.path).substr(0, n) == key.path) {
      break;
    }
  }
  while (open_.size() > keep) {
    registry_.CloseKey(open_.back().handle);
    open_.pop_back();
  }
  if (keep > 0 && open_.back().path.size() == op.path.size()) {
    current_ = open_.back().handle;
    return true;
  }
  const RegKey parent = keep > 0 ? open_.back().handle : op.root;
  const std::u16string_view rest = keep > 0
                                       ? std::u16string_view(op.path).substr(open_.back().path.size() + 1)
                                       : std::u16string_view(op.path);
  RegKey handle = 0;
  current_ = 0;
  *status = registry_.CreateKey(parent, rest, &handle);
  if (*status != kRegOk) return false;
  open_.push_back({op.root, op.path, handle});
  current_ = handle;
  return true;
}

bool RegApplySink::Add(const RegFileOp& op, std::string* error) {
  std::int32_t status = kRegOk;
  switch (op.kind) {
    case RegFileOp::Kind::kCreateKey:
      if (!OpenCurrent(op, &status)) return Fail(op, "cannot create key", status, error);
      break;
    case RegFileOp::Kind::kDeleteKey:
      // The current key stays open, as it was, until the next key line.
      stale_ = true;
      status = registry_.DeleteTree(op.root, op.path);
      if (status != kRegOk && status != kRegNotFound) return Fail(op, "cannot delete key", status, error);
      break;
    case RegFileOp::Kind::kSetValue:
      status = registry_.SetValue(current_, op.name, op.value);
      if (status != kRegOk) return Fail(op, "cannot set a value of", status, error);
      break;
    case RegFileOp::Kind::kDeleteValue:
      status = registry_.DeleteValue(current_, op.name);
      if (status != kRegOk && status != kRegNotFound)
        return Fail(op, "cannot delete a value of", status, error);
      break;
  }
  return true;
}

bool ApplyRegOps(Registry& registry, const std::vector<RegFileOp>& ops, std::string_view file_name,
                 std::string* error) {
  RegApplySink sink(registry, file_name);
  for (const RegFileOp& op : ops) {
    if (!sink.Add(op, error)) return false;
  }
  return true;
}

bool ImportRegFiles(Registry& registry, const std::vector<std::string>& files, std::string* error) {
  // Every file is opened first: one that cannot be read stops the import
  // before anything is read or changed.
  std::vector<FileHandle> fds;
  fds.reserve(files.size());
  for (const std::string& file : files) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      *error = "cannot read " + file + ": " + std::strerror(errno);
      return false;
    }
    fds.emplace_back(fd);
  }
  auto* wine = dynamic_cast<WineRegistry*>(&registry);
  if (wine != nullptr && wine->ServerRunning()) {
    *error = "cannot import into " + wine->prefix() +
             ": a wineserver is running for this prefix; stop it first (wineserver -k)";
    return false;
  }
  if (wine == nullptr) {
    // A store that cannot drop changes gets every file checked whole before
    // the first change.
    for (std::size_t i = 0; i < files.size(); ++i) {
      RegLineReader reader(fds[i].get(), files[i]);
      CheckSink sink;
      if (!ParseRegLines(reader, files[i], sink, error)) return false;
      if (lseek(fds[i].get(), 0, SEEK_SET) != 0) {
        *error = "cannot read " + files[i] + ": " + std::strerror(errno);
        return false;
      }
    }
  }
  // The Wine registry takes each change as it is read; any fault, in the
  // last line of the last file too, drops them all before anything is saved.
  const auto fail = [&](const std::string& message, bool refused) {
    if (wine != nullptr) wine->DiscardChanges();
    *error = message;
    if (refused && wine != nullptr) *error += " (nothing was imported)";
    return false;
  };
  try {
    BatchScope batch(wine);
    for (std::size_t i = 0; i < files.size(); ++i) {
      RegLineReader reader(fds[i].get(), files[i]);
      RegApplySink apply(registry, files[i]);
      ApplyTracker tracker(apply);
      std::string why;
      if (!ParseRegLines(reader, files[i], tracker, &why)) return fail(why, tracker.refused());
    }
  } catch (...) {
    // Out of memory half-way: what was applied must not be saved later.
    if (wine != nullptr) wine->DiscardChanges();
    throw;
  }
  const std::int32_t status = registry.Flush();
  if (status != kRegOk) {
    std::string message = "cannot save the registry after importing";
    for (const std::string& file : files) message += " " + file;
    if (wine == nullptr) {
      message += ": " + RegStatusText(status);
    } else if (!wine->last_error().empty()) {
      // The Wine backend knows which file could not be written and why.
      message += ": " + wine->last_error();
    }
    return fail(message, true);
  }
  return true;
}

bool ImportRegFile(Registry& registry, const std::string& file, std::string* error) {
  return ImportRegFiles(registry, {file}, error);
}

}  // namespace platform
