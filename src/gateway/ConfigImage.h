#pragma once

#include "gateway/ImageRecords.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quillan {

// Blocks of the device configuration image, as the device frames name them.
enum class BlockType : uint16_t {
    ports = 0,
    radio = 1,
    device2 = 2,
    device3 = 3,
    dataStore = 4,
    imports = 5,
    exports = 6,
    modbusMap = 7,
    device9 = 9,
    security = 10,
    device23 = 23,
    device24 = 24,
};

// Where record i of a paged table lives.
struct RecordPlace {
    unsigned page = 0;
    unsigned slot = 0;
    size_t offset = 0;      // first byte of the record in the image
    size_t countOffset = 0; // the uint16 record count of that page
    size_t size = 0;        // record size of the table
};

// The device configuration image: a first part holding the fixed blocks and page 0 of the
// four tables, then five image pages holding pages 1 to 5 of the tables.
// A plain value: copying it copies the whole configuration.
class ConfigImage {
public:
    static constexpr size_t kSize = 97'422;
    static constexpr size_t kFirstPartSize = 17'362;
    static constexpr size_t kImagePageSize = 16'012;
    static constexpr unsigned kImagePages = 5;

    static constexpr size_t kPortsOffset = 6;
    static constexpr size_t kPortsSize = 3 * PortRecord::kSize;
    static constexpr size_t kRadioOffset = 42;
    static constexpr size_t kDevice2Offset = 50;
    static constexpr size_t kDevice2Size = 32;
    static constexpr size_t kDevice3Offset = 82;
    static constexpr size_t kDevice3Size = 10;
    static constexpr size_t kDataStoreCountOffset = 92;
    static constexpr size_t kDataStoreOffset = 94;
    static constexpr size_t kImportCountOffset = 1'374;
    static constexpr size_t kImportsOffset = 1'376;
    static constexpr size_t kExportCountOffset = 9'056;
    static constexpr size_t kExportsOffset = 9'058;
    static constexpr size_t kMapCountOffset = 13'538;
    static constexpr size_t kMapOffset = 13'540;
    static constexpr size_t kDevice9CountOffset = 16'100;
    static constexpr size_t kDevice9Offset = 16'102;
    static constexpr size_t kDevice9RecordSize = 12;
    static constexpr unsigned kDevice9MaxRecords = 100;
    static constexpr size_t kSecurityOffset = 17'304;
    static constexpr size_t kDevice23Offset = 17'310;
    static constexpr size_t kDevice23Size = 10;
    static constexpr size_t kDevice24CountOffset = 17'320;
    static constexpr size_t kDevice24Offset = 17'322;
    static constexpr size_t kDevice24RecordSize = 4;
    static constexpr unsigned kDevice24MaxRecords = 10;

    // Within an image page.
    static constexpr size_t kPageDataStoreCountOffset = 4;
    static constexpr size_t kPageDataStoreOffset = 6;
    static constexpr size_t kPageImportCountOffset = 1'286;
    static constexpr size_t kPageImportsOffset = 1'288;
    static constexpr size_t kPageExportCountOffset = 8'968;
    static constexpr size_t kPageExportsOffset = 8'970;
    static constexpr size_t kPageMapCountOffset = 13'450;
    static constexpr size_t kPageMapOffset = 13'452;

    static constexpr unsigned kRecordsPerPage = 320;
    static constexpr unsigned kTablePages = 6;
    static constexpr unsigned kMaxTableRecords = kRecordsPerPage * kTablePages;

    ConfigImage() = default;

    // The image held in bytes; none unless exactly kSize bytes are given.
    [[nodiscard]] static std::optional<ConfigImage> fromBytes(std::span<const uint8_t> bytes);

    [[nodiscard]] std::span<uint8_t, kSize> bytes() { return m_bytes; }
    [[nodiscard]] std::span<const uint8_t, kSize> bytes() const { return m_bytes; }

    void clear() { m_bytes.fill(0); }

    [[nodiscard]] static bool isTable(BlockType type);
    // Record size of a paged table; 0 for any other block type.
    [[nodiscard]] static size_t recordSize(BlockType table);
    // Start of image page p (1 to 5).
    [[nodiscard]] static constexpr size_t imagePageOffset(unsigned page)
    {
        return kFirstPartSize + kImagePageSize * (page - 1);
    }
    // Offsets of a table page's count word and its first record; none for a block type that
    // is not a table or a page above 5.
    [[nodiscard]] static std::optional<size_t> pageCountOffset(BlockType table, unsigned page);
    [[nodiscard]] static std::optional<size_t> pageRecordsOffset(BlockType table, unsigned page);

