// Helpers of the writer tests: the merge's copy loop over the API, and a walker over the RIFF
// structure of a written file so that tests can look at its headers and indexes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "avifile.h"

namespace kavrin::test {

// Copies one stream with the merge's own stream copy: AVIERR_OK, or AVIERR_ERROR when it failed.
HRESULT CopyStreamThrough(PAVIFILE out, PAVISTREAM source, LONG fallback = 4096);

// The whole merge: the first video stream of `avi`, then the first audio stream of `wave`, into
// `target`. Returns the first failure, else the close result.
HRESULT MergeFiles(const std::string& avi, const std::string& wave, const std::string& target,
                   LONG fallback = 4096);

struct RiffNode {
    uint32_t id = 0;
    uint32_t type = 0;    // of RIFF and LIST
    int64_t offset = 0;   // of the chunk header
    uint32_t size = 0;    // as the header says
    std::vector<unsigned char> data;  // small chunks only (headers and indexes); empty for movi data
    std::vector<RiffNode> children;

    const RiffNode* Find(const char* fourcc, uint32_t listType = 0) const;  // first child with that id
    std::vector<const RiffNode*> All(const char* fourcc) const;
    uint32_t U32(size_t at) const;
    uint16_t U16(size_t at) const;
    uint64_t U64(size_t at) const;
};

// The top-level chunks of a file, lists opened. `moviChildren`: list the chunks inside 'movi' too
// (without their data). Fails the test on a chunk that runs past its parent.
std::vector<RiffNode> WalkRiff(const std::string& path, bool moviChildren = true);

uint32_t FourCC(const char* text);
std::string FourCCText(uint32_t fourcc);

}  // namespace kavrin::test
