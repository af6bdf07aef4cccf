#include "cli_args.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace {

// A whole decimal integer in the 32-bit range, or false.
bool ParseInt32(const std::string& text, int32_t* value, bool* outOfRange) {
    *outOfRange = false;
    // strtoll would skip leading white space of any kind; a value is the digits alone.
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    errno = 0;
    char* end = nullptr;
    long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0') return false;
    if (errno == ERANGE || parsed < INT32_MIN || parsed > INT32_MAX) {
        *outOfRange = true;
        return false;
    }
    *value = static_cast<int32_t>(parsed);
    return true;
}

CliCommand Bad(const std::string& error) {
    CliCommand command;
    command.kind = CliCommand::BadUsage;
    command.error = error;
    return command;
}

}  // namespace

std::string UsageText() {
    return "Usage: kavrin-merge [--buffer N] VIDEO.avi AUDIO.wav NEW.avi\n"
           "Makes NEW.avi from the first video stream of VIDEO.avi and the first audio stream of\n"
           "AUDIO.wav, copied chunk by chunk without decoding.\n"
           "\n"
           "  --buffer N   samples per chunk where a stream offers no chunk size of its own\n"
           "               (0 or below: 4096, the default)\n"
           "  --help       show this text\n"
           "  --version    show the version\n"
           "\n"
           "Exit status: 0 merged, 1 the merge failed, 2 bad usage.\n";
}

CliCommand ParseCommandLine(const std::vector<std::string>& arguments) {
    std::vector<std::string> paths;
    int32_t waveBuffer = 0;
    bool help = false, version = false, optionsEnded = false;

    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            paths.push_back(argument);  // "-" alone is a name like any other
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            help = true;
        } else if (argument == "--version") {
            version = true;
        } else if (argument == "--buffer" || argument.compare(0, 9, "--buffer=") == 0) {
            std::string value;
            if (argument == "--buffer") {
                if (i + 1 == arguments.size()) return Bad("--buffer needs a value");
                value = arguments[++i];
            } else {
                value = argument.substr(9);
            }
            bool outOfRange = false;
            if (!ParseInt32(value, &waveBuffer, &outOfRange))
                return Bad("--buffer: '" + value + "' is not " +
                           (outOfRange ? "within the 32-bit range" : "an integer"));
        } else {
            return Bad("unknown option '" + argument + "'");
        }
    }

    CliCommand command;
    if (help) {
        command.kind = CliCommand::Help;
        return command;
    }
    if (version) {
        command.kind = CliCommand::Version;
        return command;
    }
    static const char* const names[] = {"VIDEO.avi", "AUDIO.wav", "NEW.avi"};
    if (paths.size() < 3) return Bad(std::string("missing ") + names[paths.size()]);
    if (paths.size() > 3) return Bad("unexpected argument '" + paths[3] + "'");

    command.kind = CliCommand::Merge;
    command.settings.aviPath = paths[0];
    command.settings.wavePath = paths[1];
    command.settings.newAviPath = paths[2];
    command.settings.waveBuffer = EffectiveWaveBuffer(waveBuffer);
    return command;
}
