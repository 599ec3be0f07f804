#include "gateway/dump/ConfigDump.h"

#include "gateway/ConfigImage.h"
#include "model/Notifications.h"
#include "model/Text.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace quillan {

namespace {

// Calls visit(number, place) for every record of a table the dump shows. Page 0 shows at
// most a page of records. Image pages follow until one is empty; a page that claims more
// than a page of records is skipped but does not end the table. The numbers of image
// page k start at n + 320 * (k - 1), n being the records shown from page 0.
template <typename Visit>
void forEachDumpRecord(const ConfigImage& image, BlockType table, Visit&& visit)
{
    constexpr unsigned perPage = ConfigImage::kRecordsPerPage;
    const unsigned firstCount = std::min<unsigned>(image.pageCount(table, 0), perPage);
    for (unsigned slot = 0; slot < firstCount; ++slot) {
        visit(slot, *ConfigImage::recordAt(table, slot));
    }
    for (unsigned page = 1; page < ConfigImage::kTablePages; ++page) {
        const unsigned count = image.pageCount(table, page);
        if (count == 0) {
            break;
        }
        if (count > perPage) {
            continue;
        }
        const unsigned first = firstCount + perPage * (page - 1);
        for (unsigned slot = 0; slot < count; ++slot) {
            visit(first + slot, *ConfigImage::recordAt(table, page * perPage + slot));
        }
    }
}

void line(std::ostream& out, const std::string& text)
{
    out << text << '\n';
}

void renderRadio(const ConfigImage& image, std::ostream& out)
{
    const RadioRecord radio = image.radio();
    const RadioBand band = radioBand(radio.channel);
    line(out, "RF Config:");
    std::string bandText;
    if (band != RadioBand::none) {
        bandText = strprintf("FREQ: %s, ", bandName(band));
    }
    line(out, bandText + strprintf("GRP: 0x%04X, NODE: 0x%04X, MASK: 0x%04X", radio.group(),
                                   radio.node(), unsigned{radio.groupMask}));
    line(out,
         strprintf("CHANNEL: %u, BITRATE: %u, PWR: %u (%s), RETRIES: %u, ", unsigned{radio.channel},
                   bitRate(radio.channel, radio.flags), radio.powerIndex(),
                   powerText(band, radio.powerIndex()), unsigned{radio.retries}));
    line(out, "");
}

void renderPorts(const ConfigImage& image, std::ostream& out)
{
    for (unsigned i = 0; i < 3; ++i) {
        const PortRecord port = image.port(i);
        const auto protocol = static_cast<unsigned>(port.protocol);
        line(out, strprintf("COM%u Config:", i + 1));
        line(out, strprintf("PROTOCOL %u (%s)", protocol, protocolName(protocol)));
        line(out, strprintf("%u, %u, %s, %s", port.baudRate, unsigned{port.dataBits},
                            stopBitsText(static_cast<unsigned>(port.stopBits)),
                            parityText(static_cast<unsigned>(port.parity))));
        line(out, "");
    }
}

void renderDataStore(const ConfigImage& image, std::ostream& out)
{
    line(out, "Data Store:");
    forEachDumpRecord(image, BlockType::dataStore, [&](unsigned number, const RecordPlace& at) {
        const auto record = image.read<DataStoreRecord>(at);
        line(out, strprintf("POINT %d: FMT: %u (%s)", static_cast<int>(number),
                            unsigned{record.formatWord}, formatName(record.formatWord)));
    });
    line(out, "");
}

std::string importDetail(const ImportRecord& record, uint16_t deviceType)
{
    const DetailBytes& d = record.details;
    switch (record.sourceType) {
    case SourceType::localIo:
        return strprintf("       LOCAL I/O (%s)",
                         localChannelName(deviceType, LocalIoDetails::decode(d).channel));
    case SourceType::rfNode: {
        const auto rf = RfNodeDetails::decode(d);
        return strprintf("       INDEX: %u, ADDR: 0x%04X", unsigned{rf.pointIndex},
                         unsigned{rf.address});
    }
    case SourceType::modbus: {
        const auto mb = ModbusDetails::decode(d);
        return strprintf("       PORT: %u, SLAVEID: %u, START REG: %u, NUM REGS: %u, FMT: %u",
                         unsigned{mb.port}, unsigned{mb.slaveId}, unsigned{mb.startRegister},
                         unsigned{mb.registerCount}, unsigned{mb.format});
    }
    case SourceType::legacyMonitor: {
        const auto lm = LegacyImportDetails::decode(d);
        return strprintf("       LEGACY MON: ADDR: 0x%04X, CMD: 0x%02X, OFFSET: %u, FMT: %u",
                         unsigned{lm.address}, unsigned{lm.command}, unsigned{lm.offset},
                         unsigned{lm.format});
    }
    case SourceType::pioModule: {
        const auto pio = PioDetails::decode(d);
        return strprintf("       PORT: %u, SLAVEID: %u, INPUT MASK: 0x%02X, COUNT MASK: 0x%02X",
                         unsigned{pio.port}, unsigned{pio.slaveId}, unsigned{pio.inputMask},
                         unsigned{pio.countMask});
    }
    case SourceType::rfNodeTimeout:
        return strprintf("       RF NODE TIMEOUT: ADDR: 0x%04X",
                         unsigned{NodeAddressDetails::decode(d).address});
    case SourceType::rssiValue:
        return strprintf("       RSSI VALUE: ADDR: 0x%04X",
                         unsigned{NodeAddressDetails::decode(d).address});
    case SourceType::rfRefresh:
        return strprintf("       RF REFRESH TIME: ADDR: 0x%04X",
                         unsigned{NodeAddressDetails::decode(d).address});
    case SourceType::rocLink:
        // The record names no port; ROC link imports are reported on COM3.
        return strprintf("       PORT: %u, ROCLINK MASTER IMPORT", 3u);
    case SourceType::modbusWrite:
        break;
    }
    return "       INVALID SOURCE TYPE!";
}

void renderImports(const ConfigImage& image, uint16_t deviceType, std::ostream& out)
{
    line(out, "Imports:");
    forEachDumpRecord(image, BlockType::imports, [&](unsigned number, const RecordPlace& at) {
        const auto record = image.read<ImportRecord>(at);
        const auto source = static_cast<unsigned>(record.sourceType);
        line(out, strprintf("%04d:  Index [%u], Interval [%u], Source [%s], Gain [%f], "
                            "Offset [%f], Zero [%u]",
                            static_cast<int>(number), unsigned{record.index}, record.interval,
                            sourceTypeName(source), static_cast<double>(record.gain),
                            static_cast<double>(record.offset),
                            unsigned{record.zero} & ImportRecord::kZeroCountMask));
        line(out, importDetail(record, deviceType));
    });
    line(out, "");
}

std::string exportDetail(const ExportRecord& record)
{
    const DetailBytes& d = record.details;
    switch (record.destinationType) {
    case SourceType::localIo:
        return strprintf("       LOCAL I/O (%s)",
                         localOutputName(LocalIoDetails::decode(d).channel));
    case SourceType::rfNode:
        return strprintf("       ADDR: 0x%04X", unsigned{NodeAddressDetails::decode(d).address});
    case SourceType::modbus: {
        const auto mb = ModbusDetails::decode(d);
        return strprintf("       PORT: %u, SLAVEID: %u, START REG: %u, NUM REGS: %u, FMT: %u",
                         unsigned{mb.port}, unsigned{mb.slaveId}, unsigned{mb.startRegister},
                         unsigned{mb.registerCount}, unsigned{mb.format});
    }
    case SourceType::legacyMonitor: {
        const auto lm = LegacyExportDetails::decode(d);
        return strprintf("       LEGACY MON: ADDR: 0x%04X (%s)", unsigned{lm.address},
                         legacyOutputName(lm.output));
    }
    default:
        break;
    }
    return "       INVALID DEST TYPE!";
}

void renderExports(const ConfigImage& image, std::ostream& out)
{
    line(out, "Exports:");
    forEachDumpRecord(image, BlockType::exports, [&](unsigned number, const RecordPlace& at) {
        const auto record = image.read<ExportRecord>(at);
        line(out, strprintf("%04d:  Index [%u], Interval [%u], Destination [%s]",
                            static_cast<int>(number), unsigned{record.index}, record.interval,
                            sourceTypeName(static_cast<unsigned>(record.destinationType))));
        line(out, exportDetail(record));
    });
    line(out, "");
}

void renderModbusMap(const ConfigImage& image, std::ostream& out)
{
    line(out, "Modbus Map:");
    forEachDumpRecord(image, BlockType::modbusMap, [&](unsigned number, const RecordPlace& at) {
        const auto record = image.read<MapRecord>(at);
        const auto format = static_cast<unsigned>(record.format);
        const auto attribute = static_cast<unsigned>(record.attribute);
        line(out, strprintf("%d: IDX: %u, FMT: %u (%s), ATTR: %u (%s), START REG %u, "
                            "NUM REGS: %u",
                            static_cast<int>(number), unsigned{record.index}, format,
                            formatName(format), attribute, attributeName(attribute),
                            unsigned{record.startRegister}, unsigned{record.registerCount}));
    });
    line(out, "");
}

} // namespace

void renderDump(const ConfigImage& image, uint16_t deviceType, std::ostream& out)
{
    renderRadio(image, out);
    renderPorts(image, out);
    renderDataStore(image, out);
    renderImports(image, deviceType, out);
    renderExports(image, out);
    renderModbusMap(image, out);
}

std::string dumpText(const ConfigImage& image, uint16_t deviceType)
{
    std::ostringstream out;
    renderDump(image, deviceType, out);
    return out.str();
}

bool writeDump(const ConfigImage& image, uint16_t deviceType, const std::filesystem::path& folder,
               NotificationSink& sink)
{
    // Binary mode: the lines end in a plain line feed on every platform.
    std::ofstream file(folder / "Dump.txt", std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file.is_open()) {
        return false;
    }
    std::error_code error;
    const std::filesystem::path location = std::filesystem::canonical(folder, error);
    sink.debugLine(strprintf("Dump.txt was created at location '%s'.",
                             utf8ToCp1252(error ? std::string() : location.string()).c_str()));
    renderDump(image, deviceType, file);
    file.close();
    return !file.fail();
}

} // namespace quillan
