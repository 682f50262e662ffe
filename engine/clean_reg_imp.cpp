#include "engine/clean_reg_imp.h"

#include <utility>

#include "engine/registry_backup.h"
#include "engine/scanners.h"

namespace Function {

namespace {

// Marks one scan for the file tests: within it, a path found once is known.
class ScanScope {
 public:
  explicit ScanScope(CRegEngine& engine) : system_(engine.system()) {
    if (system_ != nullptr) system_->BeginScan();
  }
  ~ScanScope() {
    if (system_ != nullptr) system_->EndScan();
  }
  ScanScope(const ScanScope&) = delete;
  ScanScope& operator=(const ScanScope&) = delete;

 private:
  platform::WindowsSystem* system_;
};

using Scanner = void (*)(CRegEngine&, ICallback*);

// The scanner of a type that has exactly one; null for the others.
Scanner SingleScanner(int type) {
  switch (type) {
    case MissingShareDLL:
      return GetMissingShareDLL;
    case InvalidApplication:
      return GetInvalidApplication;
    case InvalidActiveXAndCOM:
      return GetInvalidActiveXAndCOM;
    case InvalidStartMenuOrding:
      return GetInvalidStartMenuOrding;
    case InvalidInstaller:
      return GetInvalidInstaller;
    case InvalidDefaultIcon:
      return GetInvalidDefaultIcon;
    case InvalidOpenWithApplication:
      return GetInvalidOpenWithApplication;
    case MUICache:
      return GetMUICache;
    case ObsoleteSoftware:
      return GetObsoleteSoftware;
    case HelpFiles:
      return GetHelpFiles;
    default:
      return nullptr;
  }
}

}  // namespace

CCleanRegImp::CCleanRegImp(std::unique_ptr<CRegEngine> engine) : engine_(std::move(engine)) {}

CCleanRegImp::~CCleanRegImp() = default;

void CCleanRegImp::Release() { delete this; }

const RegProblemList* CCleanRegImp::Scan(int type, ICallback* callback) {
  CRegEngine& engine = *engine_;
  const ScanScope scope(engine);
  if (type == UnusedFileExtensions) {
    engine.items(type).clear();
    GetUnusedFileExtensionsClassesRoot(engine, callback);
    GetUnusedFileExtensionsPerUser(engine, callback);
    return engine.Publish(type);
  }
  if (type == ReservedType9 || type == ReservedType12) {
    engine.items(type).clear();
    return engine.Publish(type);
  }
  if (Scanner scanner = SingleScanner(type)) {
    engine.items(type).clear();
    scanner(engine, callback);
    return engine.Publish(type);
  }
  // Any other number rescans the applications, silently.
  engine.items(InvalidApplication).clear();
  GetInvalidApplication(engine, nullptr);
  return engine.Publish(InvalidApplication);
}

int CCleanRegImp::Fix(int type, ICallback* callback) {
  if (type == ReservedType9 || type == ReservedType12) return kResultDone;
  if (type < kFirstProblemType || type > kLastProblemType) return kResultFailed;
  return FixProblems(*engine_, type, callback);
}

int CCleanRegImp::Stop(int value) {
  engine_->SetStopFlag(value);
  return 1;
}

int CCleanRegImp::HasProblems() {
  // The lists are not emptied first: findings of these types accumulate.
  static constexpr int kOrder[] = {InvalidApplication,    InvalidInstaller, InvalidActiveXAndCOM,
                                   InvalidDefaultIcon,    MissingShareDLL,  InvalidOpenWithApplication,
                                   InvalidStartMenuOrding};
  CRegEngine& engine = *engine_;
  const ScanScope scope(engine);
  for (int type : kOrder) {
    SingleScanner(type)(engine, nullptr);
    engine.Publish(type);
    if (!engine.items(type).empty()) return 1;
  }
  return 0;
}

int CCleanRegImp::BackupRegistry(const char16_t* folder, ICallback* callback) {
  return Function::BackupRegistry(*engine_, folder, callback);
}

int CCleanRegImp::RestoreRegistry(const char16_t* folder, ICallback* callback) {
  return Function::RestoreRegistry(*engine_, folder, callback);
}

int CCleanRegImp::HasBackup() { return Function::HasBackup(*engine_); }

int CCleanRegImp::GetBackupTime(SYSTEMTIME* time) { return Function::GetBackupTime(*engine_, time); }

}  // namespace Function
