// Byte-exact views of code page 932 texts, for assertions whose failure shows the bytes.
#pragma once

#include <string>

namespace kavrin::testlib {

// "83 5C 8D 87": each byte of text as two hex digits, separated by spaces.
std::string HexBytes(const std::string& text);

// The Linux path of a build or source folder as Wine sees it: "Z:" + path with '\' separators.
std::string WinePath(const std::string& linuxPath);

// An environment variable of the test run ("" when unset).
std::string EnvVar(const char* name);

}  // namespace kavrin::testlib
