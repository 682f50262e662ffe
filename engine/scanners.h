// The eleven scanners and the fixers. Each scanner appends to its type's list
// (already emptied by the caller) and reports through `callback` when not null.
#pragma once

#include "engine/engine_state.h"
#include "shared/clean_reg.h"

namespace Function {

void GetMissingShareDLL(CRegEngine& engine, ICallback* callback);                  // type 1
void GetInvalidApplication(CRegEngine& engine, ICallback* callback);               // type 2
void GetInvalidActiveXAndCOM(CRegEngine& engine, ICallback* callback);             // type 3
void GetInvalidStartMenuOrding(CRegEngine& engine, ICallback* callback);           // type 4
void GetInvalidInstaller(CRegEngine& engine, ICallback* callback);                 // type 5
void GetInvalidDefaultIcon(CRegEngine& engine, ICallback* callback);               // type 6
void GetInvalidOpenWithApplication(CRegEngine& engine, ICallback* callback);       // type 7
void GetMUICache(CRegEngine& engine, ICallback* callback);                         // type 8
void GetObsoleteSoftware(CRegEngine& engine, ICallback* callback);                 // type 10
void GetHelpFiles(CRegEngine& engine, ICallback* callback);                        // type 11
void GetUnusedFileExtensionsClassesRoot(CRegEngine& engine, ICallback* callback);  // type 13, pass 1
void GetUnusedFileExtensionsPerUser(CRegEngine& engine, ICallback* callback);      // type 13, pass 2

// Fix of one type over its list as the last scan left it: 1 done, 2 stopped,
// 0 base key missing.
int FixProblems(CRegEngine& engine, int type, ICallback* callback);

}  // namespace Function
