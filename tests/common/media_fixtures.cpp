#include "media_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "avifile.h"

namespace kavrin::test {

TempDir::TempDir() {
    const char* base = std::getenv("KAVRIN_BINARY_DIR");
    std::string root = std::string(base ? base : "/tmp") + "/test-tmp";
    std::filesystem::create_directories(root);
    std::string pattern = root + "/XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder under " + root);
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

CommandResult RunCommand(const std::string& commandLine) {
    CommandResult result;
    FILE* pipe = popen(commandLine.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, got);
    int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool Ffmpeg(const std::string& arguments) {
    CommandResult result = RunCommand("ffmpeg -nostdin -v error -y " + arguments);
    if (result.exitCode != 0) ADD_FAILURE() << "ffmpeg failed: ffmpeg " << arguments;
    return result.exitCode == 0;
}

bool WriteEmptyFramesAvi(const std::string& path, int frames) {
    AVIFileInit();
    PAVIFILE file = nullptr;
    PAVISTREAM video = nullptr;
    AVISTREAMINFOA info = {};
    info.fccType = streamtypeVIDEO;
    info.fccHandler = mmioFOURCC('M', 'J', 'P', 'G');
    info.dwScale = 1, info.dwRate = 25;
    info.rcFrame = {0, 0, 160, 120};
    unsigned char format[40] = {40};
    format[4] = 160, format[8] = 120, format[12] = 1, format[14] = 24;
    std::memcpy(format + 16, "MJPG", 4);
    bool ok = AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr) == AVIERR_OK &&
              AVIFileCreateStreamA(file, &video, &info) == AVIERR_OK &&
              AVIStreamSetFormat(video, 0, format, sizeof format) == AVIERR_OK &&
              AVIStreamWrite(video, 0, frames, nullptr, 0, 0, nullptr, nullptr) == AVIERR_OK;
    if (video) AVIStreamRelease(video);
    if (file) AVIFileRelease(file);
    ok = ok && AVIFileGetCloseResult() == AVIERR_OK;
    AVIFileExit();
    if (!ok) ADD_FAILURE() << "could not write " << path;
    return ok;
}

std::string PayloadMd5(const std::string& path, const std::string& map) {
    const std::string out =
        RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -map " + map + " -c copy -f md5 -").output;
    const size_t at = out.find("MD5=");
    if (at == std::string::npos || out.size() < at + 4 + 32) {
        ADD_FAILURE() << "ffmpeg gave no payload hash of " << path << " " << map;
        return "";
    }
    return out.substr(at + 4, 32);
}

std::vector<std::string> PacketHashes(const std::string& path, const std::string& map) {
    CommandResult result = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -map " + map +
                                      " -c copy -f framemd5 -");
    std::vector<std::string> lines;
    std::istringstream in(result.output);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    return lines;
}

std::string ProbeStream(const std::string& path, const std::string& streamSpec) {
    return RunCommand("ffprobe -v error -select_streams " + streamSpec + " -show_streams " + ShellQuote(path))
        .output;
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

std::vector<std::string> FileNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace kavrin::test
