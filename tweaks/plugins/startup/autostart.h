// The desktop's autostart entries (XDG autostart): ".desktop" files in the
// user's folder and in the system folders. A user file overrides a system
// file of the same name; an entry is switched off the way desktops do it,
// with "Hidden=true" in a user file, and system files are never changed.
#pragma once

#include <string>
#include <vector>

namespace tweaks::startup {

struct AutostartFolders {
  std::string user;                 // $XDG_CONFIG_HOME/autostart
  std::vector<std::string> system;  // each of $XDG_CONFIG_DIRS + /autostart, most important first
};

// The folders named by the environment (with the XDG defaults).
AutostartFolders FoldersFromEnvironment();

struct AutostartEntry {
  std::string id;           // file name, e.g. "foo.desktop"
  std::string name;         // "Name" (localised when available), else the id
  std::string command;      // "Exec"
  bool enabled = true;      // not Hidden and not X-GNOME-Autostart-enabled=false
  bool userFile = false;    // the effective file is the user's
  bool systemFile = false;  // a system folder has a file of this name
  std::string path;         // the effective file
};

// Every entry, sorted by name without regard to case.
std::vector<AutostartEntry> ListAutostartEntries(const AutostartFolders& folders);

// Switches entry `id` on or off. Writes only the user's file (creating it
// from the system file when needed). False when there is no such entry or
// the user file cannot be written.
bool SetAutostartEnabled(const AutostartFolders& folders, const std::string& id, bool enabled);

}  // namespace tweaks::startup
