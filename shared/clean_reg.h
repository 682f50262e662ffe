// The engine interface shared by func_Clarivo and every caller.
// Layouts and virtual slot order cross a library boundary: never reorder.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Function {

// Problem type numbers; type n is addressed in a set by the bit 1 << (n - 1).
enum RegProblemType : std::int32_t {
  MissingShareDLL = 1,
  InvalidApplication = 2,
  InvalidActiveXAndCOM = 3,
  InvalidStartMenuOrding = 4,
  InvalidInstaller = 5,
  InvalidDefaultIcon = 6,
  InvalidOpenWithApplication = 7,
  MUICache = 8,
  ReservedType9 = 9,
  ObsoleteSoftware = 10,
  HelpFiles = 11,
  ReservedType12 = 12,
  UnusedFileExtensions = 13,
  RegistryBackup = 14,
};

inline constexpr int kFirstProblemType = 1;
inline constexpr int kLastProblemType = 13;
inline constexpr int kTextUnits = 260;  // every text field, terminator included

// Engine results.
inline constexpr int kResultFailed = 0;
inline constexpr int kResultDone = 1;
inline constexpr int kResultStopped = 2;

#pragma pack(push, 1)

struct RegProblemItem {
  std::int32_t type;
  char16_t name[kTextUnits];
  char16_t key[kTextUnits];
  std::int32_t selected;
  std::int32_t index;
  std::uint32_t icon;  // engine-issued icon handle, 0 = none
};

struct RegProgressInfo {
  std::int32_t type;
  char16_t text[kTextUnits];
  std::int32_t percent;
  std::int32_t count;
};

// Same layout as the Windows SYSTEMTIME record.
struct SYSTEMTIME {
  std::uint16_t wYear;
  std::uint16_t wMonth;
  std::uint16_t wDayOfWeek;
  std::uint16_t wDay;
  std::uint16_t wHour;
  std::uint16_t wMinute;
  std::uint16_t wSecond;
  std::uint16_t wMilliseconds;
};

#pragma pack(pop)

static_assert(sizeof(RegProblemItem) == 1056);
static_assert(offsetof(RegProblemItem, type) == 0);
static_assert(offsetof(RegProblemItem, name) == 4);
static_assert(offsetof(RegProblemItem, key) == 524);
static_assert(offsetof(RegProblemItem, selected) == 1044);
static_assert(offsetof(RegProblemItem, index) == 1048);
static_assert(offsetof(RegProblemItem, icon) == 1052);
static_assert(sizeof(RegProgressInfo) == 532);
static_assert(offsetof(RegProgressInfo, text) == 4);
static_assert(offsetof(RegProgressInfo, percent) == 524);
static_assert(offsetof(RegProgressInfo, count) == 528);
static_assert(sizeof(SYSTEMTIME) == 16);

// The findings of one problem type: a contiguous array owned by the engine.
// Callers read the count and items and may change `selected`, nothing else.
struct RegProblemList {
  RegProblemItem* items = nullptr;
  std::int32_t count = 0;
  std::int32_t capacity = 0;

  RegProblemItem* begin() const { return items; }
  RegProblemItem* end() const { return items + count; }
  std::int32_t size() const { return count; }
  RegProblemItem& operator[](std::int32_t i) const { return items[i]; }
};

class ICallback {
 public:
  virtual bool OnProgress(const RegProgressInfo* info) = 0;  // slot 0

 protected:
  ~ICallback() = default;
};

class IBase {
 public:
  virtual void Release() = 0;  // slot 0

 protected:
  ~IBase() = default;
};

class ICleanReg : public IBase {
 public:
  virtual const RegProblemList* Scan(int type, ICallback* callback) = 0;         // slot 1
  virtual int Fix(int type, ICallback* callback) = 0;                            // slot 2
  virtual int Stop(int value) = 0;                                               // slot 3
  virtual int HasProblems() = 0;                                                 // slot 4
  virtual int BackupRegistry(const char16_t* folder, ICallback* callback) = 0;   // slot 5
  virtual int RestoreRegistry(const char16_t* folder, ICallback* callback) = 0;  // slot 6
  virtual int HasBackup() = 0;                                                   // slot 7
  virtual int GetBackupTime(SYSTEMTIME* time) = 0;                               // slot 8

 protected:
  ~ICleanReg() = default;
};

}  // namespace Function

// The one export of func_Clarivo.
extern "C" {
using FunCreateFn = Function::ICleanReg* (*)();
}
inline constexpr const char* kFunCreateSymbol = "FunCreate";
