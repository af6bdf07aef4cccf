// Helpers for tests that make media files with ffmpeg and check them with ffprobe (native builds).
#pragma once

#include <string>
#include <vector>

namespace kavrin::test {

// A fresh folder under the build's temporary area, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct CommandResult {
    int exitCode = -1;
    std::string output;  // stdout; stderr goes to the test's log
};

// Runs a shell command line and captures its standard output.
CommandResult RunCommand(const std::string& commandLine);

// Runs `ffmpeg -v error -y <arguments>`; fails the current test (ADD_FAILURE) when ffmpeg does.
bool Ffmpeg(const std::string& arguments);

// `ffmpeg -i path -map <map> -c copy -f framemd5 -`, without its comment lines: one line per packet.
std::vector<std::string> PacketHashes(const std::string& path, const std::string& map);

// The MD5 (32 hex digits) of one stream's packets laid end to end, as ffmpeg's `-c copy -f md5` gives
// it: equal whatever the chunking. Fails the current test (ADD_FAILURE) when ffmpeg gives none.
std::string PayloadMd5(const std::string& path, const std::string& map);

// ffprobe's `-show_streams` of one stream as key=value lines ("codec_name=mjpeg", ...).
std::string ProbeStream(const std::string& path, const std::string& streamSpec);

// An AVI whose video stream (25 fps, 160x120 MJPEG) holds only dropped frames: empty chunks, no
// frame with data, so that its video cannot be copied. Made with the library's own writer.
bool WriteEmptyFramesAvi(const std::string& path, int frames);

std::vector<unsigned char> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
bool FileExists(const std::string& path);
// The names of the entries of a folder, sorted.
std::vector<std::string> FileNames(const std::string& folder);

// Quotes a path for the shell.
std::string ShellQuote(const std::string& text);

}  // namespace kavrin::test
