#include "device/modbus/MBCommThread.h"

#include "model/Notifications.h"
#include "model/Text.h"

#include <algorithm>

namespace quillan::device::modbus {

namespace {

// Enough to tell the length of any reply: slave id, function code, byte count.
constexpr size_t REPLY_HEADER_SIZE = 3;

} // namespace

MBCommThread::MBCommThread(SerialLink& port, NotificationSink& notifications, ModbusTimings timings)
    : m_port(port), m_notifications(notifications), m_timings(timings)
{
}

bool MBCommThread::readRegisters(uint16_t first, uint16_t count, uint8_t slaveId)
{
    debug(strprintf("Modbus Request: id %u, registers %u to %u...", unsigned{slaveId}, unsigned{first},
                 unsigned{first} + count - 1));
    return transact(readHoldingRegistersRequest(slaveId, first, count));
}

bool MBCommThread::writeRegister(uint16_t reg, uint16_t value, uint8_t slaveId)
{
    debug(strprintf("Modbus Write: id %u, register %u, value %u...", unsigned{slaveId}, unsigned{reg},
                 unsigned{value}));
    return transact(writeRegisterRequest(slaveId, reg, value));
}

bool MBCommThread::writeFloatRegister(uint16_t reg, float value, uint8_t slaveId)
{
    debug(strprintf("Modbus Write: id %u, register %u, value %f...", unsigned{slaveId}, unsigned{reg},
                 static_cast<double>(value)));
    return transact(writeFloatRegisterRequest(slaveId, reg, value));
}

void MBCommThread::cancel()
{
    m_stop->requestStop();
    m_port.cancel();
}

void MBCommThread::resetCancel()
{
    m_stop->reset();
    m_port.resetCancel();
}

bool MBCommThread::transact(const std::vector<uint8_t>& frame)
{
    std::copy(frame.begin(), frame.end(), m_request.begin());
    m_requestSize = frame.size();
    m_responseSize = 0;
    if (!beginTransaction()) {
        return false;
    }
    sendRequest();
    const bool ok = readResponse();
    endTransaction();
    return ok;
}

bool MBCommThread::beginTransaction()
{
    if (!m_port.isOpen()) {
        debug("Modbus Error: Serial port open failure.");
        return false;
    }
    (void)m_port.purge(true, true);
    return pause(m_timings.purgeWaitMs);
}

void MBCommThread::sendRequest()
{
    trace(request(), TraceDirection::sent);
    // The gateway's debug output goes on during the purge wait; what came in then is not a
    // reply. Purged now rather than after the write, which could throw away a quick answer.
    (void)m_port.purge(true, false);
    m_lastWrite = m_port.write(m_request.data(), m_requestSize);
}

bool MBCommThread::readResponse()
{
    m_response.fill(0);
    const uint8_t slaveId = m_request[0];
    const uint8_t function = m_request[1];
    size_t gathered = 0;
    size_t expected = 0;
    while (expected == 0 || gathered < expected) {
        if (expected > m_response.size()) {
            debug("Modbus Response error: incomplete response.");
            return false;
        }
        const size_t wanted = (expected != 0 ? expected : REPLY_HEADER_SIZE) - gathered;
        // A write reply is judged once 8 bytes are in: a float write's echo goes on to 10
        // without a pause, or it ended short and fails its CRC check.
        const bool echoTail = function != FN_READ_HOLDING_REGISTERS && gathered >= REQUEST_SIZE;
        const ReadResult r = m_port.read(m_response.data() + gathered, wanted,
                                         echoTail ? m_timings.replyGapMs : m_timings.readTimeoutMs);
        if (r.status == ReadStatus::cancelled) {
            return false;
        }
        if (echoTail && r.status == ReadStatus::timeout) {
            break;
        }
        if (r.status != ReadStatus::data || r.count == 0) {
            debug(gathered > 0 ? "Modbus Response error: incomplete response."
                               : "Modbus Response error: no response received.");
            return false;
        }
        gathered += r.count;
        expected = expectedReplySize({m_response.data(), gathered}, function, m_requestSize);
    }
    const bool complete = gathered >= expected;
    const std::span<const uint8_t> reply{m_response.data(), expected};
    if (reply[0] != slaveId) {
        debug("Modbus Response error: invalid slave id.");
        return false;
    }
    if (reply[1] != function) {
        debug("Modbus Response error: invalid function code.");
        return false;
    }
    if (!complete || !crcMatches(reply, expected - 2)) {
        debug("Modbus Response error: CRC Error.");
        return false;
    }
    m_responseSize = expected;
    debug("Modbus Response: success.");
    trace(reply, TraceDirection::received);
    if (function == FN_READ_HOLDING_REGISTERS) {
        m_notifications.notify({MSG_MODBUS_READ, 0, 0, {}, Delivery::sent, Receiver::modbusTab});
    } else {
        const int isFloat = m_requestSize == FLOAT_REQUEST_SIZE ? 1 : 0;
        m_notifications.notify(
            {MSG_MODBUS_WRITE, isFloat, 0, {}, Delivery::sent, Receiver::modbusTab});
    }
    return true;
}

void MBCommThread::endTransaction()
{
    if (m_port.isOpen()) {
        pause(m_timings.settleWaitMs);
    }
}

void MBCommThread::debug(const std::string& line)
{
    m_notifications.debugLine(line);
}

void MBCommThread::trace(std::span<const uint8_t> frame, TraceDirection direction)
{
    for (const std::string& line : traceLines(frame, direction)) {
        debug(line);
    }
}

} // namespace quillan::device::modbus
