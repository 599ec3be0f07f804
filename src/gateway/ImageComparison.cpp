#include "gateway/ImageComparison.h"

#include <algorithm>
#include <cstdio>
#include <span>

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

std::optional<ImageDifference> tableDifference(const ConfigImage& written,
                                               const ConfigImage& readBack, BlockType table)
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
            if (!same(area(written, offset, recordSize), area(readBack, offset, recordSize))) {
                return ImageDifference{table, page, page * ConfigImage::kRecordsPerPage + slot,
                                       ImageDifference::Kind::bytes};
            }
        }
        if (writtenCount != readCount) {
            return ImageDifference{table,
                                   page,
                                   page * ConfigImage::kRecordsPerPage + common,
                                   ImageDifference::Kind::recordCount,
                                   writtenCount,
                                   readCount};
        }
    }
    return std::nullopt;
}

const char* blockName(BlockType block)
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

} // namespace

std::optional<ImageDifference> firstImageDifference(const ConfigImage& written,
                                                    const ConfigImage& readBack,
                                                    std::optional<uint32_t> writtenSiteKey)
{
    for (unsigned port = 0; port < 3; ++port) {
        const size_t offset = ConfigImage::kPortsOffset + port * PortRecord::kSize;
        if (!same(area(written, offset, PortRecord::kSize),
                  area(readBack, offset, PortRecord::kSize))) {
            return ImageDifference{BlockType::ports, 0, port};
        }
    }
    if (!same(area(written, ConfigImage::kRadioOffset, RadioRecord::kSize),
              area(readBack, ConfigImage::kRadioOffset, RadioRecord::kSize))) {
        return ImageDifference{BlockType::radio};
    }
    for (const BlockType table :
         {BlockType::dataStore, BlockType::imports, BlockType::exports, BlockType::modbusMap}) {
        if (auto difference = tableDifference(written, readBack, table)) {
            return difference;
        }
    }
    if (writtenSiteKey && readBack.security().siteKey != *writtenSiteKey) {
        return ImageDifference{BlockType::security};
    }
    return std::nullopt;
}

std::string imageDifferenceText(const ImageDifference& d)
{
    char text[160];
    const char* name = blockName(d.block);
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
