#include "sim/GatewaySimulator.h"

#include "device/DeviceFrame.h"
#include "model/Text.h"

#include <algorithm>
#include <array>
#include <span>

namespace quillan::sim {

using namespace device;

namespace {

// Never 0xFF, so that a reader which looks for the start byte still finds the frame.
constexpr std::array<uint8_t, 5> kGarbage = {0x00, 0x13, 0x55, 0xAA, 0x0D};
constexpr size_t kMaxEvents = 16;
constexpr size_t kKeySize = 4;

// The block types a host may write, with the data sizes the device takes for them.
bool writableSize(BlockType type, unsigned page, size_t size)
{
    switch (type) {
    case BlockType::ports:
        return size == ConfigImage::kPortsSize;
    case BlockType::radio:
        return size == RadioRecord::kSize;
    case BlockType::security:
        return size == kKeySize || size == SecurityBlock::kSize;
    case BlockType::dataStore:
    case BlockType::imports:
    case BlockType::exports:
    case BlockType::modbusMap: {
        const size_t record = ConfigImage::recordSize(type);
        return page < ConfigImage::kTablePages && size % record == 0 &&
               size / record <= ConfigImage::kRecordsPerPage;
    }
    default:
        return false; // the device keeps its own blocks
    }
}

unsigned tableTotal(const ConfigImage& image, BlockType table)
{
    unsigned total = 0;
    for (unsigned page = 0; page < ConfigImage::kTablePages; ++page) {
        const unsigned count = image.pageCount(table, page);
        total += count;
        if (count < ConfigImage::kRecordsPerPage) {
            break;
        }
    }
    return total;
}

} // namespace

GatewaySimulator::GatewaySimulator(SimulatorState state, FaultOptions faults)
    : m_state(std::move(state)), m_working(m_state.image), m_faults(std::move(faults)),
      m_boot(Clock::now()), m_values(m_state.pointValues, m_boot),
      m_nextStatus(m_boot + kStatusPeriod)
{
    applyRunningConfiguration();
    addEvent(strprintf("ZAV Gateway Module, firmware %s, type %u", m_state.firmwareVersion.c_str(),
                       unsigned{m_state.deviceType}));
    addEvent(statusLine());
}

void GatewaySimulator::applyRunningConfiguration()
{
    m_modbus = ModbusSlave(m_state.image, m_slaveIdOverride);
    const bool modbusPort =
        m_slaveIdOverride || m_state.image.port(0).protocol == PortProtocol::modbusSlave;
    m_receiver.setModbusEnabled(modbusPort && m_modbus.slaveId() != 0);
}

void GatewaySimulator::setModbusSlaveId(std::optional<uint8_t> slaveId)
{
    std::lock_guard lock(m_mutex);
    m_slaveIdOverride = slaveId;
    applyRunningConfiguration();
}

bool GatewaySimulator::debugPort() const
{
    return !m_slaveIdOverride && m_state.image.port(0).protocol == PortProtocol::debug;
}

std::vector<Reply> GatewaySimulator::receive(const uint8_t* data, size_t count,
                                             Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    std::vector<Request> requests;
    m_receiver.feed(data, count, requests);
    return handle(requests, now);
}

std::vector<Reply> GatewaySimulator::lineIdle(Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    std::vector<Request> requests;
    m_receiver.lineIdle(requests);
    return handle(requests, now);
}

std::vector<Reply> GatewaySimulator::handle(const std::vector<Request>& requests,
                                            Clock::time_point now)
{
    std::vector<Reply> replies;
    for (const Request& request : requests) {
        std::optional<Reply> reply;
        if (request.kind == Request::Kind::device) {
            reply = handleDevice(request, now);
        } else if (auto bytes = m_modbus.answer(request.bytes, m_values, now); !bytes.empty()) {
            reply = Reply{std::move(bytes), {}};
        }
        if (!reply) {
            continue;
        }
        if (m_faults.garbage) {
            reply->bytes.insert(reply->bytes.begin(), kGarbage.begin(), kGarbage.end());
        }
        replies.push_back(std::move(*reply));
    }
    return replies;
}

std::optional<Reply> GatewaySimulator::handleDevice(const Request& request, Clock::time_point now)
{
    ++m_frames;
    m_lastFrame = now;
    const uint8_t command = request.command;
    if (m_faults.drop.count(command) != 0) {
        return std::nullopt;
    }
    if (const auto it = m_faults.dropFirst.find(command);
        it != m_faults.dropFirst.end() && it->second > 0) {
        --it->second;
        return std::nullopt;
    }
    std::optional<uint16_t> writtenBlock;
    if (command == CMD_WRITE_BLOCK) {
        if (const auto header = BlockHeader::decode(request.bytes.data(), request.bytes.size())) {
            writtenBlock = header->blockType;
        }
    }
    if (writtenBlock && m_faults.dropBlocks.count(*writtenBlock) != 0) {
        return std::nullopt;
    }
    const bool nak = m_faults.nak.count(command) != 0 ||
                     (writtenBlock && m_faults.nakBlocks.count(*writtenBlock) != 0);
    Answer answer = nak ? Answer{CMD_NAK, {}} : carryOut(command, request.bytes);
    Reply reply{makeFrame(answer.command, answer.payload), {}};
    if (m_faults.badCrc.count(command) != 0) {
        reply.bytes[reply.bytes.size() - 2] ^= 0xFF;
        reply.bytes[reply.bytes.size() - 1] ^= 0xFF;
    }
    if (const auto it = m_faults.delays.find(command); it != m_faults.delays.end()) {
        reply.delay = std::chrono::milliseconds(std::max(it->second, 0));
    }
    return reply;
}

GatewaySimulator::Answer GatewaySimulator::carryOut(uint8_t command,
                                                    const std::vector<uint8_t>& payload)
{
    switch (command) {
    case CMD_ENQUIRE:
        return {CMD_ACK, {}};
    case CMD_IDENTIFY: {
        const auto identity = IdentityRecord{m_state.deviceType, m_state.firmwareVersion}.encode();
        return {CMD_IDENTITY, {identity.begin(), identity.end()}};
    }
    case CMD_READ_RADIO: {
        std::vector<uint8_t> info(RadioInfo::SIZE, 0);
        bytes::putU16(info.data(), m_state.channel);
        // Not interpreted by the host: the radio address and group mask the radio runs with.
        const RadioRecord radio = m_state.image.radio();
        bytes::putU16(info.data() + 2, radio.address);
        bytes::putU16(info.data() + 4, radio.groupMask);
        return {CMD_RADIO_INFO, std::move(info)};
    }
    case CMD_READ_BLOCK:
        return readBlock(payload);
    case CMD_WRITE_BLOCK:
        return writeBlock(payload);
    case CMD_STORE_CONFIG:
        commit();
        return {CMD_ACK, {}};
    case CMD_FLASH_BEGIN:
        m_state.firmware.erase();
        m_flashing = true;
        return {CMD_ACK, {}};
    case CMD_FLASH_DATA:
        return flashData(payload);
    case CMD_FLASH_END:
        if (!m_flashing) {
            return {CMD_NAK, {}};
        }
        m_flashing = false;
        ++m_generation;
        addEvent(strprintf("FLASH complete, %zu bytes", m_state.firmware.size()));
        return {CMD_ACK, {}};
    case CMD_STORE_PROJECT:
        if (payload.empty()) {
            return {CMD_NAK, {}};
        }
        m_state.projectFile = payload;
        ++m_generation;
        addEvent(strprintf("PROJECT stored, %zu bytes", payload.size()));
        return {CMD_ACK, {}};
    case CMD_READ_PROJECT:
        // Nothing stored: an empty answer, which the host takes as "nothing received".
        return {CMD_PROJECT_DATA, m_state.projectFile};
    case CMD_QUERY_PROJECT: {
        std::vector<uint8_t> stored(4, 0);
        bytes::putU32(stored.data(), m_state.projectFile.empty() ? 0 : 1);
        return {CMD_PROJECT_DATA, std::move(stored)};
    }
    default:
        return {CMD_NAK, {}};
    }
}

GatewaySimulator::Answer GatewaySimulator::readBlock(const std::vector<uint8_t>& payload) const
{
    const auto request = BlockRequest::decode(payload.data(), payload.size());
    if (!request || (payload.size() != BlockRequest::SIZE && payload.size() != 6)) {
        return {CMD_NAK, {}};
    }
    const uint16_t type = request->blockType;
    const uint16_t page = request->page;
    const auto block = static_cast<BlockType>(type);
    // The six-byte request of block 10 is the site-security-key read: the key alone.
    if (payload.size() == 6 && block == BlockType::security) {
        std::array<uint8_t, kKeySize> key{};
        bytes::putU32(key.data(), m_working.security().siteKey);
        return {CMD_READ_BLOCK, BlockData::encode(type, page, key.data(), key.size())};
    }
    const bool table = ConfigImage::isTable(block);
    const auto bytes = m_working.blockBytes(block, table ? page : 0);
    // An empty table page is a valid answer; an empty block of any other kind is unknown.
    if (bytes.empty() && !(table && page < ConfigImage::kTablePages) &&
        block != BlockType::device9 && block != BlockType::device24) {
        return {CMD_NAK, {}};
    }
    return {CMD_READ_BLOCK, BlockData::encode(type, page, bytes.data(), bytes.size())};
}

GatewaySimulator::Answer GatewaySimulator::writeBlock(const std::vector<uint8_t>& payload)
{
    const auto header = BlockHeader::decode(payload.data(), payload.size());
    if (!header || header->byteCount != payload.size() - BlockHeader::SIZE) {
        return {CMD_NAK, {}};
    }
    const auto type = static_cast<BlockType>(header->blockType);
    const uint16_t page = header->page;
    const std::span<const uint8_t> data(payload.data() + BlockHeader::SIZE, header->byteCount);
    if (!writableSize(type, page, data.size())) {
        return {CMD_NAK, {}};
    }
    if (type == BlockType::security && data.size() == kKeySize) {
        // The key alone keeps the two further bytes of the block.
        SecurityBlock block = m_working.security();
        block.siteKey = bytes::getU32(data.data());
        m_working.setSecurity(block);
        return {CMD_ACK, {}};
    }
    if (!m_working.storeBlock(type, page, data)) {
        return {CMD_NAK, {}};
    }
    if (ConfigImage::isTable(type) && page == 0) {
        for (unsigned later = 1; later < ConfigImage::kTablePages; ++later) {
            (void)m_working.storeBlock(type, later, {});
        }
    }
    return {CMD_ACK, {}};
}

GatewaySimulator::Answer GatewaySimulator::flashData(const std::vector<uint8_t>& payload)
{
    if (!m_flashing || payload.size() < FirmwareChunk::HEADER_SIZE) {
        return {CMD_NAK, {}};
    }
    const uint32_t address = bytes::getU32(payload.data());
    const uint32_t length = bytes::getU32(payload.data() + 4);
    if (length > FirmwareChunk::MAX_DATA || length != payload.size() - FirmwareChunk::HEADER_SIZE) {
        return {CMD_NAK, {}};
    }
    if (!m_state.firmware.write(address, {payload.data() + FirmwareChunk::HEADER_SIZE, length})) {
        return {CMD_NAK, {}};
    }
    return {CMD_ACK, {}};
}

void GatewaySimulator::commit()
{
    m_state.image = m_working;
    // The radio runs on the channel of its stored configuration once that names a band.
    const unsigned channel = m_state.image.radio().channel;
    if (radioBand(channel) != RadioBand::none) {
        m_state.channel = static_cast<uint16_t>(channel);
    }
    applyRunningConfiguration();
    ++m_generation;
    addEvent(strprintf("CONFIG stored: ds %u, imp %u, exp %u, map %u",
                       tableTotal(m_state.image, BlockType::dataStore),
                       tableTotal(m_state.image, BlockType::imports),
                       tableTotal(m_state.image, BlockType::exports),
                       tableTotal(m_state.image, BlockType::modbusMap)));
}

void GatewaySimulator::addEvent(std::string text)
{
    if (m_events.size() == kMaxEvents) {
        m_events.pop_front();
    }
    m_events.push_back(std::move(text));
}

std::string GatewaySimulator::stamped(Clock::time_point at, const std::string& text) const
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at - m_boot).count();
    return strprintf("[%6lld.%03lld] %s\r\n", static_cast<long long>(ms / 1000),
                     static_cast<long long>(ms % 1000), text.c_str());
}

