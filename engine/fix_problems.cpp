// The fixers: one common loop over a type's list as the last scan left it,
// deleting for every selected finding what its key text or name designates.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/fix_key_text.h"
#include "engine/key_paths.h"
#include "engine/scan_support.h"
#include "engine/scanners.h"
#include "platform/registry.h"

namespace Function {

namespace {

using platform::kClassesRoot;
using platform::kCurrentUser;
using platform::kLocalMachine;
using platform::kRegOk;

constexpr std::u16string_view kArpCacheKeyText =
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\";
constexpr std::u16string_view kHtmlHelpMarker = u"Html Help";
constexpr std::u16string_view kDefaultIconKey = u"DefaultIcon";

std::u16string FieldText(const char16_t (&field)[kTextUnits]) { return std::u16string(FieldView(field)); }

class Fixer {
 public:
  Fixer(CRegEngine& engine, int type, ICallback* callback)
      : engine_(engine), registry_(engine.registry()), type_(type), callback_(callback) {}

  int Run();
  // Deletions that actually removed something; they must reach the disk.
  int removed() const { return removed_; }
  // Deletions the store refused outright (it is read-only, e.g. while a
  // wineserver holds the prefix).
  int refused() const { return refused_; }

 private:
  bool OpenEarlyBase(int* result);
  bool OpenLateBase(int* result);
  void FixItem(std::uint32_t k, const RegProblemItem& item);
  void Report(std::uint32_t k, std::u16string_view key_text);

  // Deletion primitives: the result is kept to count real removals.
  std::int32_t DeleteTree(platform::RegKey key, std::u16string_view subpath);
  std::int32_t DeleteValue(platform::RegKey key, std::u16string_view name);
  void Made() { ++deletions_; }
  std::int32_t Count(std::int32_t status) {
    if (status == kRegOk) ++removed_;
    if (status == platform::kRegAccessDenied) ++refused_;
    return status;
  }

