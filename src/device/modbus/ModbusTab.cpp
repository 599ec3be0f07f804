#include "device/modbus/ModbusTab.h"

#include "device/modbus/MBCommThread.h"
#include "gateway/ZAVGateway.h"
#include "model/ModbusMap.h"
#include "model/Notifications.h"
#include "model/SerialPortDefinition.h"
#include "model/Text.h"

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace quillan::device::modbus {

namespace {

constexpr unsigned kMaxRunRegisters = 60;
constexpr uint16_t kMaxWriteInteger = 32767;
// Slave id, function code, byte count.
constexpr size_t kReadReplyHeader = 3;

uint16_t be16(std::span<const uint8_t> bytes, size_t at)
{
    return static_cast<uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

float beFloat(std::span<const uint8_t> bytes, size_t at)
{
    return std::bit_cast<float>(uint32_t{be16(bytes, at)} << 16 | be16(bytes, at + 2));
}

ModbusMap* rowEntry(const ListRow& row)
{
    const auto* entry = std::get_if<ModbusMap*>(&row.item);
    return entry != nullptr ? *entry : nullptr;
}

// The number the Register column reads; none for any other text.
std::optional<uint16_t> registerOfText(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 5) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(value);
}

void placeValue(uint16_t reg, const std::string& text, std::span<ListRow* const> selected)
{
    ListRow* first = nullptr;
    ListRow* last = nullptr;
    for (ListRow* row : selected) {
        if (row->cells.size() > COLUMN_REGISTER &&
            registerOfText(row->cells[COLUMN_REGISTER]) == reg) {
            if (first == nullptr) {
                first = row;
            }
            last = row;
        }
    }
    if (first == nullptr) {
        return;
    }
    if (ModbusMap* entry = rowEntry(*first)) {
        (isRefreshRow(*first) ? entry->refreshText : entry->valueText) = text;
    }
    if (last->cells.size() > COLUMN_VALUE) {
        last->cells[COLUMN_VALUE] = text;
    }
}

} // namespace

std::string integerValueText(uint16_t value)
{
    return value == 0xFFFF ? NO_READING_TEXT : strprintf("%d", int{value});
}

std::string floatValueText(float value)
{
    return strprintf("%.4f", static_cast<double>(value));
}

std::optional<uint8_t> requestSlaveId(const ZAVGateway& gateway, NotificationSink& notifications)
{
    const SerialPortDefinition* port = gateway.getPort0();
    if (port == nullptr) {
        return std::nullopt;
    }
    if (port->slaveId() > LAST_STANDARD_SLAVE_ID) {
        notifications.debugLine(EXTENDED_SLAVE_ID_ERROR);
        return std::nullopt;
    }
    return static_cast<uint8_t>(port->slaveId());
}

std::optional<RegisterRun> RunSplitter::add(uint16_t reg, bool floatFormat)
{
    std::optional<RegisterRun> closed;
    if (m_count > kMaxRunRegisters / m_width || (m_last && reg != *m_last + 1)) {
        closed = RegisterRun{static_cast<uint16_t>(*m_last - m_count + 1),
                             static_cast<uint16_t>(m_count)};
        m_count = 1;
    } else {
        ++m_count;
        m_width = floatFormat ? 2 : 1;
    }
    m_last = reg;
    return closed;
}

std::optional<RegisterRun> RunSplitter::finish()
{
    if (m_count == 0) {
        return std::nullopt;
    }
    const RegisterRun run{static_cast<uint16_t>(*m_last - m_count + 1),
                          static_cast<uint16_t>(m_count)};
    *this = RunSplitter();
    return run;
}

std::vector<RegisterRun> splitRuns(std::span<const PollRegister> registers)
{
    std::vector<RegisterRun> runs;
    RunSplitter splitter;
    for (const PollRegister& r : registers) {
        if (auto run = splitter.add(r.reg, r.floatFormat)) {
            runs.push_back(*run);
        }
    }
    if (auto run = splitter.finish()) {
        runs.push_back(*run);
    }
    return runs;
}

bool isRefreshRow(const ListRow& row)
{
    return row.cells.size() > COLUMN_REFRESH && !row.cells[COLUMN_REFRESH].empty();
}

std::optional<uint16_t> rowRegister(const ListRow& row)
{
    const ModbusMap* entry = rowEntry(row);
    if (entry == nullptr) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(entry->startRegister + (isRefreshRow(row) ? 1 : 0));
}

std::vector<RegisterValue> readReplyValues(std::span<const uint8_t> request,
                                           std::span<const uint8_t> reply)
{
    std::vector<RegisterValue> values;
    if (request.size() < 6 || reply.size() < kReadReplyHeader) {
        return values;
    }
    const uint16_t first = be16(request, 2);
    const uint16_t count = be16(request, 4);
    // Only the data bytes the reply says it holds, and has.
    const size_t dataEnd = std::min(reply.size(), kReadReplyHeader + reply[2]);
    size_t at = kReadReplyHeader;
    for (unsigned k = 0; k < count; ++k) {
        const unsigned reg = unsigned{first} + k;
        const bool isFloat = reg > LAST_INTEGER_REGISTER;
        const size_t width = isFloat ? 4 : 2;
        if (reg > 0xFFFF || at + width > dataEnd) {
            break;
        }
        values.push_back({static_cast<uint16_t>(reg), isFloat ? floatValueText(beFloat(reply, at))
                                                              : integerValueText(be16(reply, at))});
        at += width;
    }
    return values;
}

void showReadReply(std::span<const uint8_t> request, std::span<const uint8_t> reply,
                   std::span<ListRow* const> selected)
{
    for (const RegisterValue& value : readReplyValues(request, reply)) {
        placeValue(value.reg, value.text, selected);
    }
}

std::optional<RegisterValue> writeReplyValue(std::span<const uint8_t> echo, bool floatWrite)
{
    if (echo.size() < (floatWrite ? 8U : 6U)) {
        return std::nullopt;
    }
    return RegisterValue{be16(echo, 2), floatWrite ? floatValueText(beFloat(echo, 4))
                                                   : integerValueText(be16(echo, 4))};
}

void showWriteReply(std::span<const uint8_t> echo, bool floatWrite,
                    std::span<ListRow* const> selected)
{
    if (const auto value = writeReplyValue(echo, floatWrite)) {
        placeValue(value->reg, value->text, selected);
    }
}

std::optional<WriteValue> parseWriteValue(uint16_t reg, std::string_view text)
{
    const bool isFloat = reg > LAST_INTEGER_REGISTER;
    size_t digits = 0;
    size_t points = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '.' && isFloat) {
            ++points;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || points > 1) {
        return std::nullopt;
    }
    const std::string copy(text);
    WriteValue value;
    value.isFloat = isFloat;
    if (isFloat) {
        errno = 0;
        const double real = std::strtod(copy.c_str(), nullptr);
        const auto narrowed = static_cast<float>(real);
        if (errno == ERANGE || !std::isfinite(narrowed)) {
            return std::nullopt;
        }
        value.real = narrowed;
        return value;
    }
    unsigned long integer = 0;
    for (const char c : text) {
        integer = integer * 10 + static_cast<unsigned long>(c - '0');
        if (integer > kMaxWriteInteger) {
            return std::nullopt;
        }
    }
    value.integer = static_cast<uint16_t>(integer);
    return value;
}

