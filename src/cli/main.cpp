// kavrin-merge: the merge job of the program, on paths given on the command line.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli_args.h"
#include "console.h"
#include "merge_job.h"
#include "progress.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments;
    std::string unfit;
    if (!AnsiArguments(argc, argv, &arguments, &unfit)) {
        WriteText(stderr,
                  "kavrin-merge: '" + unfit + "' holds characters that the ANSI code page cannot name\n",
                  TextSource::Ansi);
        return 2;
    }
    const CliCommand command = ParseCommandLine(arguments);
    switch (command.kind) {
    case CliCommand::Help:
        WriteText(stdout, UsageText(), TextSource::Ansi);
        return 0;
    case CliCommand::Version:
        WriteText(stdout, "kavrin-merge " KAVRIN_VERSION "\n", TextSource::Ansi);
        return 0;
    case CliCommand::BadUsage:
        WriteText(stderr, "kavrin-merge: " + command.error + "\nTry 'kavrin-merge --help'.\n", TextSource::Ansi);
        return 2;
    case CliCommand::Merge:
        break;
    }

    // Progress only for a person watching; scripts get the outcome line alone.
    std::unique_ptr<ProgressLine> progress;
    if (IsTerminal(stderr)) progress = std::make_unique<ProgressLine>(stderr);

    const MergeOutcome outcome = RunMergeJob(
        command.settings,
        [&](const char* text, const char*) {
            if (progress) progress->Finish();
            const bool success = std::strcmp(text, kSuccessMessage) == 0;
            WriteText(success ? stdout : stderr, std::string(text) + "\n", TextSource::Messages);
        },
        progress.get());
    return outcome == MergeOutcome::Success ? 0 : 1;
}
