#pragma once

// The packed form of a project file as it is stored on a gateway: the unpacked size
// as 4 little-endian bytes, the 5 LZMA properties bytes 5D 00 00 00 01 (lc 3, lp 0, pb 2,
// dictionary 16 MiB), then a raw LZMA1 stream without end marker, up to the end of the buffer.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quillan::device {

inline constexpr size_t PACKED_HEADER_SIZE = 9;
// The most one frame carries; the store operation refuses more.
inline constexpr size_t PACKED_PROJECT_LIMIT = 8186;
// Data from a device is untrusted: a larger announced size is refused before anything is
// allocated, and compressBuffer refuses larger data so that whatever it packs unpacks.
inline constexpr uint32_t UNPACKED_SIZE_LIMIT = 64u << 20;

// The properties bytes that compressBuffer writes.
inline constexpr uint8_t PACKED_PROPERTIES[5] = {0x5D, 0x00, 0x00, 0x00, 0x01};

// Status values, numbered as the LZMA SDK's results.
inline constexpr int PACK_OK = 0;
inline constexpr int PACK_ERROR_DATA = 1;        // corrupt stream, other length, bytes left over
inline constexpr int PACK_ERROR_MEM = 2;         // liblzma could not allocate
inline constexpr int PACK_ERROR_UNSUPPORTED = 4; // properties that are not a usable LZMA1 set
inline constexpr int PACK_ERROR_PARAM = 5;       // a size above UNPACKED_SIZE_LIMIT
inline constexpr int PACK_ERROR_INPUT_EOF = 6;   // shorter than the header, or the stream ends
                                                 // before the announced size

struct PackResult {
    std::vector<uint8_t> packed;
    int status = 0; // 0 = success
};
// Packs data (at most UNPACKED_SIZE_LIMIT bytes, else PACK_ERROR_PARAM). Empty data packs to
// the header and the 5 bytes an LZMA range coder flushes for nothing: 14 bytes in all.
[[nodiscard]] PackResult compressBuffer(std::span<const uint8_t> data);

struct UnpackResult {
    std::vector<uint8_t> data;
    int status = 0; // 0 = success; on failure data is empty
};
// Unpacks a packed file received from a device. Any valid lc/lp/pb (lc + lp <= 4) and any
// dictionary size are honoured; an end marker is accepted right after the announced size and
// nowhere else; every byte of the buffer must belong to the stream.
[[nodiscard]] UnpackResult expandBuffer(std::span<const uint8_t> packed);

} // namespace quillan::device
