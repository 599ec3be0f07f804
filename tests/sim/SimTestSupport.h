#pragma once

#include "device/SerialLink.h"
#include "gateway/ConfigImage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quillan::simtest {

using Bytes = std::vector<uint8_t>;

// Registers of modbusImage().
inline constexpr uint16_t kReadOnlyRegister = 3001;  // point 0, filled by an import
inline constexpr uint16_t kWritableRegister = 3002;  // point 1, a Modbus write import
inline constexpr uint16_t kTimestampRegister = 3003; // point 1's refresh register
inline constexpr uint16_t kWritableFloat = 7001;     // point 2, a Modbus write import
inline constexpr uint16_t kReadOnlyFloat = 7002;     // point 3, filled by an import
inline constexpr uint8_t kSlaveId = 7;

// A gateway whose CONFIG port is Modbus slave kSlaveId, with four data store points (0 and 3
// imported, 1 and 2 Modbus write imports; 0 and 1 SHORT, 2 and 3 FLOAT) and the registers
// above.
[[nodiscard]] ConfigImage modbusImage();

// Adds count data store points of format, filled by no import (so writable), shown in the
// registers from firstRegister on, one each, after what the image holds (within the first
// page of each table).
void appendMappedPoints(ConfigImage& image, uint16_t firstRegister, unsigned count,
                        PointFormat format);

// Empty when the images agree, else the first byte where they differ.
[[nodiscard]] std::string firstDifference(const ConfigImage& actual, const ConfigImage& expected);

// Appends the Modbus CRC, computed here on its own so that the slave is checked against it.
[[nodiscard]] Bytes withModbusCrc(Bytes frame);

// The host end of a pseudo-terminal with plain POSIX I/O, for the host engines to talk to the
// simulator process. It has no modem lines: RTS and DTR calls succeed, CTS reads asserted.
// A purge clears only what was received.
class PosixTestLink final : public device::SerialLink {
public:
    PosixTestLink();
    ~PosixTestLink() override;
    PosixTestLink(const PosixTestLink&) = delete;
    PosixTestLink& operator=(const PosixTestLink&) = delete;

    [[nodiscard]] bool open(const std::string& portName) override;
    void close() override;
    [[nodiscard]] bool isOpen() const override { return m_fd >= 0; }
    [[nodiscard]] std::string portName() const override { return m_name; }
    [[nodiscard]] bool configure(const device::LineSettings&) override { return isOpen(); }
    [[nodiscard]] bool setRts(bool) override { return isOpen(); }
    [[nodiscard]] bool setDtr(bool) override { return isOpen(); }
    [[nodiscard]] bool cts() override { return isOpen(); }
    [[nodiscard]] bool purge(bool receive, bool transmit) override;
    [[nodiscard]] device::WriteStatus write(const uint8_t* data, size_t count) override;
    [[nodiscard]] device::ReadResult read(uint8_t* buffer, size_t capacity, int timeoutMs) override;
    void cancel() override;
    void resetCancel() override;

    [[nodiscard]] bool send(const Bytes& bytes)
    {
        return write(bytes.data(), bytes.size()) == device::WriteStatus::ok;
    }
    // Exactly count bytes, or what came before timeoutMs passed.
    [[nodiscard]] Bytes receive(size_t count, int timeoutMs);

private:
    // Waits for events on the port or a cancel; 1 when the port is ready, 0 on time-out,
    // -1 on a poll error, -2 when cancelled.
    [[nodiscard]] int waitFor(short events, int timeoutMs) const;

    int m_fd = -1;
    int m_cancelFd = -1; // an eventfd, readable while cancelled
    std::string m_name;
};

// The zav-gateway-sim executable, started with arguments; killed if still running at the end.
class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    [[nodiscard]] bool start(const std::vector<std::string>& args);
    // The first line it prints (without its line end); none if none came within timeoutMs.
    [[nodiscard]] std::optional<std::string> firstLine(int timeoutMs);
    // SIGTERM, then the exit code once it ended; none if it did not end within timeoutMs or
    // ended by a signal.
    [[nodiscard]] std::optional<int> stop(int timeoutMs);
    // Its exit code once it ends on its own within timeoutMs.
    [[nodiscard]] std::optional<int> waitForExit(int timeoutMs);
    // What it wrote to stderr (read once it has ended).
    [[nodiscard]] std::string errorOutput();

private:
    pid_t m_pid = -1;
    int m_pidfd = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_outBuffer;
};

[[nodiscard]] Bytes readFileBytes(const std::string& path);

} // namespace quillan::simtest
