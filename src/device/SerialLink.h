#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillan::device {

// Parity and stop-bit codes as the configuration-port settings store them; they are passed
// through to the link unchanged.
enum ParityCode : uint8_t {
    PARITY_NONE = 0,
    PARITY_ODD = 1,
    PARITY_EVEN = 2,
    PARITY_MARK = 3,
    PARITY_SPACE = 4,
};

enum StopBitsCode : uint8_t {
    STOP_BITS_ONE = 0,
    STOP_BITS_ONE_AND_HALF = 1,
    STOP_BITS_TWO = 2,
};

struct LineSettings {
    uint32_t baudRate = 9600;
    uint8_t dataBits = 8;
    uint8_t parity = PARITY_NONE;
    uint8_t stopBits = STOP_BITS_ONE;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// A freshly opened port.
inline constexpr LineSettings DEFAULT_LINE_SETTINGS{9600, 8, PARITY_NONE, STOP_BITS_ONE};
// While a device operation owns the port.
inline constexpr LineSettings DEVICE_LINE_SETTINGS{57600, 8, PARITY_NONE, STOP_BITS_ONE};

enum class ReadStatus {
    data,      // at least one byte was read
    timeout,   // nothing arrived in time
    error,     // the port failed or is closed (also when close() ended the wait)
    cancelled, // cancel() ended the wait, or came before it
};

struct ReadResult {
    ReadStatus status = ReadStatus::timeout;
    size_t count = 0;
};

enum class WriteStatus {
    ok,        // every byte has gone out
    failed,    // the port failed, is closed, or the write stalled
    cancelled, // cancel() ended the write, or came before it; the unsent rest is dropped
};

// One serial port, used in blocking style by one thread at a time (the owner), though the
// owner may change: the port is opened on the user-interface thread and a device session then
// talks through it on its worker.
//
// Stopping: cancel() may be called from any thread at any time. It wakes a pending read or
// write at once, and from then on read() and write() return cancelled without waiting, until
// resetCancel() (called by whoever stopped the worker, once it has ended) or the port is
// opened again; so a worker being stopped cannot slip into a fresh wait (a flash begin waits
// 15 s) after the request. The other calls are not affected: a stopping worker still drops RTS
// and purges the port on its way out.
//
// Besides cancel() and resetCancel(), isOpen(), portName() and close() may be called from any
// thread. A close from another thread also wakes a pending read or write, which then fails
// with error (the port is gone; nobody asked to stop).
class SerialLink {
public:
    virtual ~SerialLink() = default;

    // Opens the port by its bare name; an open port is closed first. Clears a cancel.
    [[nodiscard]] virtual bool open(const std::string& portName) = 0;
    // Harmless when closed.
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;
    [[nodiscard]] virtual std::string portName() const = 0;

    // Line settings with the codes above; refuses codes it does not know.
    [[nodiscard]] virtual bool configure(const LineSettings& settings) = 0;
    [[nodiscard]] virtual bool setRts(bool raised) = 0;
    [[nodiscard]] virtual bool setDtr(bool raised) = 0;
    [[nodiscard]] virtual bool cts() = 0;
    // Throws away what was received and not yet read, and/or what is not yet sent.
    [[nodiscard]] virtual bool purge(bool receive, bool transmit) = 0;

    // Returns once every byte has left on the line (not merely been handed to the driver), so
    // that a reply time-out counted from the return is the device's time alone; a write that
    // stalls fails.
    [[nodiscard]] virtual WriteStatus write(const uint8_t* data, size_t count) = 0;
    // Returns as soon as bytes are available (at most capacity of them), or after timeoutMs
    // without any.
    [[nodiscard]] virtual ReadResult read(uint8_t* buffer, size_t capacity, int timeoutMs) = 0;

    virtual void cancel() = 0;
    virtual void resetCancel() = 0;

    // 9600 8N1, then both directions purged.
    [[nodiscard]] bool applyDefaultSettings()
    {
        return configure(DEFAULT_LINE_SETTINGS) && purge(true, true);
    }
};

[[nodiscard]] inline bool isValidLineSettings(const LineSettings& s)
{
    return s.baudRate > 0 && s.dataBits >= 5 && s.dataBits <= 8 && s.parity <= PARITY_SPACE &&
           s.stopBits <= STOP_BITS_TWO;
}

// The time count characters take on the line: each a start bit, the data bits, a parity bit
// unless there is none, and the stop bits. Zero for a baud rate of 0.
[[nodiscard]] inline std::chrono::nanoseconds lineTime(const LineSettings& s, size_t count)
{
    if (s.baudRate == 0) {
        return std::chrono::nanoseconds::zero();
    }
    // Counted in half bits, for one and a half stop bits.
    const uint64_t halfBits = 2u * (1u + s.dataBits + (s.parity == PARITY_NONE ? 0u : 1u)) +
                              (s.stopBits == STOP_BITS_ONE            ? 2u
                               : s.stopBits == STOP_BITS_ONE_AND_HALF ? 3u
                                                                      : 4u);
    return std::chrono::nanoseconds(halfBits * count * 1'000'000'000u / (2u * s.baudRate));
}

[[nodiscard]] inline std::chrono::nanoseconds characterTime(const LineSettings& s)
{
    return lineTime(s, 1);
}

} // namespace quillan::device
