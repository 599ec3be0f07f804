#include "gateway/ComparisonRows.h"

#include "gateway/ImageComparison.h"
#include "model/Text.h"

#include <algorithm>
#include <span>

namespace quillan {

namespace {

using Fields = std::vector<RecordField>;

constexpr uint16_t kNamedPortFlags =
    PortRecord::kRs485Line | PortRecord::kExtendedMode | PortRecord::kSplit32BitValues;
constexpr uint8_t kNamedRadioFlags =
    RadioRecord::kPowerMask | RadioRecord::kAesFlag | RadioRecord::kLowBitRateFlag;

std::string onOff(bool on)
{
    return on ? "On" : "Off";
}

std::string hex16(unsigned value)
{
    return strprintf("0x%04X", value);
}

std::string named(const char* name, unsigned code)
{
    return strprintf("%s (%u)", name, code);
}

std::string hexBytes(std::span<const uint8_t> bytes)
{
    std::string text;
    for (const uint8_t b : bytes) {
        text += strprintf(text.empty() ? "%02X" : " %02X", unsigned{b});
    }
    return text;
}

std::string parityWord(Parity parity)
{
    switch (parity) {
    case Parity::none:
        return "None";
    case Parity::even:
        return "Even";
    case Parity::odd:
        return "Odd";
    }
    return named("UNKNOWN", static_cast<unsigned>(parity));
}

Fields portFields(const PortRecord& port)
{
    return {
        {"Protocol", named(protocolName(static_cast<unsigned>(port.protocol)),
                           static_cast<unsigned>(port.protocol))},
        {"Baud rate", std::to_string(port.baudRate)},
        {"Data bits", std::to_string(port.dataBits)},
        {"Stop bits", stopBitsText(static_cast<unsigned>(port.stopBits))},
        {"Parity", parityWord(port.parity)},
        {"Line", (port.flags & PortRecord::kRs485Line) != 0 ? "RS485" : "RS232"},
        {"Slave ID", std::to_string(port.slaveId)},
        {"Extended Mode", onOff((port.flags & PortRecord::kExtendedMode) != 0)},
        {"Split 32-bit Values", onOff((port.flags & PortRecord::kSplit32BitValues) != 0)},
        {"Other flags", hex16(port.flags & ~kNamedPortFlags & 0xFFFFu)},
    };
}

Fields radioFields(const RadioRecord& radio)
{
    const RadioBand band = radioBand(radio.channel);
    return {
        {"Channel", std::to_string(radio.channel)},
        {"Group", std::to_string(radio.group())},
        {"Node", std::to_string(radio.node())},
        {"Group mask", hex16(radio.groupMask)},
        {"Tx power", named(powerText(band, radio.powerIndex()), radio.powerIndex())},
        {"Bit rate", std::to_string(bitRate(radio.channel, radio.flags))},
        {"AES", onOff((radio.flags & RadioRecord::kAesFlag) != 0)},
        {"Other flags", strprintf("0x%02X", radio.flags & ~kNamedRadioFlags & 0xFFu)},
        {"Retries", std::to_string(radio.retries)},
    };
}

void addModbusFields(Fields& fields, const ModbusDetails& mb)
{
    fields.push_back({"Port", std::to_string(mb.port)});
    fields.push_back({"Slave ID", std::to_string(mb.slaveId)});
    fields.push_back({"Start register", std::to_string(mb.startRegister)});
    fields.push_back({"Registers", std::to_string(mb.registerCount)});
    fields.push_back({"Register format", std::to_string(mb.format)});
}

void addAddress(Fields& fields, uint16_t address)
{
    fields.push_back({"Address", hex16(address)});
}

void addImportDetails(Fields& fields, const ImportRecord& record, uint16_t deviceType)
{
    const DetailBytes& d = record.details;
    switch (record.sourceType) {
    case SourceType::localIo:
        fields.push_back(
            {"Channel", localChannelName(deviceType, LocalIoDetails::decode(d).channel)});
        return;
    case SourceType::rfNode: {
        const auto rf = RfNodeDetails::decode(d);
        addAddress(fields, rf.address);
        fields.push_back({"Point index", std::to_string(rf.pointIndex)});
        return;
    }
    case SourceType::modbus:
        addModbusFields(fields, ModbusDetails::decode(d));
        return;
    case SourceType::legacyMonitor: {
        const auto lm = LegacyImportDetails::decode(d);
        addAddress(fields, lm.address);
        fields.push_back({"Command", strprintf("0x%02X", unsigned{lm.command})});
        fields.push_back({"Offset in reply", std::to_string(lm.offset)});
        fields.push_back({"Legacy format", std::to_string(lm.format)});
        return;
    }
    case SourceType::pioModule: {
        const auto pio = PioDetails::decode(d);
        fields.push_back({"Port", std::to_string(pio.port)});
        fields.push_back({"Slave ID", std::to_string(pio.slaveId)});
        fields.push_back({"Input mask", strprintf("0x%02X", unsigned{pio.inputMask})});
        fields.push_back({"Count mask", strprintf("0x%02X", unsigned{pio.countMask})});
        return;
    }
    case SourceType::rfNodeTimeout:
    case SourceType::rssiValue:
    case SourceType::rfRefresh:
        addAddress(fields, NodeAddressDetails::decode(d).address);
        return;
    case SourceType::rocLink:
        fields.push_back({"Word", hex16(RocLinkDetails::decode(d).word)});
        return;
    case SourceType::modbusWrite:
        break;
    }
    fields.push_back({"Details", hexBytes(d)});
}

void addExportDetails(Fields& fields, const ExportRecord& record)
{
    const DetailBytes& d = record.details;
    switch (record.destinationType) {
    case SourceType::localIo:
        fields.push_back({"Output", localOutputName(LocalIoDetails::decode(d).channel)});
        return;
    case SourceType::rfNode:
        addAddress(fields, NodeAddressDetails::decode(d).address);
        return;
    case SourceType::modbus:
        addModbusFields(fields, ModbusDetails::decode(d));
        return;
    case SourceType::legacyMonitor: {
        const auto lm = LegacyExportDetails::decode(d);
        addAddress(fields, lm.address);
        fields.push_back({"Output", legacyOutputName(lm.output)});
        return;
    }
    default:
        break;
    }
    fields.push_back({"Details", hexBytes(d)});
}

Fields tableFields(const ConfigImage& image, BlockType table, const RecordPlace& at,
                   uint16_t deviceType)
{
    switch (table) {
    case BlockType::dataStore: {
        const auto r = image.read<DataStoreRecord>(at);
        return {{"Format", named(formatName(r.formatWord), r.formatWord)},
                {"Attribute", hex16(r.attributeWord)}};
    }
    case BlockType::imports: {
        const auto r = image.read<ImportRecord>(at);
        const auto source = static_cast<unsigned>(r.sourceType);
        Fields fields{{"Index", std::to_string(r.index)},
                      {"Source", named(sourceTypeName(source), source)},
                      {"Interval", std::to_string(r.interval)},
                      {"Gain", strprintf("%.7g", static_cast<double>(r.gain))},
                      {"Offset", strprintf("%.7g", static_cast<double>(r.offset))},
                      {"Zero", hex16(r.zero)}};
        addImportDetails(fields, r, deviceType);
        return fields;
    }
    case BlockType::exports: {
        const auto r = image.read<ExportRecord>(at);
        const auto destination = static_cast<unsigned>(r.destinationType);
        Fields fields{{"Index", std::to_string(r.index)},
                      {"Destination", named(sourceTypeName(destination), destination)},
                      {"Interval", std::to_string(r.interval)}};
        addExportDetails(fields, r);
        return fields;
    }
    case BlockType::modbusMap: {
        const auto r = image.read<MapRecord>(at);
        const auto attribute = static_cast<unsigned>(r.attribute);
        const auto format = static_cast<unsigned>(r.format);
        return {{"Index", std::to_string(r.index)},
                {"Start register", std::to_string(r.startRegister)},
                {"Registers", std::to_string(r.registerCount)},
                {"Attribute", named(attributeName(attribute), attribute)},
                {"Format", named(formatName(format), format)}};
    }
    default:
        return {};
    }
}

std::string joined(const Fields& fields)
{
    std::string text;
    for (const RecordField& f : fields) {
        text += (text.empty() ? "" : ", ") + f.name + ": " + f.value;
    }
    return text;
}

const RecordField* find(const Fields& fields, const std::string& name)
{
    const auto it = std::find_if(fields.begin(), fields.end(),
                                 [&](const RecordField& f) { return f.name == name; });
    return it != fields.end() ? &*it : nullptr;
}

// The fields of each side whose values differ; a field only one side has counts as differing.
std::pair<Fields, Fields> differingFields(const Fields& device, const Fields& project)
{
    Fields deviceOnly;
    Fields projectOnly;
    for (const RecordField& f : device) {
        const RecordField* other = find(project, f.name);
        if (other == nullptr || other->value != f.value) {
            deviceOnly.push_back(f);
        }
    }
    for (const RecordField& f : project) {
        const RecordField* other = find(device, f.name);
        if (other == nullptr || other->value != f.value) {
            projectOnly.push_back(f);
        }
    }
    return {deviceOnly, projectOnly};
}

std::span<const uint8_t> recordBytes(const ConfigImage& image, BlockType block, unsigned record)
{
    const std::span<const uint8_t> all = image.bytes();
    switch (block) {
    case BlockType::ports:
        return all.subspan(ConfigImage::kPortsOffset + record * PortRecord::kSize,
                           PortRecord::kSize);
    case BlockType::radio:
        return all.subspan(ConfigImage::kRadioOffset, RadioRecord::kSize);
    default:
        if (const auto at = ConfigImage::recordAt(block, record)) {
            return image.bytesAt(*at);
        }
        return {};
    }
}

std::string recordCount(unsigned count)
{
    return count == 1 ? std::string("1 record") : strprintf("%u records", count);
}

std::string pagePlace(unsigned page)
{
    return strprintf("Page %u", page);
}

std::string recordPlace(BlockType block, unsigned record)
{
    if (block == BlockType::ports) {
        return strprintf("COM%u", record + 1);
    }
    if (!ConfigImage::isTable(block)) {
        return {};
    }
    return strprintf("Page %u, record %u", record / ConfigImage::kRecordsPerPage, record);
}

} // namespace

std::vector<RecordField> recordFields(const ConfigImage& image, BlockType block, unsigned record,
                                      uint16_t deviceType)
{
    switch (block) {
    case BlockType::ports:
        return record < 3 ? portFields(image.port(record)) : Fields{};
    case BlockType::radio:
        return radioFields(image.radio());
    default:
        if (const auto at = ConfigImage::recordAt(block, record)) {
            return tableFields(image, block, *at, deviceType);
        }
        return {};
    }
}

std::vector<ComparisonRow> comparisonRows(const ConfigImage& device, const ConfigImage& project,
                                          std::optional<uint32_t> projectSiteKey,
                                          uint16_t deviceType)
{
    std::vector<ComparisonRow> rows;
    for (const ImageDifference& d : imageDifferences(project, device, projectSiteKey)) {
        const std::string block = comparedBlockName(d.block);
        if (d.block == BlockType::security) {
            rows.push_back({block,
                            {},
                            strprintf("Key: %u", device.security().siteKey),
                            strprintf("Key: %u", projectSiteKey.value_or(0))});
            continue;
        }
        if (d.kind == ImageDifference::Kind::recordCount) {
            rows.push_back(
                {block, pagePlace(d.page), recordCount(d.readCount), recordCount(d.writtenCount)});
            // d.record is the first record only one side holds.
            const unsigned end = d.page * ConfigImage::kRecordsPerPage +
                                 std::min(std::max(d.readCount, d.writtenCount),
                                          unsigned{ConfigImage::kRecordsPerPage});
            const bool onDevice = d.readCount > d.writtenCount;
            for (unsigned record = d.record; record < end; ++record) {
                const std::string held =
                    joined(recordFields(onDevice ? device : project, d.block, record, deviceType));
                rows.push_back({block, recordPlace(d.block, record), onDevice ? held : "(none)",
                                onDevice ? "(none)" : held});
            }
            continue;
        }
        auto [deviceFields, projectFields] =
            differingFields(recordFields(device, d.block, d.record, deviceType),
                            recordFields(project, d.block, d.record, deviceType));
        ComparisonRow row{block, recordPlace(d.block, d.record), joined(deviceFields),
                          joined(projectFields)};
        // Bytes no field shows (reserved bytes, detail bytes a type leaves unused).
        if (deviceFields.empty() && projectFields.empty()) {
            row.device = "Bytes: " + hexBytes(recordBytes(device, d.block, d.record));
            row.project = "Bytes: " + hexBytes(recordBytes(project, d.block, d.record));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace quillan
