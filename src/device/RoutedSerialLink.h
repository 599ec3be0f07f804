#pragma once

#include "device/LinkFactory.h"
#include "device/SerialLink.h"

#include <memory>
#include <mutex>

namespace quillan::device {

// The process's one port object. Opening a name makes a fresh link for it through the
// factory, so the same port object can reach a serial port or a virtual one ("sim").
// Calls on a closed port fail. A link in use by another thread is kept alive until its call
// returns, even if the port is closed or reopened meanwhile. A cancel holds for the port object,
// whichever link serves it, until resetCancel() or the next open.
class RoutedSerialLink final : public SerialLink {
public:
    explicit RoutedSerialLink(LinkFactory factory) : m_factory(std::move(factory)) {}
    ~RoutedSerialLink() override { close(); }

    [[nodiscard]] LinkFactory& factory() { return m_factory; }

    [[nodiscard]] bool open(const std::string& portName) override;
    void close() override;
    [[nodiscard]] bool isOpen() const override;
    [[nodiscard]] std::string portName() const override;
    [[nodiscard]] bool configure(const LineSettings& settings) override;
    [[nodiscard]] bool setRts(bool raised) override;
    [[nodiscard]] bool setDtr(bool raised) override;
    [[nodiscard]] bool cts() override;
    [[nodiscard]] bool purge(bool receive, bool transmit) override;
    [[nodiscard]] WriteStatus write(const uint8_t* data, size_t count) override;
    [[nodiscard]] ReadResult read(uint8_t* buffer, size_t capacity, int timeoutMs) override;
    void cancel() override;
    void resetCancel() override;

private:
    [[nodiscard]] std::shared_ptr<SerialLink> current() const;

    LinkFactory m_factory;
    mutable std::mutex m_mutex;
    std::shared_ptr<SerialLink> m_link;
    bool m_cancelled = false;
};

} // namespace quillan::device
