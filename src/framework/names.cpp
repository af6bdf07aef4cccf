#include "names.h"

ModuleNames DeriveModuleNames(const std::string& modulePath, UINT codePage)
{
    // Positions of the last "." and of the character after the last separator, character-wise.
    size_t lastDot = std::string::npos, nameStart = 0;
    for (size_t i = 0; i < modulePath.size();) {
        unsigned char c = static_cast<unsigned char>(modulePath[i]);
        if (::IsDBCSLeadByteEx(codePage, c) && i + 1 < modulePath.size()) {
            i += 2;
            continue;
        }
        if (c == '.')
            lastDot = i;
        else if (c == '\\' || c == '/' || c == ':')
            nameStart = i + 1;
        ++i;
    }
    // A "." before the file name belongs to a directory: the file name has no extension to cut.
    size_t cut = (lastDot != std::string::npos && lastDot >= nameStart) ? lastDot : modulePath.size();
    std::string stem = modulePath.substr(0, cut);

    ModuleNames names;
    names.exeName = stem.substr(nameStart);
    names.helpPath = stem + ".HLP";
    names.profileName = names.exeName + ".INI";
    return names;
}
