#pragma once

// compressBuffer and expandBuffer with liblzma's allocations routed through an allocator of
// the caller's, so that tests and fuzz targets can measure what packing and unpacking cost.
// A null allocator is liblzma's own (malloc and free), as in the plain functions.

#include "device/ProjectPacking.h"

#include <lzma.h>

namespace quillan::device {

[[nodiscard]] PackResult compressBuffer(std::span<const uint8_t> data,
                                        const lzma_allocator* allocator);
[[nodiscard]] UnpackResult expandBuffer(std::span<const uint8_t> packed,
                                        const lzma_allocator* allocator);

} // namespace quillan::device
