#include "sim/SimulatorLink.h"

#include <algorithm>

namespace quillan::sim {

using device::ReadResult;
using device::ReadStatus;
using device::WriteStatus;

SimulatorLink::SimulatorLink(std::shared_ptr<GatewaySimulator> gateway, bool lineTiming)
    : m_gateway(std::move(gateway)), m_lineTiming(lineTiming)
{
    applyTiming();
}

void SimulatorLink::applyTiming()
{
    m_output.setCharacterTime(m_lineTiming ? characterTime() : Clock::duration::zero());
}

SimulatorLink::Clock::duration SimulatorLink::characterTime() const
{
    return std::chrono::duration_cast<Clock::duration>(device::characterTime(m_settings));
}

bool SimulatorLink::open(const std::string& portName)
{
    std::lock_guard lock(m_mutex);
    m_open = true;
    m_cancelled = false;
    m_name = portName;
    m_settings = device::DEFAULT_LINE_SETTINGS;
    m_rts = false;
    m_dtr = false;
    m_output.clear();
    applyTiming();
    m_changed.notify_all();
    return true;
}

void SimulatorLink::close()
{
    std::lock_guard lock(m_mutex);
    if (!m_open) {
        return;
    }
    m_open = false;
    m_rts = false;
    m_output.clear();
    // Whatever the gateway was still receiving is cut off.
    (void)m_gateway->lineIdle(Clock::now());
    m_changed.notify_all();
}

bool SimulatorLink::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

std::string SimulatorLink::portName() const
{
    std::lock_guard lock(m_mutex);
    return m_name;
}

bool SimulatorLink::configure(const device::LineSettings& settings)
{
    std::lock_guard lock(m_mutex);
    if (!m_open || !device::isValidLineSettings(settings)) {
        return false;
    }
    m_settings = settings;
    applyTiming();
    return true;
}

bool SimulatorLink::setRts(bool raised)
{
    std::lock_guard lock(m_mutex);
    if (!m_open) {
        return false;
    }
    m_rts = raised;
    m_changed.notify_all();
    return true;
}

bool SimulatorLink::setDtr(bool raised)
{
    std::lock_guard lock(m_mutex);
    if (!m_open) {
        return false;
    }
    m_dtr = raised;
    return true;
}

bool SimulatorLink::cts()
{
    std::lock_guard lock(m_mutex);
    return m_open; // the gateway is always ready
}

bool SimulatorLink::rts() const
{
    std::lock_guard lock(m_mutex);
    return m_rts;
}

void SimulatorLink::setLineTiming(bool on)
{
    std::lock_guard lock(m_mutex);
    m_lineTiming = on;
    applyTiming();
}

bool SimulatorLink::purge(bool receive, bool /*transmit*/)
{
    std::lock_guard lock(m_mutex);
    if (!m_open) {
        return false;
    }
    if (receive) {
        m_output.discardArrived(Clock::now());
    }
    return true;
}

WriteStatus SimulatorLink::write(const uint8_t* data, size_t count)
{
    std::unique_lock lock(m_mutex);
    if (m_cancelled) {
        return WriteStatus::cancelled;
    }
    if (!m_open) {
        return WriteStatus::failed;
    }
    // With line timing the bytes take their time on the line, and the write returns once the
    // last has gone, as a port's does; the gateway takes them as they complete.
    const auto start = Clock::now();
    const Clock::duration perByte = m_lineTiming ? characterTime() : Clock::duration::zero();
    const auto end = start + perByte * static_cast<long>(count);
    m_changed.wait_until(lock, end, [this] { return m_cancelled || !m_open; });
    if (!m_open) {
        return WriteStatus::failed;
    }
    const auto now = Clock::now();
    size_t sent = count;
    if (m_cancelled && perByte > Clock::duration::zero()) {
        // Only what left before the cancel reaches the gateway.
        sent = std::min(count, static_cast<size_t>((now - start) / perByte));
    }
    std::vector<Reply> replies = m_gateway->receive(data, sent, now);
    for (Reply& r : m_gateway->lineIdle(now)) {
        replies.push_back(std::move(r));
    }
    for (Reply& r : replies) {
        m_output.queueReply(std::move(r.bytes), r.delay);
    }
    m_changed.notify_all();
    return m_cancelled ? WriteStatus::cancelled : WriteStatus::ok;
}

void SimulatorLink::cancel()
{
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
    m_changed.notify_all();
}

void SimulatorLink::resetCancel()
{
    std::lock_guard lock(m_mutex);
    m_cancelled = false;
}

void SimulatorLink::collectDebugText(Clock::time_point now)
{
    if (m_output.replyPending()) {
        return;
    }
    for (DebugLine& line : m_gateway->debugText(now, m_rts)) {
        m_output.queueAt({line.text.begin(), line.text.end()}, line.at);
    }
}

ReadResult SimulatorLink::read(uint8_t* buffer, size_t capacity, int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (m_cancelled) {
            return {ReadStatus::cancelled, 0};
        }
        if (!m_open) {
            return {ReadStatus::error, 0};
        }
        if (capacity == 0) {
            return {ReadStatus::timeout, 0};
        }
        const auto now = Clock::now();
        m_output.arm(now);
        collectDebugText(now);
        const size_t arrived = m_output.arrived(now);
        // Once bytes are there, wait for a chunk's worth (or the end of the piece) as a USB
        // converter hands them over; never past the time-out.
        const size_t wanted = std::min({capacity, kReadChunk, m_output.frontRemaining()});
        if (arrived > 0 && (arrived >= wanted || now >= deadline)) {
            return {ReadStatus::data, m_output.take(buffer, capacity, now)};
        }
        if (now >= deadline) {
            return {ReadStatus::timeout, 0};
        }
        auto wakeAt = deadline;
        if (const auto at = m_output.arrivalOf(arrived > 0 ? wanted : 1)) {
            wakeAt = std::min(wakeAt, std::max(*at, now));
        }
        if (!m_output.replyPending()) {
            if (const auto at = m_gateway->nextDebugLine(now, m_rts)) {
                wakeAt = std::min(wakeAt, std::max(*at, now));
            }
        }
        if (wakeAt <= now) {
            continue;
        }
        m_changed.wait_until(lock, wakeAt);
    }
}

std::shared_ptr<GatewaySimulator> addSimulatorPort(device::LinkFactory& factory,
                                                   SimulatorOptions options)
{
    auto gateway =
        std::make_shared<GatewaySimulator>(std::move(options.state), std::move(options.faults));
    const bool lineTiming = options.lineTiming;
    factory.addVirtualPort(device::SIMULATOR_PORT_NAME, [gateway, lineTiming] {
        return std::make_unique<SimulatorLink>(gateway, lineTiming);
    });
    return gateway;
}

} // namespace quillan::sim
