// The rows of Compare: where a device's configuration departs from the project's, with the
// values of both sides. The expected texts are worked out by hand from the records built here.
#include "gateway/ComparisonRows.h"

#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <vector>

namespace quillan {
void PrintTo(const ComparisonRow& r, std::ostream* os)
{
    *os << "{" << r.block << " | " << r.place << " | " << r.device << " | " << r.project << "}";
}
} // namespace quillan

using namespace quillan;

namespace {

constexpr uint16_t kGateway = 12;

PortRecord slavePort(uint16_t slaveId)
{
    PortRecord port;
    port.baudRate = 9600;
    port.dataBits = 8;
    port.stopBits = StopBits::one;
    port.parity = Parity::none;
    port.protocol = PortProtocol::modbusSlave;
    port.slaveId = slaveId;
    return port;
}

ImportRecord modbusImport(uint16_t startRegister)
{
    ImportRecord r;
    r.index = 1;
    r.sourceType = SourceType::modbus;
    r.interval = 60;
    r.gain = 1.0f;
    r.details = ModbusDetails{3, 2, startRegister, 1, 0}.encode();
    return r;
}

ImportRecord localImport(uint32_t interval)
{
    ImportRecord r;
    r.index = 2;
    r.sourceType = SourceType::localIo;
    r.interval = interval;
    r.details = LocalIoDetails{4}.encode();
    return r;
}

void addImport(ConfigImage& image, int32_t& counter, const ImportRecord& record)
{
    const auto at = image.appendRecord(BlockType::imports, counter);
    ASSERT_TRUE(at.has_value());
    image.write(*at, record);
}

// The images are large; the heap keeps them off the test's stack.
struct Images {
    std::unique_ptr<ConfigImage> device = std::make_unique<ConfigImage>();
    std::unique_ptr<ConfigImage> project = std::make_unique<ConfigImage>();
};

TEST(ComparisonRows, SameConfigurationHasNoRows)
{
    Images i;
    i.project->setPort(2, slavePort(7));
    int32_t counter = 0;
    addImport(*i.project, counter, modbusImport(40001));
    *i.device = *i.project;
    EXPECT_TRUE(comparisonRows(*i.device, *i.project, 0u, kGateway).empty());
}

TEST(ComparisonRows, APortShowsOnlyTheFieldsThatDiffer)
{
    Images i;
    i.project->setPort(2, slavePort(7));
    PortRecord device = slavePort(1);
    device.flags = PortRecord::kRs485Line;
    i.device->setPort(2, device);
    EXPECT_EQ(comparisonRows(*i.device, *i.project, std::nullopt, kGateway),
              (std::vector<ComparisonRow>{{"Serial ports", "COM3", "Line: RS485, Slave ID: 1",
                                           "Line: RS232, Slave ID: 7"}}));
}

TEST(ComparisonRows, TableRecordsThenTheCountThenTheRecordsOnlyOneSideHolds)
{
    Images i;
    int32_t projectCount = 0;
    addImport(*i.project, projectCount, modbusImport(40001));
    addImport(*i.project, projectCount, localImport(0));
    int32_t deviceCount = 0;
    addImport(*i.device, deviceCount, modbusImport(40002));
    addImport(*i.device, deviceCount, localImport(120));
    ImportRecord timeout;
    timeout.index = 3;
    timeout.sourceType = SourceType::rfNodeTimeout;
    timeout.details = NodeAddressDetails{0x0281}.encode();
    addImport(*i.device, deviceCount, timeout);

    EXPECT_EQ(comparisonRows(*i.device, *i.project, std::nullopt, kGateway),
              (std::vector<ComparisonRow>{
                  {"Imports", "Page 0, record 0", "Start register: 40002", "Start register: 40001"},
                  {"Imports", "Page 0, record 1", "Interval: 120", "Interval: 0"},
                  {"Imports", "Page 0", "3 records", "2 records"},
                  {"Imports", "Page 0, record 2",
                   "Index: 3, Source: RF Node Timeout (5), Interval: 0, Gain: 0, Offset: 0, "
                   "Zero: 0x0000, Address: 0x0281",
                   "(none)"},
              }));
}

TEST(ComparisonRows, ARecordTheDeviceLacksAndAChangedSourceType)
{
    Images i;
    int32_t projectCount = 0;
    addImport(*i.project, projectCount, localImport(0));
    addImport(*i.project, projectCount, modbusImport(40001));
    int32_t deviceCount = 0;
    addImport(*i.device, deviceCount, modbusImport(40001));

    EXPECT_EQ(comparisonRows(*i.device, *i.project, std::nullopt, kGateway),
              (std::vector<ComparisonRow>{
                  {"Imports", "Page 0, record 0",
                   "Index: 1, Source: Modbus (2), Interval: 60, Gain: 1, Port: 3, Slave ID: 2, "
                   "Start register: 40001, Registers: 1, Register format: 0",
                   "Index: 2, Source: Local I/O (0), Interval: 0, Gain: 0, Channel: DIN0"},
                  {"Imports", "Page 0", "1 record", "2 records"},
                  {"Imports", "Page 0, record 1", "(none)",
                   "Index: 1, Source: Modbus (2), Interval: 60, Gain: 1, Offset: 0, "
                   "Zero: 0x0000, Port: 3, Slave ID: 2, Start register: 40001, Registers: 1, "
                   "Register format: 0"},
              }));
}

TEST(ComparisonRows, BytesNoFieldShowsAreShownAsBytes)
{
    Images i;
    int32_t projectCount = 0;
    addImport(*i.project, projectCount, localImport(0));
    int32_t deviceCount = 0;
    ImportRecord spare = localImport(0);
    spare.details[5] = 0x01; // a local channel is four bytes; the last two are spare
    addImport(*i.device, deviceCount, spare);

    EXPECT_EQ(comparisonRows(*i.device, *i.project, std::nullopt, kGateway),
              (std::vector<ComparisonRow>{
                  {"Imports", "Page 0, record 0",
                   "Bytes: 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 04 00 00 00 "
                   "00 01",
                   "Bytes: 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 04 00 00 00 "
                   "00 00"}}));
}

TEST(ComparisonRows, RadioAndSiteKey)
{
    Images i;
    RadioRecord radio;
    radio.channel = 5;
    radio.address = 10 << 6;
    radio.flags = 0x82;
    radio.retries = 3;
    radio.groupMask = 0xFFFF;
    i.project->setRadio(radio);
    radio.flags = 0xC3; // AES on, 500 mW
    i.device->setRadio(radio);
    i.device->setSecurity({0, {}});

    EXPECT_EQ(comparisonRows(*i.device, *i.project, 4660u, kGateway),
              (std::vector<ComparisonRow>{
                  {"Radio", "", "Tx power: 500 mW (3), AES: On", "Tx power: 100 mW (2), AES: Off"},
                  {"Site security key", "", "Key: 0", "Key: 4660"}}));
}

TEST(RecordFields, ModbusMapEntry)
{
    auto image = std::make_unique<ConfigImage>();
    int32_t counter = 0;
    const auto at = image->appendRecord(BlockType::modbusMap, counter);
    ASSERT_TRUE(at.has_value());
    image->write(*at, MapRecord{7, 40010, 2, MapAttribute::timestamp, PointFormat::floatValue});
    EXPECT_EQ(recordFields(*image, BlockType::modbusMap, 0, kGateway),
              (std::vector<RecordField>{{"Index", "7"},
                                        {"Start register", "40010"},
                                        {"Registers", "2"},
                                        {"Attribute", "TIMESTAMP (1)"},
                                        {"Format", "FLOAT (2)"}}));
}

} // namespace
