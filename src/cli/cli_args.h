// The command line of kavrin-merge: [--buffer N] VIDEO.avi AUDIO.wav NEW.avi, --help, --version.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "merge_job.h"

struct CliCommand {
    enum Kind { Merge, Help, Version, BadUsage } kind = BadUsage;
    MergeSettings settings;  // Merge: the three paths and the wave buffer size, the 4096 rule applied
    std::string error;       // BadUsage: what was wrong, in one line
};

// Reads the arguments after the program name. Options may come anywhere; "--" ends them.
CliCommand ParseCommandLine(const std::vector<std::string>& arguments);

// The text of --help.
std::string UsageText();
