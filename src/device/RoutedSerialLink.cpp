#include "device/RoutedSerialLink.h"

namespace quillan::device {

std::shared_ptr<SerialLink> RoutedSerialLink::current() const
{
    std::lock_guard lock(m_mutex);
    return m_link;
}

bool RoutedSerialLink::open(const std::string& portName)
{
    close();
    std::shared_ptr<SerialLink> link = m_factory.create(portName);
    if (!link || !link->open(portName)) {
        return false;
    }
    std::lock_guard lock(m_mutex);
    m_link = std::move(link);
    return true;
}

void RoutedSerialLink::close()
{
    std::shared_ptr<SerialLink> link;
    {
        std::lock_guard lock(m_mutex);
        link = std::move(m_link);
        m_link.reset();
    }
    if (link) {
        link->close();
    }
}

bool RoutedSerialLink::isOpen() const
{
    const auto link = current();
    return link && link->isOpen();
}

std::string RoutedSerialLink::portName() const
{
    const auto link = current();
    return link ? link->portName() : std::string();
}

bool RoutedSerialLink::configure(const LineSettings& settings)
{
    const auto link = current();
    return link && link->configure(settings);
}

bool RoutedSerialLink::setRts(bool raised)
{
    const auto link = current();
    return link && link->setRts(raised);
}

bool RoutedSerialLink::setDtr(bool raised)
{
    const auto link = current();
    return link && link->setDtr(raised);
}

bool RoutedSerialLink::cts()
{
    const auto link = current();
    return link && link->cts();
}

bool RoutedSerialLink::purge(bool receive, bool transmit)
{
    const auto link = current();
    return link && link->purge(receive, transmit);
}

bool RoutedSerialLink::write(const uint8_t* data, size_t count)
{
    const auto link = current();
    return link && link->write(data, count);
}

ReadResult RoutedSerialLink::read(uint8_t* buffer, size_t capacity, int timeoutMs)
{
    const auto link = current();
    if (!link) {
        return {ReadStatus::error, 0};
    }
    return link->read(buffer, capacity, timeoutMs);
}

} // namespace quillan::device
