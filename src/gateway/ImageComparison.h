#pragma once

#include "gateway/ConfigImage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillan {

// Where a configuration read back from a device first departs from the one written to it.
struct ImageDifference {
    enum class Kind {
        bytes,       // the record, or the block, holds other bytes
        recordCount, // the page holds another number of records
    };

    BlockType block = BlockType::ports;
    unsigned page = 0;
    // Ports: 0 to 2 (COM1 to COM3). Tables: the record number, 320 × page + slot; for a count,
    // the first record that only one side has. Otherwise 0.
    unsigned record = 0;
    Kind kind = Kind::bytes;
    unsigned writtenCount = 0; // recordCount: the page's count on each side
    unsigned readCount = 0;

    bool operator==(const ImageDifference&) const = default;
};

// Compares what Update Device leaves on a device with a configuration read back from it: the
// ports (block 0), the radio (block 1), then the four tables page by page, each page's records
// before its count; last the site key, when one was written (a compiled image leaves block 10
// empty). The blocks a device keeps for itself (2, 3, 9, 23, 24), the two bytes after the key
// and the bytes beyond a page's records are not compared. None when the two agree.
[[nodiscard]] std::optional<ImageDifference>
firstImageDifference(const ConfigImage& written, const ConfigImage& readBack,
                     std::optional<uint32_t> writtenSiteKey = std::nullopt);

// Every difference, in the order firstImageDifference looks for the first: each record both
// sides hold with other bytes, then the page's count when it differs. For showing a user
// where a device's configuration departs from the project's.
[[nodiscard]] std::vector<ImageDifference>
imageDifferences(const ConfigImage& written, const ConfigImage& readBack,
                 std::optional<uint32_t> writtenSiteKey = std::nullopt);

// "Serial ports", "Radio", "Imports", ...
[[nodiscard]] const char* comparedBlockName(BlockType block);

// One line for the user, e.g. "Imports, page 1, record 412 differs."
[[nodiscard]] std::string imageDifferenceText(const ImageDifference& difference);

} // namespace quillan
