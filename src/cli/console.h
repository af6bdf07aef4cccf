// Text out of kavrin-merge: as bytes on Linux; on Windows in the console's own terms.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Which code page a text's bytes are in: the job's texts are code page 932 in the Windows build,
// paths and usage text are in the process's ANSI code page. Natively both are plain bytes (UTF-8).
enum class TextSource { Messages, Ansi };

// Writes `text` to `stream` (stdout or stderr). On Windows a console gets it as wide characters;
// a pipe or file gets it in the console's output code page (the ANSI code page without a console).
void WriteText(FILE* stream, const std::string& text, TextSource source);

// The program's arguments after its name, as the ANSI bytes the media calls take. On Windows they are
// taken from the wide command line: a character the ANSI code page cannot hold would otherwise be
// replaced by a look-alike (é by e) and name another file. False, with the argument in `unfit`,
// when that happens.
bool AnsiArguments(int argc, char** argv, std::vector<std::string>* arguments, std::string* unfit);

// True when `stream` is a terminal (a console on Windows).
bool IsTerminal(FILE* stream);
