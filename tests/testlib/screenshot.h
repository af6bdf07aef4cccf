// A picture of the whole screen, for a person to look at after a run (never compared by tests).
#pragma once

#include <string>

namespace kavrin::testlib {

// Saves the screen as a 24-bit BMP in KAVRIN_BINARY_DIR/screenshots/<name>.bmp (the current folder
// when the variable is unset). Returns the Windows path written, or "" when capturing failed.
std::string SaveScreenshot(const std::string& name);

}  // namespace kavrin::testlib
