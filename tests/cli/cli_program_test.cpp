// kavrin-merge run as a script would run it: exit codes, the outcome text, and the files it makes.
#include <gtest/gtest.h>

#include <filesystem>

#include "media_fixtures.h"

namespace kavrin::test {
namespace {

struct ProgramRun {
    int exitCode;
    std::string out, err;
};

class CliProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir();
        ok_ = Ffmpeg("-f lavfi -i testsrc=size=160x120:rate=25 -t 2 -c:v mjpeg " + At("v.avi")) &&
              Ffmpeg("-f lavfi -i sine=frequency=440:sample_rate=22050:duration=2 -c:a pcm_s16le " + At("a.wav")) &&
              WriteEmptyFramesAvi(At("dropped.avi"), 25);  // every frame dropped: no video to copy
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string At(const std::string& name) { return (*dir_) / name; }
    void SetUp() override { ASSERT_TRUE(ok_); }

    // Runs the program with the arguments (already quoted as needed), after `prefix` in the same shell.
    ProgramRun Program(const std::string& arguments, const std::string& prefix = "") {
        const std::string err = out_ / "stderr.txt";
        CommandResult result = RunCommand(prefix + "exec " + ShellQuote(KAVRIN_MERGE_EXE) + " " + arguments + " 2>" +
                                          ShellQuote(err) + " </dev/null");
        std::vector<unsigned char> bytes = ReadBytes(err);
        std::filesystem::remove(err);
        return {result.exitCode, result.output, std::string(bytes.begin(), bytes.end())};
    }
    std::string Paths(const std::string& avi, const std::string& wave, const std::string& target) {
        return ShellQuote(avi) + " " + ShellQuote(wave) + " " + ShellQuote(target);
    }

    static TempDir* dir_;
    static bool ok_;
    TempDir out_;
};
TempDir* CliProgram::dir_ = nullptr;
bool CliProgram::ok_ = false;

TEST_F(CliProgram, MergesAndSaysSoOnStandardOutput) {
    const std::string target = out_ / "new.avi";
    ProgramRun run = Program("--buffer 512 " + Paths(At("v.avi"), At("a.wav"), target));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "ファイルの合成に成功しました\n");
    EXPECT_EQ(run.err, "") << "no progress when stderr is not a terminal";
    EXPECT_EQ(PacketHashes(target, "0:v:0"), PacketHashes(At("v.avi"), "0:v:0"));
    EXPECT_EQ(ProbeStream(target, "a:0").find("codec_name=pcm_s16le") != std::string::npos, true);
}

TEST_F(CliProgram, FailedMergeExitsOneWithItsMessageOnStandardError) {
    const std::string target = out_ / "new.avi";
    const std::string path = "ファイル名（拡張子を含める）を\n再度、確認後、実行してください\n";
    const struct {
        const char* name;
        std::string arguments;
        std::string message;
    } cases[] = {
        {"output folder missing", Paths(At("v.avi"), At("a.wav"), out_ / "none/new.avi"),
         "実行できませんでした。: New AVI File\n" + path},
        {"no video", Paths(At("a.wav"), At("a.wav"), target), "実行できませんでした。: AVI File\n" + path},
        {"video copy fails", Paths(At("dropped.avi"), At("a.wav"), target), "実行できませんでした。: Error 1\n"},
        {"no audio", Paths(At("v.avi"), At("v.avi"), target), "実行できませんでした。: WAVE File\n" + path},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramRun run = Program(c.arguments);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.message);
        std::filesystem::remove(target);
    }
}

// With the file size limit standing in for a full disk the new file cannot be finished.
TEST_F(CliProgram, UnfinishedOutputIsAFailureAndNotLeftBehind) {
    const std::string target = out_ / "new.avi";
    const auto videoBytes = std::filesystem::file_size(At("v.avi"));
    ProgramRun run = Program(Paths(At("v.avi"), At("a.wav"), target),
                      "trap '' XFSZ; ulimit -f " + std::to_string(videoBytes / 1024 + 20) + "; ");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "実行できませんでした。: Error 2\n");
    EXPECT_TRUE(std::filesystem::is_empty(out_.path())) << "neither the target nor a temporary file";
}

TEST_F(CliProgram, BadUsageExitsTwoAndTouchesNothing) {
    const std::string target = out_ / "new.avi";
    const struct {
        std::string arguments;
        const char* says;
    } cases[] = {
        {"", "missing VIDEO.avi"},
        {Paths(At("v.avi"), At("a.wav"), target) + " extra", "unexpected argument 'extra'"},
        {"--fast " + Paths(At("v.avi"), At("a.wav"), target), "unknown option '--fast'"},
        {"--buffer lots " + Paths(At("v.avi"), At("a.wav"), target), "--buffer: 'lots' is not an integer"},
    };
    for (const auto& c : cases) {
        ProgramRun run = Program(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.arguments;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, std::string("kavrin-merge: ") + c.says + "\nTry 'kavrin-merge --help'.\n");
        EXPECT_FALSE(FileExists(target));
    }
}

TEST_F(CliProgram, HelpAndVersion) {
    ProgramRun help = Program("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: kavrin-merge [--buffer N] VIDEO.avi AUDIO.wav NEW.avi\n", 0), 0u);
    ProgramRun version = Program("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "kavrin-merge 1.10\n");
}

}  // namespace
}  // namespace kavrin::test
