#include "gateway/ConfigImage.h"

#include <algorithm>
#include <limits>

namespace quillan {

using le::getU16;
using le::putU16;

namespace {

struct TableLayout {
    size_t recordSize;
    size_t firstCountOffset; // page 0, in the first part
    size_t firstRecordsOffset;
    size_t pageCountOffset; // pages 1 to 5, within the image page
    size_t pageRecordsOffset;
};

std::optional<TableLayout> tableLayout(BlockType table)
{
    using I = ConfigImage;
    switch (table) {
    case BlockType::dataStore:
        return TableLayout{DataStoreRecord::kSize, I::kDataStoreCountOffset, I::kDataStoreOffset,
                           I::kPageDataStoreCountOffset, I::kPageDataStoreOffset};
    case BlockType::imports:
        return TableLayout{ImportRecord::kSize, I::kImportCountOffset, I::kImportsOffset,
                           I::kPageImportCountOffset, I::kPageImportsOffset};
    case BlockType::exports:
        return TableLayout{ExportRecord::kSize, I::kExportCountOffset, I::kExportsOffset,
                           I::kPageExportCountOffset, I::kPageExportsOffset};
    case BlockType::modbusMap:
        return TableLayout{MapRecord::kSize, I::kMapCountOffset, I::kMapOffset,
                           I::kPageMapCountOffset, I::kPageMapOffset};
    default:
        return std::nullopt;
    }
}

struct FixedArea {
    size_t offset;
    size_t size;
    bool exactSize; // stored only when received at exactly this size
};

std::optional<FixedArea> fixedArea(BlockType type)
{
    using I = ConfigImage;
    switch (type) {
    case BlockType::ports:
        return FixedArea{I::kPortsOffset, I::kPortsSize, true};
    case BlockType::radio:
        return FixedArea{I::kRadioOffset, RadioRecord::kSize, true};
    case BlockType::device2:
        return FixedArea{I::kDevice2Offset, I::kDevice2Size, true};
    case BlockType::device3:
        return FixedArea{I::kDevice3Offset, I::kDevice3Size, true};
    case BlockType::security:
        return FixedArea{I::kSecurityOffset, SecurityBlock::kSize, false};
    case BlockType::device23:
        return FixedArea{I::kDevice23Offset, I::kDevice23Size, false};
    default:
        return std::nullopt;
    }
}

// Blocks 9 and 24: one page of records with a count word.
struct CountedArea {
    size_t countOffset;
    size_t offset;
    size_t recordSize;
    size_t maxRecords;
};

std::optional<CountedArea> countedArea(BlockType type)
{
    using I = ConfigImage;
    switch (type) {
    case BlockType::device9:
        return CountedArea{I::kDevice9CountOffset, I::kDevice9Offset, I::kDevice9RecordSize,
                           I::kDevice9MaxRecords};
    case BlockType::device24:
        return CountedArea{I::kDevice24CountOffset, I::kDevice24Offset, I::kDevice24RecordSize,
                           I::kDevice24MaxRecords};
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<ConfigImage> ConfigImage::fromBytes(std::span<const uint8_t> bytes)
{
    if (bytes.size() != kSize) {
        return std::nullopt;
    }
    ConfigImage image;
    std::copy(bytes.begin(), bytes.end(), image.m_bytes.begin());
    return image;
}

bool ConfigImage::isTable(BlockType type)
{
    return tableLayout(type).has_value();
}

size_t ConfigImage::recordSize(BlockType table)
{
    const auto layout = tableLayout(table);
    return layout ? layout->recordSize : 0;
}

std::optional<size_t> ConfigImage::pageCountOffset(BlockType table, unsigned page)
{
    const auto layout = tableLayout(table);
    if (!layout || page >= kTablePages) {
        return std::nullopt;
    }
    return page == 0 ? layout->firstCountOffset : imagePageOffset(page) + layout->pageCountOffset;
}

std::optional<size_t> ConfigImage::pageRecordsOffset(BlockType table, unsigned page)
{
    const auto layout = tableLayout(table);
    if (!layout || page >= kTablePages) {
        return std::nullopt;
    }
    return page == 0 ? layout->firstRecordsOffset
                     : imagePageOffset(page) + layout->pageRecordsOffset;
}

std::optional<RecordPlace> ConfigImage::recordAt(BlockType table, int64_t index)
{
    const auto layout = tableLayout(table);
    if (!layout || index < 0 || index >= kMaxTableRecords) {
        return std::nullopt;
    }
    RecordPlace place;
    place.page = static_cast<unsigned>(index / kRecordsPerPage);
    place.slot = static_cast<unsigned>(index % kRecordsPerPage);
    place.size = layout->recordSize;
    place.countOffset = *pageCountOffset(table, place.page);
    place.offset = *pageRecordsOffset(table, place.page) + place.slot * place.size;
    return place;
}

std::optional<RecordPlace> ConfigImage::appendRecord(BlockType table, int32_t& counter)
{
    const int32_t index = counter;
    if (counter < std::numeric_limits<int32_t>::max()) {
        ++counter;
    }
    const auto place = recordAt(table, index);
    if (place) {
        uint8_t* count = m_bytes.data() + place->countOffset;
        putU16(count, static_cast<uint16_t>(getU16(count) + 1));
    }
    return place;
}

uint16_t ConfigImage::pageCount(BlockType table, unsigned page) const
{
    const auto offset = pageCountOffset(table, page);
    return offset ? getU16(m_bytes.data() + *offset) : 0;
}

void ConfigImage::setPageCount(BlockType table, unsigned page, uint16_t count)
{
    if (const auto offset = pageCountOffset(table, page)) {
        putU16(m_bytes.data() + *offset, count);
    }
}

std::span<uint8_t> ConfigImage::bytesAt(const RecordPlace& place)
{
    if (!fits(place.offset, place.size)) {
        return {};
    }
    return std::span<uint8_t>(m_bytes).subspan(place.offset, place.size);
}

std::span<const uint8_t> ConfigImage::bytesAt(const RecordPlace& place) const
{
    if (!fits(place.offset, place.size)) {
        return {};
    }
    return std::span<const uint8_t>(m_bytes).subspan(place.offset, place.size);
}

PortRecord ConfigImage::port(unsigned index) const
{
    if (index >= 3) {
        return {};
    }
    return PortRecord::decode(
        bytes().subspan(kPortsOffset + index * PortRecord::kSize).first<PortRecord::kSize>());
}

void ConfigImage::setPort(unsigned index, const PortRecord& record)
{
    if (index < 3) {
        record.encode(
            bytes().subspan(kPortsOffset + index * PortRecord::kSize).first<PortRecord::kSize>());
    }
}

RadioRecord ConfigImage::radio() const
{
    return RadioRecord::decode(bytes().subspan<kRadioOffset, RadioRecord::kSize>());
}

void ConfigImage::setRadio(const RadioRecord& record)
{
    record.encode(bytes().subspan<kRadioOffset, RadioRecord::kSize>());
}

SecurityBlock ConfigImage::security() const
{
    return SecurityBlock::decode(bytes().subspan<kSecurityOffset, SecurityBlock::kSize>());
}

void ConfigImage::setSecurity(const SecurityBlock& record)
{
    record.encode(bytes().subspan<kSecurityOffset, SecurityBlock::kSize>());
}

std::span<const uint8_t> ConfigImage::blockBytes(BlockType type, unsigned page) const
{
    const std::span<const uint8_t> all(m_bytes);
    if (const auto layout = tableLayout(type)) {
        if (page >= kTablePages) {
            return {};
        }
        // A count beyond the page would reach into the next table.
        const size_t count = std::min<size_t>(pageCount(type, page), kRecordsPerPage);
        return all.subspan(*pageRecordsOffset(type, page), count * layout->recordSize);
    }
    if (const auto area = fixedArea(type)) {
        return all.subspan(area->offset, area->size);
    }
    if (const auto area = countedArea(type)) {
        const size_t count =
            std::min<size_t>(getU16(&m_bytes[area->countOffset]), area->maxRecords);
        return all.subspan(area->offset, count * area->recordSize);
    }
    return {};
}

bool ConfigImage::storeBlock(BlockType type, unsigned page, std::span<const uint8_t> data)
{
    // The area takes what fits of the data; the rest of the area is cleared.
    const auto fill = [this](size_t offset, size_t size, std::span<const uint8_t> from) {
        const size_t n = std::min(from.size(), size);
        const auto at = m_bytes.begin() + static_cast<std::ptrdiff_t>(offset);
        std::copy_n(from.begin(), n, at);
        std::fill(at + static_cast<std::ptrdiff_t>(n), at + static_cast<std::ptrdiff_t>(size), 0);
    };

    if (const auto layout = tableLayout(type)) {
        if (page >= kTablePages) {
            return false;
        }
        const size_t count = std::min<size_t>(data.size() / layout->recordSize, kRecordsPerPage);
        fill(*pageRecordsOffset(type, page), kRecordsPerPage * layout->recordSize,
             data.first(count * layout->recordSize));
        setPageCount(type, page, static_cast<uint16_t>(count));
        return true;
    }
    if (const auto area = fixedArea(type)) {
        if (area->exactSize && data.size() != area->size) {
            return true; // a device block of another size is left out, not refused
        }
        fill(area->offset, area->size, data);
        return true;
    }
    if (const auto area = countedArea(type)) {
        const size_t count = std::min<size_t>(data.size() / area->recordSize, area->maxRecords);
        fill(area->offset, area->maxRecords * area->recordSize,
             data.first(count * area->recordSize));
        putU16(&m_bytes[area->countOffset], static_cast<uint16_t>(count));
        return true;
    }
    return false;
}

RadioBand radioBand(unsigned channel)
{
    if (channel <= 9) {
        return RadioBand::mhz900;
    }
    if (channel >= 12 && channel <= 23) {
        return RadioBand::ghz24;
    }
    if (channel >= 30 && channel <= 39) {
        return RadioBand::mhz868;
    }
    return RadioBand::none;
}

const char* bandName(RadioBand band)
{
    switch (band) {
    case RadioBand::mhz900:
        return "900 MHz";
    case RadioBand::mhz868:
        return "868 MHz";
    case RadioBand::ghz24:
        return "2.4 GHz";
    case RadioBand::none:
        break;
    }
    return "";
}

uint32_t bitRate(unsigned channel, unsigned flags)
{
    switch (radioBand(channel)) {
    case RadioBand::mhz900:
        return (flags & RadioRecord::kLowBitRateFlag) != 0 ? 9600 : 115200;
    case RadioBand::mhz868:
        return 80000;
    case RadioBand::ghz24:
        return 250000;
    case RadioBand::none:
        break;
    }
    return 0;
}

const char* powerText(RadioBand band, unsigned index)
{
    static constexpr const char* k900[] = {"1 mW", "10 mW", "100 mW", "500 mW", "1 W"};
    static constexpr const char* k868[] = {"2 mW", "5 mW", "10 mW", "16 mW", "25 mW"};
    static constexpr const char* k24[] = {"10 mW", "16 mW", "25 mW", "40 mW", "63 mW"};
    if (index >= 5) {
        return "UNKNOWN";
    }
    switch (band) {
    case RadioBand::mhz900:
        return k900[index];
    case RadioBand::mhz868:
        return k868[index];
    case RadioBand::ghz24:
        return k24[index];
    case RadioBand::none:
        break;
    }
    return "UNKNOWN";
}

namespace {

template <size_t N> const char* nameOf(const char* const (&names)[N], uint64_t code)
{
    return code < N ? names[code] : "UNKNOWN";
}

} // namespace

const char* protocolName(unsigned code)
{
    static constexpr const char* kNames[] = {"DISABLED",          "DEBUG",
                                             "MODBUS SLAVE",      "MODBUS MASTER",
                                             "LEVELMASTER ASCII", "ROCLINK MASTER"};
    return nameOf(kNames, code);
}

const char* sourceTypeName(unsigned code)
{
    static constexpr const char* kNames[] = {
        "Local I/O",       "RF Node",    "Modbus",     "Legacy Monitor", "PIO Module",
        "RF Node Timeout", "RSSI Value", "RF Refresh", "Modbus Write",   "ROC Link"};
    return nameOf(kNames, code);
}

const char* formatName(unsigned code)
{
    static constexpr const char* kNames[] = {"SHORT", "LONG", "FLOAT"};
    return nameOf(kNames, code);
}

const char* attributeName(unsigned code)
{
    static constexpr const char* kNames[] = {"VALUE", "TIMESTAMP"};
    return nameOf(kNames, code);
}

const char* stopBitsText(unsigned code)
{
    static constexpr const char* kNames[] = {"UNKNOWN", "1", "2", "1.5"};
    return nameOf(kNames, code);
}

const char* parityText(unsigned code)
{
    static constexpr const char* kNames[] = {"UNKNOWN", "N", "E", "O"};
    return nameOf(kNames, code);
}

const char* localChannelName(unsigned deviceType, uint32_t channel)
{
    static constexpr const char* kType32[] = {"VIN", "LOGSTATUS", "TRENDSTATUS"};
    static constexpr const char* kGateway[] = {"AIN0", "AIN1", "AIN2", "AIN3", "DIN0", "DIN1"};
    return deviceType == 32 ? nameOf(kType32, channel) : nameOf(kGateway, channel);
}

const char* localOutputName(uint32_t output)
{
    static constexpr const char* kNames[] = {"DOUT0", "DOUT1"};
    return nameOf(kNames, output);
}

const char* legacyOutputName(uint32_t output)
{
    static constexpr const char* kNames[] = {"CPDOUT0", "CPDOUT1"};
    return nameOf(kNames, output);
}

} // namespace quillan