    // Where record i of a table lives (page i / 320, slot i % 320); none from 1,920 on.
    [[nodiscard]] static std::optional<RecordPlace> recordAt(BlockType table, int64_t index);

    // Takes the index counter holds and advances counter, always. Below 1,920 the record's
    // page count goes up by one and its place is returned; beyond, nothing changes.
    [[nodiscard]] std::optional<RecordPlace> appendRecord(BlockType table, int32_t& counter);

    [[nodiscard]] uint16_t pageCount(BlockType table, unsigned page) const;
    void setPageCount(BlockType table, unsigned page, uint16_t count);

    [[nodiscard]] std::span<uint8_t> bytesAt(const RecordPlace& place);
    [[nodiscard]] std::span<const uint8_t> bytesAt(const RecordPlace& place) const;

    // Decodes or encodes a record at a place; nothing happens for a place outside the image.
    template <typename Record> [[nodiscard]] Record read(const RecordPlace& place) const
    {
        if (!fits(place.offset, Record::kSize)) {
            return {};
        }
        return Record::decode(
            std::span<const uint8_t, Record::kSize>(m_bytes.data() + place.offset, Record::kSize));
    }
    template <typename Record> void write(const RecordPlace& place, const Record& record)
    {
        if (fits(place.offset, Record::kSize)) {
            record.encode(
                std::span<uint8_t, Record::kSize>(m_bytes.data() + place.offset, Record::kSize));
        }
    }

    // COM1 to COM3 are ports 0 to 2.
    [[nodiscard]] PortRecord port(unsigned index) const;
    void setPort(unsigned index, const PortRecord& record);
    [[nodiscard]] RadioRecord radio() const;
    void setRadio(const RadioRecord& record);
    [[nodiscard]] SecurityBlock security() const;
    void setSecurity(const SecurityBlock& record);

    // The bytes of one block as they are sent: the whole block for the fixed blocks, the
    // counted records for a table page or blocks 9 and 24. Empty for an unknown type or a
    // table page above 5.
    [[nodiscard]] std::span<const uint8_t> blockBytes(BlockType type, unsigned page) const;

    // Stores a block received from a device. Blocks 0 to 3 are taken only at their exact
    // size; another size is ignored and still accepted. Tables, blocks 9 and 24 keep the
    // whole records that fit (the rest of their area is cleared) and set their count;
    // blocks 10 and 23 keep what fits. Returns false, storing nothing, for an unknown type
    // or a table page above 5.
    [[nodiscard]] bool storeBlock(BlockType type, unsigned page, std::span<const uint8_t> data);

    bool operator==(const ConfigImage&) const = default;

private:
    static constexpr bool fits(size_t offset, size_t size)
    {
        return offset <= kSize && size <= kSize - offset;
    }

    std::array<uint8_t, kSize> m_bytes{};
};

enum class RadioBand { none, mhz900, mhz868, ghz24 };

[[nodiscard]] RadioBand radioBand(unsigned channel);
// "900 MHz", "868 MHz", "2.4 GHz"; empty for no band.
[[nodiscard]] const char* bandName(RadioBand band);
// Bits per second of the radio on channel with the radio flags; 0 for no band.
[[nodiscard]] uint32_t bitRate(unsigned channel, unsigned flags);
// Transmit power of index 0 to 4 on a band, e.g. "100 mW"; "UNKNOWN" otherwise.
[[nodiscard]] const char* powerText(RadioBand band, unsigned index);

// The names of the image's codes; "UNKNOWN" for a code without a name.
[[nodiscard]] const char* protocolName(unsigned code);
[[nodiscard]] const char* sourceTypeName(unsigned code);
[[nodiscard]] const char* formatName(unsigned code);
[[nodiscard]] const char* attributeName(unsigned code);
[[nodiscard]] const char* stopBitsText(unsigned code); // "1", "2", "1.5"
[[nodiscard]] const char* parityText(unsigned code);   // "N", "E", "O"
// Local input channel: "AIN0".."DIN1", or "VIN", "LOGSTATUS", "TRENDSTATUS" on device type 32.
[[nodiscard]] const char* localChannelName(unsigned deviceType, uint32_t channel);
[[nodiscard]] const char* localOutputName(uint32_t output);  // "DOUT0", "DOUT1"
[[nodiscard]] const char* legacyOutputName(uint32_t output); // "CPDOUT0", "CPDOUT1"

} // namespace quillan
