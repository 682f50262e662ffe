// The registry keys the scanners walk and the fixers delete in, relative to
// their roots. One list, so a scanner and its fixer can never disagree.
#pragma once

#include <string_view>

namespace Function {

inline constexpr std::u16string_view kSharedDllsPath =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
inline constexpr std::u16string_view kApplicationsPath = u"Applications";
inline constexpr std::u16string_view kClsidPath = u"CLSID";
inline constexpr std::u16string_view kMenuOrderPath =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu2\\Programs";
inline constexpr std::u16string_view kArpCachePath =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache";
inline constexpr std::u16string_view kUninstallPath =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr std::u16string_view kInstallerFoldersPath =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
inline constexpr std::u16string_view kMuiCachePath = u"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
inline constexpr std::u16string_view kSoftwarePath = u"Software";
inline constexpr std::u16string_view kHelpPath = u"SOFTWARE\\Microsoft\\Windows\\Help";
inline constexpr std::u16string_view kHtmlHelpPath = u"SOFTWARE\\Microsoft\\Windows\\Html Help";
inline constexpr std::u16string_view kFileExtsPath =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

}  // namespace Function
