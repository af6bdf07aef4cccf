// Reads a dialog template (DIALOG or DIALOGEX) as the resource compiler stored it, so tests can
// compare it field by field with what the dialog must be.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kavrin::res_test {

// A name or ordinal field of a template: a text, or 0xFFFF followed by a number.
struct NameOrOrdinal {
    bool isOrdinal = false;
    uint16_t ordinal = 0;
    std::string text;  // code page 932
};

struct DialogControl {
    int32_t id = 0;  // -1 for "no id", in either kind of template
    DWORD style = 0, exStyle = 0, helpId = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string windowClass;  // predefined classes by name: "Button", "Edit", "Static", ...
    NameOrOrdinal text;
    uint16_t extraBytes = 0;
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0, exStyle = 0, helpId = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu, windowClass;
    std::string caption;
    // Present when style has DS_SETFONT.
    uint16_t pointSize = 0, weight = 0;
    uint8_t italic = 0, charset = 0;
    std::string face;
    std::vector<DialogControl> controls;
};

// Parses size bytes of a template; false (with why) when the bytes do not hold a whole one.
bool ParseDialogTemplate(const void* data, size_t size, DialogTemplate& out, std::string& why);

}  // namespace kavrin::res_test
