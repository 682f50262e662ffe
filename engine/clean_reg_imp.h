// The engine object behind FunCreate: dispatches each ICleanReg call to the
// scanners, fixers and backup routines over one CRegEngine.
#pragma once

#include <memory>

#include "engine/engine_state.h"
#include "shared/clean_reg.h"

namespace Function {

class CCleanRegImp : public ICleanReg {
 public:
  explicit CCleanRegImp(std::unique_ptr<CRegEngine> engine);
  CCleanRegImp(const CCleanRegImp&) = delete;
  CCleanRegImp& operator=(const CCleanRegImp&) = delete;

  void Release() override;
  const RegProblemList* Scan(int type, ICallback* callback) override;
  int Fix(int type, ICallback* callback) override;
  int Stop(int value) override;
  int HasProblems() override;
  int BackupRegistry(const char16_t* folder, ICallback* callback) override;
  int RestoreRegistry(const char16_t* folder, ICallback* callback) override;
  int HasBackup() override;
  int GetBackupTime(SYSTEMTIME* time) override;

  CRegEngine& engine() { return *engine_; }

 protected:
  virtual ~CCleanRegImp();  // ended by Release only

 private:
  std::unique_ptr<CRegEngine> engine_;
};

}  // namespace Function
