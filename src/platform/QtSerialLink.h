#pragma once

#include "device/SerialLink.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

class QSerialPort;

namespace quillan {
class NotificationSink;
}

namespace quillan::platform {

// A serial port through QSerialPort in blocking style. The QSerialPort lives on a thread of
// its own and every call is carried out there, so the link may be opened on one thread and
// used from another (the user-interface thread detects and opens the port, a device session
// then reads on its worker) without QSerialPort's notifiers firing on the wrong thread.
//
// On a pseudo-terminal the modem lines cannot be driven or read: RTS and DTR count as set,
// CTS as asserted, and one debug line says so.
class QtSerialLink final : public device::SerialLink {
public:
    // debugSink, if given, gets the debug lines of the link; it must outlive the link.
    explicit QtSerialLink(NotificationSink* debugSink = nullptr);
    ~QtSerialLink() override;
    QtSerialLink(const QtSerialLink&) = delete;
    QtSerialLink& operator=(const QtSerialLink&) = delete;

    [[nodiscard]] bool open(const std::string& portName) override;
    void close() override;
    [[nodiscard]] bool isOpen() const override { return m_open; }
    [[nodiscard]] std::string portName() const override;
    [[nodiscard]] bool configure(const device::LineSettings& settings) override;
    [[nodiscard]] bool setRts(bool raised) override;
    [[nodiscard]] bool setDtr(bool raised) override;
    [[nodiscard]] bool cts() override;
    [[nodiscard]] bool purge(bool receive, bool transmit) override;
    [[nodiscard]] bool write(const uint8_t* data, size_t count) override;
    [[nodiscard]] device::ReadResult read(uint8_t* buffer, size_t capacity, int timeoutMs) override;

private:
    class PortThread;

    void debugLine(const std::string& text);
    // On the port thread, after a modem-line call failed: true when the port has no modem
    // lines (reported once per open), false for a real failure.
    [[nodiscard]] bool modemLinesMissing(QSerialPort& port);

    NotificationSink* m_debugSink;
    std::atomic<bool> m_open{false};
    mutable std::mutex m_nameMutex;
    std::string m_name;
    bool m_modemLinesReported = false; // port thread only
    // Last, so the thread has ended before the members its calls use go away.
    std::unique_ptr<PortThread> m_thread;
};

} // namespace quillan::platform
