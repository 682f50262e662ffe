#include "engine/registry_backup.h"

#include <sys/stat.h>

#include <ctime>

#include "engine/scan_support.h"
#include "platform/process.h"
#include "platform/text.h"

namespace Function {

namespace {

constexpr std::u16string_view kBackupText = u"Backuping the registry.";
constexpr std::u16string_view kRestoreText = u"Restoring the registry.";

void ReportStep(ICallback* callback, std::u16string_view text) {
  ProgressCounter::Send(callback, RegistryBackup, text, 0, 0);
}

bool HostFileExists(const std::string& path) {
  struct stat info;
  return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

// The editor started with the engine's registry, whatever the caller's environment says.
std::string EditorPrefix(CRegEngine& engine) {
  return "CLARIVO_REGISTRY=" + platform::QuoteForShell(engine.system()->SourceSpec()) + " " +
         platform::QuoteForShell(platform::ToolPath("clarivo-regedit"));
}

}  // namespace

std::string BackupFilePath(CRegEngine& engine, const std::u16string& folder, std::u16string_view file) {
  if (folder.empty() || engine.system() == nullptr) return {};
  if (folder.front() == u'/') {
    // A Linux folder given by the caller: its appended backslash is no separator here.
    std::u16string host = folder;
    while (!host.empty() && host.back() == u'\\') host.pop_back();
    if (host.empty() || host.back() != u'/') host.push_back(u'/');
    return platform::ToUtf8(host + std::u16string(file));
  }
  return engine.system()->ToHostPath(folder + std::u16string(file));
}

std::string BackupCommand(CRegEngine& engine, const std::string& machine_file, const std::string& user_file) {
  const std::string editor = EditorPrefix(engine);
  return editor + " /e " + platform::QuoteForShell(machine_file) + " HKEY_LOCAL_MACHINE && " + editor +
         " /e " + platform::QuoteForShell(user_file) + " HKEY_CURRENT_USER";
}

std::string RestoreCommand(CRegEngine& engine, const std::string& machine_file,
                           const std::string& user_file) {
  const std::string editor = EditorPrefix(engine);
  std::string command = editor + " /s /i " + platform::QuoteForShell(machine_file);
  if (!user_file.empty()) command += " && " + editor + " /s /i " + platform::QuoteForShell(user_file);
  return command;
}

int BackupRegistry(CRegEngine& engine, const char16_t* folder, ICallback* callback) {
  if (callback != nullptr) ReportStep(callback, kBackupText);
  const std::u16string backup_folder = GetBackupFolder(engine, folder);
  const std::string machine_file = BackupFilePath(engine, backup_folder, kMachineBackupFile);
  const std::string user_file = BackupFilePath(engine, backup_folder, kUserBackupFile);
  if (machine_file.empty() || user_file.empty()) {
    DebugLine(u"BackupRegistry: the backup folder maps to no file\n");
    return 1;
  }
  const platform::RunResult result = platform::RunHidden(BackupCommand(engine, machine_file, user_file));
  if (!result.started || result.exit_code != 0) DebugLine(u"BackupRegistry: the registry editor failed\n");
  return 1;
}

int RestoreRegistry(CRegEngine& engine, const char16_t* folder, ICallback* callback) {
  if (callback != nullptr) ReportStep(callback, kRestoreText);
  const std::u16string backup_folder = GetBackupFolder(engine, folder);
  const std::string machine_file = BackupFilePath(engine, backup_folder, kMachineBackupFile);
  if (!HostFileExists(machine_file)) return 0;
  std::string user_file = BackupFilePath(engine, backup_folder, kUserBackupFile);
  if (!HostFileExists(user_file)) user_file.clear();  // a backup made before users were saved
  const platform::RunResult result = platform::RunHidden(RestoreCommand(engine, machine_file, user_file));
  if (!result.started || result.exit_code != 0) DebugLine(u"RestoreRegistry: the registry editor failed\n");
  return 1;
}

int HasBackup(CRegEngine& engine) {
  const std::string file = BackupFilePath(engine, GetBackupFolder(engine, nullptr), kMachineBackupFile);
  return HostFileExists(file) ? 1 : 0;
}

int GetBackupTime(CRegEngine& engine, SYSTEMTIME* time) {
  const std::string file = BackupFilePath(engine, GetBackupFolder(engine, nullptr), kMachineBackupFile);
  struct stat info;
  if (time == nullptr || file.empty() || ::stat(file.c_str(), &info) != 0) return 0;
  std::tm utc{};
  const std::time_t seconds = info.st_mtim.tv_sec;
  if (::gmtime_r(&seconds, &utc) == nullptr) return 0;
  time->wYear = static_cast<std::uint16_t>(utc.tm_year + 1900);
  time->wMonth = static_cast<std::uint16_t>(utc.tm_mon + 1);
  time->wDayOfWeek = static_cast<std::uint16_t>(utc.tm_wday);
  time->wDay = static_cast<std::uint16_t>(utc.tm_mday);
  time->wHour = static_cast<std::uint16_t>(utc.tm_hour);
  time->wMinute = static_cast<std::uint16_t>(utc.tm_min);
  time->wSecond = static_cast<std::uint16_t>(utc.tm_sec);
  time->wMilliseconds = static_cast<std::uint16_t>(info.st_mtim.tv_nsec / 1000000);
  return 1;
}

}  // namespace Function
