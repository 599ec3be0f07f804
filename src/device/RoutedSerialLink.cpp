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
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = false;
    }
    std::shared_ptr<SerialLink> link = m_factory.create(portName);
    if (!link || !link->open(portName)) {
        return false;
    }
    std::lock_guard lock(m_mutex);
    // A cancel that came while the new link was opening holds for it too.
    if (m_cancelled) {
        link->cancel();
    }
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

WriteStatus RoutedSerialLink::write(const uint8_t* data, size_t count)
{
    std::shared_ptr<SerialLink> link;
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled) {
            return WriteStatus::cancelled;
        }
        link = m_link;
    }
    // A cancel from here on reaches the link itself, so the call cannot miss it.
    return link ? link->write(data, count) : WriteStatus::failed;
}

ReadResult RoutedSerialLink::read(uint8_t* buffer, size_t capacity, int timeoutMs)
{
    std::shared_ptr<SerialLink> link;
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled) {
            return {ReadStatus::cancelled, 0};
        }
        link = m_link;
    }
    if (!link) {
        return {ReadStatus::error, 0};
    }
    return link->read(buffer, capacity, timeoutMs);
}

void RoutedSerialLink::cancel()
{
    std::shared_ptr<SerialLink> link;
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
        link = m_link;
    }
    if (link) {
        link->cancel();
    }
}

void RoutedSerialLink::resetCancel()
{
    std::shared_ptr<SerialLink> link;
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = false;
        link = m_link;
    }
    if (link) {
        link->resetCancel();
    }
}

} // namespace quillan::device
