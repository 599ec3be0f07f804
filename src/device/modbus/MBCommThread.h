#pragma once

#include "device/SerialLink.h"
#include "device/StopToken.h"
#include "device/modbus/ModbusFrame.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quillan {
class NotificationSink;
}

namespace quillan::device::modbus {

struct ModbusTimings {
    // After purging the port, before the request: lets the line settle.
    int purgeWaitMs = 200;
    // After the transaction, before the port is handed back to the debug listener.
    int settleWaitMs = 200;
    // How long a read waits for the first or the next bytes of a reply.
    int readTimeoutMs = 1000;
    // A pause this long after a byte ends a reply: the port's read interval.
    int replyGapMs = 50;
};

// The Modbus RTU master of the Modbus tab: one request at a time, built, sent, answered and
// checked before the call returns, on the caller's thread. No thread is started for it.
//
// Every step goes to the Debug tab; a good reply is also sent to the Modbus tab as
// MSG_MODBUS_READ or MSG_MODBUS_WRITE (step 1 for a float write), and the tab takes the bytes
// from response() and request() while it handles the notification.
//
// cancel() may be called from any thread: it ends a pending wait or read at once, and later
// requests fail without a Debug line until resetCancel().
class MBCommThread {
public:
    static constexpr size_t BUFFER_SIZE = 256;

    MBCommThread(SerialLink& port, NotificationSink& notifications, ModbusTimings timings = {});
    MBCommThread(const MBCommThread&) = delete;
    MBCommThread& operator=(const MBCommThread&) = delete;

    [[nodiscard]] const std::string& name() const { return m_name; }

    // Function 3; count register numbers from first (float registers give 4 bytes each).
    bool readRegisters(uint16_t first, uint16_t count, uint8_t slaveId);
    // Function 6 with a 16-bit value.
    bool writeRegister(uint16_t reg, uint16_t value, uint8_t slaveId);
    // Function 6 with the four bytes of value, most significant first: a 10-byte request.
    bool writeFloatRegister(uint16_t reg, float value, uint8_t slaveId);

    void cancel();
    void resetCancel();
    [[nodiscard]] bool cancelled() const { return m_stop->stopRequested(); }
    // Stops with the work it is part of: token's stop is the master's cancel from now on. The
    // token must outlive the master's use of it; it does not reach the port by itself.
    void useStopToken(StopToken& token) { m_stop = &token; }

    // The last request as sent, CRC included.
    [[nodiscard]] std::span<const uint8_t> request() const
    {
        return {m_request.data(), m_requestSize};
    }
    // The reply of the last successful request, CRC included; empty after a failure.
    [[nodiscard]] std::span<const uint8_t> response() const
    {
        return {m_response.data(), m_responseSize};
    }

private:
    bool transact(const std::vector<uint8_t>& frame);
    [[nodiscard]] bool beginTransaction();
    void sendRequest();
    [[nodiscard]] bool readResponse();
    void endTransaction();
    // False when cancelled.
    bool pause(int ms) { return m_stop->pause(ms); }
    void debug(const std::string& line);
    void trace(std::span<const uint8_t> frame, TraceDirection direction);

    SerialLink& m_port;
    NotificationSink& m_notifications;
    const ModbusTimings m_timings;
    const std::string m_name = "Generic Thread";

    std::array<uint8_t, BUFFER_SIZE> m_request{};
    size_t m_requestSize = 0;
    std::array<uint8_t, BUFFER_SIZE> m_response{};
    size_t m_responseSize = 0;
    std::optional<WriteStatus> m_lastWrite;

    StopToken m_ownStop;
    StopToken* m_stop = &m_ownStop;
};

} // namespace quillan::device::modbus
