#include "writer_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "copy_stream.h"
#include "media_fixtures.h"

namespace kavrin::test {

HRESULT CopyStreamThrough(PAVIFILE out, PAVISTREAM source, LONG fallback) {
    return CopyStream(out, source, fallback) == 1 ? AVIERR_OK : AVIERR_ERROR;
}

HRESULT MergeFiles(const std::string& avi, const std::string& wave, const std::string& target, LONG fallback) {
    AVIFileInit();
    PAVIFILE out = nullptr;
    HRESULT result = AVIFileOpenA(&out, target.c_str(), OF_CREATE | OF_WRITE, nullptr);
    const std::pair<const std::string*, DWORD> sources[] = {{&avi, streamtypeVIDEO}, {&wave, streamtypeAUDIO}};
    for (const auto& [path, type] : sources) {
        if (result != AVIERR_OK) break;
        PAVISTREAM source = nullptr;
        result = AVIStreamOpenFromFileA(&source, path->c_str(), type, 0, OF_READ | OF_SHARE_DENY_NONE, nullptr);
        if (result == AVIERR_OK) result = CopyStreamThrough(out, source, fallback);
        AVIStreamRelease(source);
    }
    if (out) {
        AVIFileRelease(out);
        if (result == AVIERR_OK) result = AVIFileGetCloseResult();
    }
    AVIFileExit();
    return result;
}

uint32_t FourCC(const char* text) { return mmioFOURCC(text[0], text[1], text[2], text[3]); }

std::string FourCCText(uint32_t fourcc) {
    std::string text;
    for (int i = 0; i < 4; ++i) text += static_cast<char>(fourcc >> (8 * i));
    return text;
}

const RiffNode* RiffNode::Find(const char* fourcc, uint32_t listType) const {
    for (const RiffNode& child : children)
        if (child.id == FourCC(fourcc) && (listType == 0 || child.type == listType)) return &child;
    return nullptr;
}

std::vector<const RiffNode*> RiffNode::All(const char* fourcc) const {
    std::vector<const RiffNode*> found;
    for (const RiffNode& child : children)
        if (child.id == FourCC(fourcc)) found.push_back(&child);
    return found;
}

uint16_t RiffNode::U16(size_t at) const {
    if (at + 2 > data.size()) return 0;
    return static_cast<uint16_t>(data[at] | data[at + 1] << 8);
}
uint32_t RiffNode::U32(size_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
uint64_t RiffNode::U64(size_t at) const { return U32(at) | static_cast<uint64_t>(U32(at + 4)) << 32; }

namespace {

constexpr uint32_t kSmallChunk = 1 << 20;  // headers and indexes are read; media data is not

struct Walker {
    FILE* file;
    bool moviChildren;

    bool ReadAt(int64_t offset, void* buffer, size_t size) {
        return fseeko(file, offset, SEEK_SET) == 0 && fread(buffer, 1, size, file) == size;
    }

    void Walk(int64_t begin, int64_t end, std::vector<RiffNode>& into, bool inMovi) {
        for (int64_t at = begin; at + 8 <= end;) {
            unsigned char header[12];
            if (!ReadAt(at, header, 8)) {
                ADD_FAILURE() << "unreadable chunk header at " << at;
                return;
            }
            RiffNode node;
            node.offset = at;
            node.id = header[0] | header[1] << 8 | header[2] << 16 | uint32_t(header[3]) << 24;
            node.size = header[4] | header[5] << 8 | header[6] << 16 | uint32_t(header[7]) << 24;
            int64_t next = at + 8 + node.size + (node.size & 1);
            if (next > end) {
                ADD_FAILURE() << FourCCText(node.id) << " at " << at << " runs past its parent (" << end << ")";
                return;
            }
            bool list = node.id == FourCC("RIFF") || node.id == FourCC("LIST");
            if (list && ReadAt(at + 8, header + 8, 4)) {
                node.type = header[8] | header[9] << 8 | header[10] << 16 | uint32_t(header[11]) << 24;
                bool movi = node.type == FourCC("movi");
                if (!movi || moviChildren) Walk(at + 12, at + 8 + node.size, node.children, movi);
            }
            bool index = (node.id & 0xFFFF) == ('i' | 'x' << 8);
            if (!list && (!inMovi || index) && node.size <= kSmallChunk) {
                node.data.resize(node.size);
                if (node.size && !ReadAt(at + 8, node.data.data(), node.size))
                    ADD_FAILURE() << "unreadable chunk at " << at;
            }
            into.push_back(std::move(node));
            at = next;
        }
    }
};

}  // namespace

std::vector<RiffNode> WalkRiff(const std::string& path, bool moviChildren) {
    std::vector<RiffNode> top;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        ADD_FAILURE() << "cannot open " << path;
        return top;
    }
    fseeko(file, 0, SEEK_END);
    int64_t size = ftello(file);
    Walker{file, moviChildren}.Walk(0, size, top, false);
    std::fclose(file);
    return top;
}

}  // namespace kavrin::test
