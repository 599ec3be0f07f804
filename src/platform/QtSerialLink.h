#pragma once

#include "device/SerialLink.h"

#include <memory>
#include <string>

namespace quillan {
class NotificationSink;
}

namespace quillan::platform {

// A serial port through QSerialPort. The QSerialPort lives on a thread of its own, which runs
// an event loop and uses the port asynchronously: received bytes are gathered as they come,
// and a write is handed over and followed until it has gone out. read() and write() wait in the
// caller's thread on those, so cancel() and close() wake them at once from any thread, and the
// link may be opened on one thread and used from another (the user-interface thread detects
// and opens the port, a device session then reads on its worker).
//
// Needs a QCoreApplication, through which the port's notifiers are delivered; its event loop
// need not run. Without one the port never opens.
//
// On a pseudo-terminal the modem lines cannot be driven or read: RTS and DTR count as set,
// CTS as asserted, and one debug line says so. A port error (converter pulled, the other end
// of a pseudo-terminal closed) closes the port, so the presence check notices it.
class QtSerialLink final : public device::SerialLink {
public:
    // debugSink, if given, gets the debug lines of the link, posted (some come from the port's
    // thread); it must outlive the link.
    explicit QtSerialLink(NotificationSink* debugSink = nullptr);
    ~QtSerialLink() override;
    QtSerialLink(const QtSerialLink&) = delete;
    QtSerialLink& operator=(const QtSerialLink&) = delete;

    [[nodiscard]] bool open(const std::string& portName) override;
    void close() override;
    [[nodiscard]] bool isOpen() const override;
    [[nodiscard]] std::string portName() const override;
    [[nodiscard]] bool configure(const device::LineSettings& settings) override;
    [[nodiscard]] bool setRts(bool raised) override;
    [[nodiscard]] bool setDtr(bool raised) override;
    [[nodiscard]] bool cts() override;
    [[nodiscard]] bool purge(bool receive, bool transmit) override;
    [[nodiscard]] device::WriteStatus write(const uint8_t* data, size_t count) override;
    [[nodiscard]] device::ReadResult read(uint8_t* buffer, size_t capacity, int timeoutMs) override;
    void cancel() override;
    void resetCancel() override;

private:
    class PortThread;

    std::unique_ptr<PortThread> m_thread;
};

} // namespace quillan::platform
