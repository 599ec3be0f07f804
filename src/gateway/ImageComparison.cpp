#include "gateway/ImageComparison.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <vector>

namespace quillan {

namespace {

bool same(std::span<const uint8_t> a, std::span<const uint8_t> b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

std::span<const uint8_t> area(const ConfigImage& image, size_t offset, size_t size)
{
    return std::span<const uint8_t>(image.bytes()).subspan(offset, size);
}

// Calls found(difference) for each difference in the order the comparison goes, until it
// returns false; returns whether it went to the end.
template <typename Found>
bool tableDifferences(const ConfigImage& written, const ConfigImage& readBack, BlockType table,
                      Found&& found)
{
    const size_t recordSize = ConfigImage::recordSize(table);
    for (unsigned page = 0; page < ConfigImage::kTablePages; ++page) {
        const unsigned writtenCount = written.pageCount(table, page);
        const unsigned readCount = readBack.pageCount(table, page);
        const unsigned common =
            std::min({writtenCount, readCount, unsigned{ConfigImage::kRecordsPerPage}});
        const size_t first = *ConfigImage::pageRecordsOffset(table, page);
        for (unsigned slot = 0; slot < common; ++slot) {
            const size_t offset = first + slot * recordSize;
            if (!same(area(written, offset, recordSize), area(readBack, offset, recordSize)) &&
                !found(ImageDifference{table, page, page * ConfigImage::kRecordsPerPage + slot,
                                       ImageDifference::Kind::bytes})) {
                return false;
            }
        }
        if (writtenCount != readCount &&
            !found(ImageDifference{table, page, page * ConfigImage::kRecordsPerPage + common,
                                   ImageDifference::Kind::recordCount, writtenCount, readCount})) {
            return false;
        }
    }
    return true;
}

template <typename Found>
void differences(const ConfigImage& written, const ConfigImage& readBack,
                 std::optional<uint32_t> writtenSiteKey, Found&& found)
{
    for (unsigned port = 0; port < 3; ++port) {
        const size_t offset = ConfigImage::kPortsOffset + port * PortRecord::kSize;
        if (!same(area(written, offset, PortRecord::kSize),
                  area(readBack, offset, PortRecord::kSize)) &&
            !found(ImageDifference{BlockType::ports, 0, port})) {
            return;
        }
    }
    if (!same(area(written, ConfigImage::kRadioOffset, RadioRecord::kSize),
              area(readBack, ConfigImage::kRadioOffset, RadioRecord::kSize)) &&
        !found(ImageDifference{BlockType::radio})) {
        return;
    }
    for (const BlockType table :
         {BlockType::dataStore, BlockType::imports, BlockType::exports, BlockType::modbusMap}) {
        if (!tableDifferences(written, readBack, table, found)) {
            return;
        }
    }
    if (writtenSiteKey && readBack.security().siteKey != *writtenSiteKey) {
        (void)found(ImageDifference{BlockType::security});
    }
}

} // namespace

const char* comparedBlockName(BlockType block)
{
    switch (block) {
    case BlockType::ports:
        return "Serial ports";
    case BlockType::radio:
        return "Radio";
    case BlockType::dataStore:
        return "Data store";
    case BlockType::imports:
        return "Imports";
    case BlockType::exports:
        return "Exports";
    case BlockType::modbusMap:
        return "Modbus map";
    case BlockType::security:
        return "Site security key";
    default:
        return "Block";
    }
}

std::optional<ImageDifference> firstImageDifference(const ConfigImage& written,
                                                    const ConfigImage& readBack,
                                                    std::optional<uint32_t> writtenSiteKey)
{
    std::optional<ImageDifference> first;
    differences(written, readBack, writtenSiteKey, [&](const ImageDifference& d) {
        first = d;
        return false;
    });
    return first;
}

std::vector<ImageDifference> imageDifferences(const ConfigImage& written,
                                              const ConfigImage& readBack,
                                              std::optional<uint32_t> writtenSiteKey)
{
    std::vector<ImageDifference> all;
    differences(written, readBack, writtenSiteKey, [&](const ImageDifference& d) {
        all.push_back(d);
        return true;
    });
    return all;
}

std::string imageDifferenceText(const ImageDifference& d)
{
    char text[160];
    const char* name = comparedBlockName(d.block);
    if (d.block == BlockType::ports) {
        std::snprintf(text, sizeof text, "%s, COM%u differs.", name, d.record + 1);
    } else if (!ConfigImage::isTable(d.block)) {
        std::snprintf(text, sizeof text, "%s differs.", name);
    } else if (d.kind == ImageDifference::Kind::recordCount) {
        std::snprintf(text, sizeof text, "%s, page %u holds %u records, %u were written.", name,
                      d.page, d.readCount, d.writtenCount);
    } else {
        std::snprintf(text, sizeof text, "%s, page %u, record %u differs.", name, d.page, d.record);
    }
    return text;
}

} // namespace quillan
