// The names a process derives from its executable's path.
#pragma once

#include <windows.h>

#include <string>

struct ModuleNames {
    std::string exeName;      // file name without directory and extension
    std::string helpPath;     // the path with ".HLP" in place of the extension
    std::string profileName;  // exeName + ".INI"
};

// Works character by character in `codePage`, so the second byte of a double-byte character is never
// taken for "." or a separator. A file name without "." keeps its whole name (a "." in a directory
// name does not count).
ModuleNames DeriveModuleNames(const std::string& modulePath, UINT codePage = CP_ACP);
