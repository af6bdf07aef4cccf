// Little-endian fields and four-character codes of RIFF files.
#pragma once

#include <cstdint>

namespace kavrin::avi {

constexpr uint32_t Fourcc(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(d)) << 24;
}

inline uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t Le64(const unsigned char* p) { return Le32(p) | static_cast<uint64_t>(Le32(p + 4)) << 32; }

// Chunks are padded to an even size.
inline int64_t Padded(int64_t size) { return size + (size & 1); }

constexpr uint32_t kRiff = Fourcc('R', 'I', 'F', 'F');
constexpr uint32_t kList = Fourcc('L', 'I', 'S', 'T');
constexpr uint32_t kJunk = Fourcc('J', 'U', 'N', 'K');
// Formats larger than this are not media formats but damage: readers refuse them, writers too.
constexpr uint32_t kMaxFormatBytes = 1 << 20;
// The 64-bit forms of a RIFF WAVE file.
constexpr uint32_t kRf64 = Fourcc('R', 'F', '6', '4');
constexpr uint32_t kBw64 = Fourcc('B', 'W', '6', '4');

}  // namespace kavrin::avi