ModbusTab::ModbusTab(MBCommThread& master, NotificationSink& notifications)
    : m_master(master), m_notifications(notifications)
{
}

bool ModbusTab::poll(const ZAVGateway& gateway, std::span<ListRow* const> selected)
{
    const std::optional<uint8_t> slaveId = requestSlaveId(gateway, m_notifications);
    if (!slaveId) {
        return false;
    }
    const auto read = [&](const RegisterRun& run) {
        if (!m_master.readRegisters(run.first, run.count, *slaveId)) {
            return false;
        }
        showReadReply(m_master.request(), m_master.response(), selected);
        return true;
    };
    RunSplitter splitter;
    for (ListRow* row : selected) {
        ModbusMap* entry = rowEntry(*row);
        if (entry == nullptr) {
            continue;
        }
        if (row->cells.size() > COLUMN_VALUE) {
            row->cells[COLUMN_VALUE] = POLL_PENDING_TEXT;
        }
        (isRefreshRow(*row) ? entry->refreshText : entry->valueText) = POLL_PENDING_TEXT;
        if (auto run = splitter.add(*rowRegister(*row), entry->isFloatFormat())) {
            if (!read(*run)) {
                return false;
            }
        }
    }
    if (auto run = splitter.finish()) {
        return read(*run);
    }
    return true;
}

bool ModbusTab::write(uint16_t reg, const WriteValue& value, uint8_t slaveId,
                      std::span<ListRow* const> selected)
{
    const bool sent = value.isFloat ? m_master.writeFloatRegister(reg, value.real, slaveId)
                                    : m_master.writeRegister(reg, value.integer, slaveId);
    if (sent) {
        showWriteReply(m_master.response(), value.isFloat, selected);
    }
    return sent;
}

} // namespace quillan::device::modbus