  CRegEngine& engine_;
  platform::Registry* registry_;
  int type_;
  ICallback* callback_;
  ScopedKey base_;
  ScopedKey help_;  // type 11's plain help key, beside the HTML help key in base_
  std::uint32_t divisor_ = 0;
  std::int32_t deletions_ = 0;
  int removed_ = 0;
  int refused_ = 0;
};

// Types whose base key is opened before anything else; false ends the fix with *result.
bool Fixer::OpenEarlyBase(int* result) {
  switch (type_) {
    case MissingShareDLL:
      base_ = ScopedKey(registry_, kLocalMachine, kSharedDllsPath);
      *result = kResultDone;
      return static_cast<bool>(base_);
    case InvalidStartMenuOrding:
      base_ = ScopedKey(registry_, kCurrentUser, kMenuOrderPath);
      break;
    case MUICache:
      base_ = ScopedKey(registry_, kCurrentUser, kMuiCachePath);
      break;
    case ObsoleteSoftware:
      base_ = ScopedKey(registry_, kCurrentUser, kSoftwarePath);
      break;
    case HelpFiles:
      help_ = ScopedKey(registry_, kLocalMachine, kHelpPath);
      base_ = ScopedKey(registry_, kLocalMachine, kHtmlHelpPath);
      // Many registries (a fresh Wine prefix among them) have no HTML help
      // key: that must not keep stale plain help entries from being fixed.
      // Only when neither key opens is there nothing the fixer can do.
      *result = kResultFailed;
      return base_ || help_;
    default:
      return true;
  }
  *result = kResultFailed;
  return static_cast<bool>(base_);
}

// Types whose base key is opened once it is known there is work to do.
bool Fixer::OpenLateBase(int* result) {
  if (type_ == InvalidApplication) {
    base_ = ScopedKey(registry_, kClassesRoot, kApplicationsPath);
    *result = kResultFailed;
    return static_cast<bool>(base_);
  }
  if (type_ == InvalidInstaller) base_ = ScopedKey(registry_, kLocalMachine, kArpCachePath);  // optional
  return true;
}

int Fixer::Run() {
  // Nothing to fix is done, whether or not the base key exists: a fresh
  // registry without, say, a menu order key must not make Fix report failure.
  const std::vector<RegProblemItem>& items = engine_.items(type_);
  if (items.empty()) return kResultDone;
  int result = kResultDone;
  if (!OpenEarlyBase(&result)) return result;
  std::uint32_t selected = 0;
  for (const RegProblemItem& item : items) selected += item.selected == 1 ? 1 : 0;
  const bool divide_by_selected = type_ <= InvalidOpenWithApplication;
  if (divide_by_selected && selected == 0) return kResultDone;
  if (!OpenLateBase(&result)) return result;
  divisor_ = divide_by_selected ? selected : static_cast<std::uint32_t>(items.size());

  const std::size_t size = items.size();
  for (std::uint32_t k = 0; k < size; ++k) {
    if (engine_.StopRequested()) return kResultStopped;
    const RegProblemItem item = items[k];
    if (item.selected != 1) {
      if (type_ == MissingShareDLL) Report(k, FieldView(item.key));
      continue;
    }
    FixItem(k, item);
  }
  return kResultDone;
}

void Fixer::Report(std::uint32_t k, std::u16string_view key_text) {
  if (callback_ == nullptr) return;
  const std::int32_t percent = static_cast<std::int32_t>((k + 1) * 100u / divisor_);
  const bool count_is_position = type_ == MUICache || type_ == ObsoleteSoftware;
  const std::int32_t count = count_is_position ? static_cast<std::int32_t>(k) : deletions_;
  ProgressCounter::Send(callback_, type_, key_text, percent, count);
}

std::int32_t Fixer::DeleteTree(platform::RegKey key, std::u16string_view subpath) {
  // An empty path or an empty component would name the key the fixer works
  // in (or its parent), not a finding: never delete that.
  if (registry_ == nullptr || subpath.empty() || subpath.front() == u'\\' || subpath.back() == u'\\' ||
      subpath.find(u"\\\\") != std::u16string_view::npos) {
    return platform::kRegInvalidParameter;
  }
  return Count(registry_->DeleteTree(key, subpath));
}

std::int32_t Fixer::DeleteValue(platform::RegKey key, std::u16string_view name) {
  if (registry_ == nullptr) return platform::kRegInvalidHandle;
  return Count(registry_->DeleteValue(key, name));
}

void Fixer::FixItem(std::uint32_t k, const RegProblemItem& item) {
  const std::u16string key = FieldText(item.key);
  const std::u16string name = FieldText(item.name);
  switch (type_) {
    case MissingShareDLL:
      Report(k, key);
      DeleteValue(base_.get(), name);
      Made();
      return;
    case InvalidApplication: {
      Report(k, key);
      const std::optional<std::u16string> application = ApplicationOfKeyText(key);
      if (!application) return;
      DeleteTree(base_.get(), *application);
      Made();
      return;
    }
    case InvalidActiveXAndCOM: {
      Report(k, key);
      const std::optional<ComTarget> target = ComTargetOfKeyText(key);
      if (!target) return;
      if (target->program_id) {
        DeleteTree(kClassesRoot, target->path);
      } else {
        ScopedKey clsid(registry_, kClassesRoot, kClsidPath);
        if (!clsid) return;
        DeleteTree(clsid.get(), target->path);  // the server subkey only; the class stays
      }
      Made();
      return;
    }
    case InvalidStartMenuOrding:
    case ObsoleteSoftware:
      Report(k, key);
      DeleteTree(base_.get(), name);
      Made();
      return;
    case InvalidInstaller:
      Report(k, key);
      if (key.find(kArpCacheKeyText) != std::u16string::npos) {
        if (!base_) return;
        DeleteTree(base_.get(), name);
      } else {
        ScopedKey folders(registry_, kLocalMachine, kInstallerFoldersPath);
        if (folders) DeleteValue(folders.get(), name);
      }
      Made();
      return;
    case InvalidDefaultIcon: {
      Report(k, key);
      const std::optional<std::u16string> class_name = InnerPathOfKeyText(key);
      if (!class_name) return;
      ScopedKey class_key(registry_, kClassesRoot, *class_name);
      if (!class_key) return;
      if (DeleteTree(class_key.get(), kDefaultIconKey) == kRegOk) Made();
      return;
    }
    case InvalidOpenWithApplication: {
      const std::optional<VerbTarget> target = VerbOfKeyText(key);
      if (!target) return;
      ScopedKey shell(registry_, kClassesRoot, target->shell_path);
      if (!shell) return;
      Report(k, key);
      DeleteTree(shell.get(), target->verb);
      Made();
      return;
    }
    case MUICache:
      Report(k, key);
      DeleteValue(base_.get(), name);
      Made();
      return;
    case HelpFiles: {
      Report(k, key);
      // The help key may be missing: its deletion then fails, and counts like any failed one.
      const ScopedKey& holder = key.find(kHtmlHelpMarker) != std::u16string::npos ? base_ : help_;
      if (holder) DeleteValue(holder.get(), name);
      Made();
      return;
    }
    case UnusedFileExtensions: {
      const std::optional<RootTarget> target = ExtensionOfKeyText(key);
      if (!target) return;
      Report(k, key);
      DeleteTree(target->root, target->path);
      Made();
      return;
    }
    default:
      return;
  }
}

}  // namespace

int FixProblems(CRegEngine& engine, int type, ICallback* callback) {
  if (type == ReservedType9 || type == ReservedType12) return kResultDone;
  if (type < kFirstProblemType || type > kLastProblemType) return kResultFailed;
  Fixer fixer(engine, type, callback);
  const int result = fixer.Run();
  // Deletions live in memory until flushed; if they cannot be saved they did
  // not happen, and the caller must not be told they did.
  if (fixer.removed() > 0 && engine.save_each_fix && engine.registry()->Flush() != kRegOk) {
    DebugLine(u"FixProblems: the registry could not be saved\n");
    return kResultFailed;
  }
  // A store that refused every deletion deleted nothing: that is a failure,
  // not "done" (single failures among real deletions stay unreported).
  if (fixer.removed() == 0 && fixer.refused() > 0) return kResultFailed;
  return result;
}

}  // namespace Function