std::string GatewaySimulator::statusLine() const
{
    const RadioRecord radio = m_state.image.radio();
    return strprintf("STATUS ch %u grp %u node %u, ds %u imp %u exp %u map %u, ess %s",
                     unsigned{m_state.channel}, radio.group(), radio.node(),
                     tableTotal(m_state.image, BlockType::dataStore),
                     tableTotal(m_state.image, BlockType::imports),
                     tableTotal(m_state.image, BlockType::exports),
                     tableTotal(m_state.image, BlockType::modbusMap),
                     m_state.siteKey() != 0 ? "on" : "off");
}

bool GatewaySimulator::inConversation(Clock::time_point now, std::optional<bool> rts) const
{
    if (rts) {
        return *rts;
    }
    return m_lastFrame && now - *m_lastFrame < kConversationTimeout;
}

std::vector<DebugLine> GatewaySimulator::debugText(Clock::time_point now, std::optional<bool> rts)
{
    std::lock_guard lock(m_mutex);
    std::vector<DebugLine> lines;
    if (!debugPort()) {
        m_events.clear();
        return lines;
    }
    if (inConversation(now, rts)) {
        m_nextStatus = std::max(m_nextStatus, now + kStatusPeriod);
        return lines;
    }
    for (const std::string& event : m_events) {
        lines.push_back({now, stamped(now, event)});
    }
    m_events.clear();
    if (now >= m_nextStatus) {
        // Lines missed while nobody listened are not made up afterwards.
        const Clock::time_point at = now - m_nextStatus < kStatusPeriod ? m_nextStatus : now;
        lines.push_back({at, stamped(at, statusLine())});
        m_nextStatus = at + kStatusPeriod;
    }
    std::sort(lines.begin(), lines.end(),
              [](const DebugLine& a, const DebugLine& b) { return a.at < b.at; });
    return lines;
}

