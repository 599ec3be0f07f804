#pragma once

#include "gateway/ConfigImage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillan {

// One field of a record, decoded for a person: {"Slave ID", "7"}.
struct RecordField {
    std::string name;
    std::string value;

    bool operator==(const RecordField&) const = default;
};

// The fields of one record of an image: a port (record 0 to 2 for COM1 to COM3), the radio
// (record 0), or a table record (record 320 × page + slot). Details are decoded by the
// record's source or destination type; deviceType names the local channels.
[[nodiscard]] std::vector<RecordField> recordFields(const ConfigImage& image, BlockType block,
                                                    unsigned record, uint16_t deviceType);

// One place where a device's configuration differs from the project's.
struct ComparisonRow {
    std::string block;   // "Imports"
    std::string place;   // "COM3", "Page 0, record 12", "Page 1"; empty for the radio and key
    std::string device;  // what the device holds there: only the fields that differ
    std::string project; // "(none)" for a record the project does not have

    bool operator==(const ComparisonRow&) const = default;
};

// Every difference between the configuration read from a device and the project's compile of
// the gateway, in the order of imageDifferences. A record both hold shows the fields that
// differ ("Slave ID: 1" against "Slave ID: 7"), or its bytes when no decoded field does; a
// page whose counts differ shows the counts, then each record only one side holds.
// projectSiteKey: the key Update Device would leave on the device; none leaves the key out.
[[nodiscard]] std::vector<ComparisonRow> comparisonRows(const ConfigImage& device,
                                                        const ConfigImage& project,
                                                        std::optional<uint32_t> projectSiteKey,
                                                        uint16_t deviceType);

} // namespace quillan
