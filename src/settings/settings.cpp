#include "settings.h"

namespace settings {

namespace {
const char kSection[] = "Settings";
const int kDefaultWaveBuffer = 4096;
}  // namespace

void Load(CWinApp& app, CString& aviPath, CString& wavePath, CString& newAviPath, int& waveBuffer)
{
    aviPath = app.GetProfileString(kSection, "AVI", "");
    wavePath = app.GetProfileString(kSection, "WAVE", "");
    newAviPath = app.GetProfileString(kSection, "NEWAVI", "");
    // Taken unchanged: a stored 0 or negative number shows as such until the next job or close.
    waveBuffer = static_cast<int>(app.GetProfileInt(kSection, "WAVEBUFFER", kDefaultWaveBuffer));
}

void Store(CWinApp& app, const CString& aviPath, const CString& wavePath, const CString& newAviPath,
           int& waveBuffer)
{
    if (waveBuffer <= 0)
        waveBuffer = kDefaultWaveBuffer;
    app.WriteProfileString(kSection, "AVI", aviPath);
    app.WriteProfileString(kSection, "WAVE", wavePath);
    app.WriteProfileString(kSection, "NEWAVI", newAviPath);
    app.WriteProfileInt(kSection, "WAVEBUFFER", waveBuffer);
}

}  // namespace settings
