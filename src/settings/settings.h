// The merge settings kept in the registry between runs: HKCU\software\<registry key>\<application
// name>\Settings, values "AVI", "WAVE", "NEWAVI" (REG_SZ) and "WAVEBUFFER" (REG_DWORD).
#pragma once

#include "framework.h"

namespace settings {

// Loads the four values; each one that cannot be read keeps its default (empty paths, 4096).
void Load(CWinApp& app, CString& aviPath, CString& wavePath, CString& newAviPath, int& waveBuffer);

// Replaces a buffer size of 0 or below by 4096 (in `waveBuffer` too), then writes the four values in
// order. Each write stands alone; failures are not reported.
void Store(CWinApp& app, const CString& aviPath, const CString& wavePath, const CString& newAviPath,
           int& waveBuffer);

}  // namespace settings
