// The command line of kavrin-merge, and its progress line.
#include "cli_args.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

#include "progress.h"

namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, Merges) {
    const struct {
        Args args;
        int32_t buffer;
        const char* newAvi;
    } cases[] = {
        {{"v.avi", "a.wav", "n.avi"}, 4096, "n.avi"},
        {{"--buffer", "100", "v.avi", "a.wav", "n.avi"}, 100, "n.avi"},
        {{"v.avi", "--buffer=7", "a.wav", "n.avi"}, 7, "n.avi"},
        {{"--buffer", "0", "v.avi", "a.wav", "n.avi"}, 4096, "n.avi"},
        {{"--buffer", "-5", "v.avi", "a.wav", "n.avi"}, 4096, "n.avi"},
        {{"--buffer", "2147483647", "v.avi", "a.wav", "n.avi"}, 2147483647, "n.avi"},
        {{"--buffer", "-2147483648", "v.avi", "a.wav", "n.avi"}, 4096, "n.avi"},
        {{"--", "v.avi", "a.wav", "--help"}, 4096, "--help"},  // after "--" a name may start with a dash
        {{"v.avi", "a.wav", "-"}, 4096, "-"},
    };
    for (const auto& c : cases) {
        CliCommand command = ParseCommandLine(c.args);
        ASSERT_EQ(command.kind, CliCommand::Merge) << command.error;
        EXPECT_EQ(command.settings.aviPath, "v.avi");
        EXPECT_EQ(command.settings.wavePath, "a.wav");
        EXPECT_EQ(command.settings.newAviPath, c.newAvi);
        EXPECT_EQ(command.settings.waveBuffer, c.buffer);
    }
}

TEST(CommandLine, HelpAndVersionWinOverPaths) {
    EXPECT_EQ(ParseCommandLine({"--help"}).kind, CliCommand::Help);
    EXPECT_EQ(ParseCommandLine({"v.avi", "-h"}).kind, CliCommand::Help);
    EXPECT_EQ(ParseCommandLine({"--version"}).kind, CliCommand::Version);
    EXPECT_NE(UsageText().find("kavrin-merge [--buffer N] VIDEO.avi AUDIO.wav NEW.avi"), std::string::npos);
}

TEST(CommandLine, BadUsageSaysWhat) {
    const struct {
        Args args;
        const char* error;
    } cases[] = {
        {{}, "missing VIDEO.avi"},
        {{"v.avi"}, "missing AUDIO.wav"},
        {{"v.avi", "a.wav"}, "missing NEW.avi"},
        {{"v.avi", "a.wav", "n.avi", "x"}, "unexpected argument 'x'"},
        {{"--frob", "v.avi", "a.wav", "n.avi"}, "unknown option '--frob'"},
        {{"-b", "v.avi", "a.wav", "n.avi"}, "unknown option '-b'"},
        {{"--buffer", "abc", "v.avi", "a.wav", "n.avi"}, "--buffer: 'abc' is not an integer"},
        {{"--buffer=", "v.avi", "a.wav", "n.avi"}, "--buffer: '' is not an integer"},
        {{"--buffer", "12x", "v.avi", "a.wav", "n.avi"}, "--buffer: '12x' is not an integer"},
        {{"--buffer", "1.5", "v.avi", "a.wav", "n.avi"}, "--buffer: '1.5' is not an integer"},
        {{"--buffer", " 5", "v.avi", "a.wav", "n.avi"}, "--buffer: ' 5' is not an integer"},
        {{"--buffer", "\n5", "v.avi", "a.wav", "n.avi"}, "--buffer: '\n5' is not an integer"},
        {{"--buffer", "\r5", "v.avi", "a.wav", "n.avi"}, "--buffer: '\r5' is not an integer"},
        {{"--buffer", "2147483648", "v.avi", "a.wav", "n.avi"}, "--buffer: '2147483648' is not within the 32-bit range"},
        {{"--buffer", "-99999999999999999999", "v.avi", "a.wav", "n.avi"},
         "--buffer: '-99999999999999999999' is not within the 32-bit range"},
        {{"v.avi", "a.wav", "n.avi", "--buffer"}, "--buffer needs a value"},
    };
    for (const auto& c : cases) {
        CliCommand command = ParseCommandLine(c.args);
        EXPECT_EQ(command.kind, CliCommand::BadUsage) << c.error;
        EXPECT_EQ(command.error, c.error);
    }
}

std::string Drawn(FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    return text;
}

TEST(ProgressLine, SilentForShortMergesThenBytesAndRateOnOneLine) {
    FILE* quiet = std::tmpfile();
    {
        ProgressLine line(quiet, std::chrono::hours(1));
        line.OnChunkWritten(1, 1 << 20);
    }
    EXPECT_EQ(Drawn(quiet), "");
    std::fclose(quiet);

    FILE* shown = std::tmpfile();
    {
        ProgressLine line(shown, std::chrono::seconds(0));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        line.OnChunkWritten(1, 3 << 20);
        line.OnChunkWritten(1, 1 << 19);  // within the redraw interval: counted, not drawn
        EXPECT_EQ(line.bytes(), (3 << 20) + (1 << 19));
    }
    const std::string text = Drawn(shown);
    std::fclose(shown);
    EXPECT_EQ(text.front(), '\r');
    EXPECT_NE(text.find("       3.0 MiB copied"), std::string::npos) << text;
    EXPECT_NE(text.find("       3.5 MiB copied"), std::string::npos) << "the last figure is drawn at the end: " << text;
    EXPECT_NE(text.find(" MiB/s"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
}

}  // namespace