std::optional<GatewaySimulator::Clock::time_point>
GatewaySimulator::nextDebugLine(Clock::time_point now, std::optional<bool> rts) const
{
    std::lock_guard lock(m_mutex);
    if (!debugPort() || (rts && *rts)) {
        return std::nullopt;
    }
    Clock::time_point next = m_events.empty() ? m_nextStatus : now;
    if (!rts && m_lastFrame) {
        next = std::max(next, *m_lastFrame + kConversationTimeout);
    }
    return next;
}

SimulatorState GatewaySimulator::state() const
{
    std::lock_guard lock(m_mutex);
    SimulatorState state = m_state;
    state.pointValues = m_values.values();
    return state;
}

ConfigImage GatewaySimulator::workingImage() const
{
    std::lock_guard lock(m_mutex);
    return m_working;
}

uint64_t GatewaySimulator::stateGeneration() const
{
    std::lock_guard lock(m_mutex);
    return m_generation;
}

bool GatewaySimulator::flashing() const
{
    std::lock_guard lock(m_mutex);
    return m_flashing;
}

uint64_t GatewaySimulator::framesReceived() const
{
    std::lock_guard lock(m_mutex);
    return m_frames;
}

double GatewaySimulator::pointValue(uint16_t point, Clock::time_point now) const
{
    std::lock_guard lock(m_mutex);
    return m_values.value(point, now);
}

void GatewaySimulator::setPointValue(uint16_t point, double value)
{
    std::lock_guard lock(m_mutex);
    m_values.set(point, value, Clock::now());
}

void GatewaySimulator::setFaults(const FaultOptions& faults)
{
    std::lock_guard lock(m_mutex);
    m_faults = faults;
}

FaultOptions GatewaySimulator::faults() const
{
    std::lock_guard lock(m_mutex);
    return m_faults;
}

} // namespace quillan::sim
