#include "device/MemorySerialLink.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quillan::device {

bool MemorySerialLink::open(const std::string& portName)
{
    std::lock_guard lock(m_mutex);
    m_open = false;
    m_cancelled = false;
    m_incoming.clear();
    if (m_refuseAll || m_refusedNames.count(portName) != 0) {
        m_changed.notify_all();
        return false;
    }
    m_open = true;
    m_name = portName;
    m_openedNames.push_back(portName);
    m_changed.notify_all();
    return true;
}

void MemorySerialLink::close()
{
    std::lock_guard lock(m_mutex);
    m_open = false;
    m_incoming.clear();
    m_changed.notify_all();
}

bool MemorySerialLink::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

std::string MemorySerialLink::portName() const
{
    std::lock_guard lock(m_mutex);
    return m_name;
}

bool MemorySerialLink::configure(const LineSettings& settings)
{
    std::lock_guard lock(m_mutex);
    if (!m_open || !isValidLineSettings(settings)) {
        return false;
    }
    m_settings = settings;
    return true;
}

bool MemorySerialLink::setRts(bool raised)
{
    std::lock_guard lock(m_mutex);
    m_rts = raised;
    return m_open;
}

bool MemorySerialLink::setDtr(bool raised)
{
    std::lock_guard lock(m_mutex);
    m_dtr = raised;
    return m_open;
}

bool MemorySerialLink::cts()
{
    std::lock_guard lock(m_mutex);
    return m_open && m_cts;
}

bool MemorySerialLink::purge(bool receive, bool /*transmit*/)
{
    std::lock_guard lock(m_mutex);
    if (!m_open) {
        return false;
    }
    ++m_purgeCount;
    if (receive) {
        const auto now = Clock::now();
        std::erase_if(m_incoming, [now](const Piece& p) { return p.due && *p.due <= now; });
    }
    return true;
}

template <class Pred>
void MemorySerialLink::blockUntil(std::unique_lock<std::mutex>& lock,
                                  std::optional<Clock::time_point> deadline, Pred pred)
{
    ++m_blockedCalls;
    m_changed.notify_all();
    if (deadline) {
        m_changed.wait_until(lock, *deadline, pred);
    } else {
        m_changed.wait(lock, pred);
    }
    --m_blockedCalls;
}

WriteStatus MemorySerialLink::write(const uint8_t* data, size_t count)
{
    Responder responder;
    std::vector<uint8_t> bytes(data, data + count);
    {
        std::unique_lock lock(m_mutex);
        if (m_cancelled) {
            return WriteStatus::cancelled;
        }
        if (!m_open || m_failWrites) {
            return WriteStatus::failed;
        }
        if (m_stallWrites) {
            blockUntil(lock, Clock::now() + std::chrono::milliseconds(m_stallMs),
                       [this] { return !m_open || m_cancelled; });
            return m_cancelled ? WriteStatus::cancelled : WriteStatus::failed;
        }
        m_written.insert(m_written.end(), bytes.begin(), bytes.end());
        responder = m_responder;
        m_changed.notify_all();
    }
    if (responder) {
        responder(*this, bytes);
    }
    return WriteStatus::ok;
}

void MemorySerialLink::cancel()
{
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
    m_changed.notify_all();
}

void MemorySerialLink::resetCancel()
{
    std::lock_guard lock(m_mutex);
    m_cancelled = false;
}

void MemorySerialLink::armPieces(Clock::time_point now)
{
    std::optional<Clock::time_point> previous;
    for (Piece& piece : m_incoming) {
        if (!piece.due) {
            const auto base = previous && *previous > now ? *previous : now;
            piece.due = base + piece.delay;
        }
        previous = piece.due;
    }
}

ReadResult MemorySerialLink::read(uint8_t* buffer, size_t capacity, int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    ++m_readCount;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (m_cancelled) {
            return {ReadStatus::cancelled, 0};
        }
        if (!m_open || m_failReads) {
            return {ReadStatus::error, 0};
        }
        if (m_holdReads) {
            blockUntil(lock, std::nullopt,
                       [this] { return !m_holdReads || !m_open || m_cancelled; });
            continue;
        }
        const auto now = Clock::now();
        armPieces(now);
        size_t count = 0;
        while (count < capacity && !m_incoming.empty() && *m_incoming.front().due <= now) {
            Piece& piece = m_incoming.front();
            const size_t n = std::min(capacity - count, piece.bytes.size());
            std::memcpy(buffer + count, piece.bytes.data(), n);
            piece.bytes.erase(piece.bytes.begin(), piece.bytes.begin() + static_cast<long>(n));
            count += n;
            if (piece.bytes.empty()) {
                m_incoming.pop_front();
            }
        }
        if (count > 0) {
            return {ReadStatus::data, count};
        }
        if (now >= deadline) {
            ++m_timedOutReads;
            return {ReadStatus::timeout, 0};
        }
        auto wakeAt = deadline;
        if (!m_incoming.empty() && *m_incoming.front().due < wakeAt) {
            wakeAt = *m_incoming.front().due;
        }
        // Woken early by anything that changes the link; the loop looks again.
        const size_t pieces = m_incoming.size();
        blockUntil(lock, wakeAt, [&] {
            return m_cancelled || !m_open || m_failReads || m_holdReads ||
                   m_incoming.size() != pieces;
        });
    }
}

void MemorySerialLink::setResponder(Responder responder)
{
    std::lock_guard lock(m_mutex);
    m_responder = std::move(responder);
}

void MemorySerialLink::reply(std::vector<uint8_t> bytes, int delayMs)
{
    addPieces(bytes, {}, delayMs, 0);
}

void MemorySerialLink::replyInChunks(const std::vector<uint8_t>& bytes,
                                     const std::vector<size_t>& sizes, int pauseMs)
{
    addPieces(bytes, sizes, 0, pauseMs);
}

void MemorySerialLink::addPieces(const std::vector<uint8_t>& bytes,
                                 const std::vector<size_t>& sizes, int firstDelayMs, int pauseMs)
{
    std::lock_guard lock(m_mutex);
    if (m_dropReplies > 0) {
        --m_dropReplies;
        return;
    }
    size_t offset = 0;
    for (size_t i = 0; offset < bytes.size(); ++i) {
        const size_t n =
            i < sizes.size() ? std::min(sizes[i], bytes.size() - offset) : bytes.size() - offset;
        Piece piece;
        piece.bytes.assign(bytes.begin() + static_cast<long>(offset),
                           bytes.begin() + static_cast<long>(offset + n));
        piece.delay = std::chrono::milliseconds(i == 0 ? firstDelayMs : pauseMs);
        m_incoming.push_back(std::move(piece));
        offset += n;
    }
    m_changed.notify_all();
}

void MemorySerialLink::inject(const std::vector<uint8_t>& bytes)
{
    std::lock_guard lock(m_mutex);
    Piece piece;
    piece.bytes = bytes;
    piece.due = Clock::now();
    m_incoming.push_back(std::move(piece));
    m_changed.notify_all();
}

std::vector<uint8_t> MemorySerialLink::written() const
{
    std::lock_guard lock(m_mutex);
    return m_written;
}

std::vector<uint8_t> MemorySerialLink::takeWritten()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_written, {});
}

bool MemorySerialLink::waitForWritten(size_t count, int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_written.size() >= count; });
}

void MemorySerialLink::refuseOpen(const std::string& portName)
{
    std::lock_guard lock(m_mutex);
    m_refusedNames.insert(portName);
}

void MemorySerialLink::setRefuseAllOpens(bool refuse)
{
    std::lock_guard lock(m_mutex);
    m_refuseAll = refuse;
}

void MemorySerialLink::setFailWrites(bool fail)
{
    std::lock_guard lock(m_mutex);
    m_failWrites = fail;
}

void MemorySerialLink::setStallWrites(bool stall, int stallMs)
{
    std::lock_guard lock(m_mutex);
    m_stallWrites = stall;
    m_stallMs = stallMs;
}

void MemorySerialLink::setHoldReads(bool hold)
{
    std::lock_guard lock(m_mutex);
    m_holdReads = hold;
    m_changed.notify_all();
}

void MemorySerialLink::dropReplies(int count)
{
    std::lock_guard lock(m_mutex);
    m_dropReplies = count;
}

void MemorySerialLink::setFailReads(bool fail)
{
    std::lock_guard lock(m_mutex);
    m_failReads = fail;
    m_changed.notify_all();
}

void MemorySerialLink::unplug()
{
    close();
}

LineSettings MemorySerialLink::settings() const
{
    std::lock_guard lock(m_mutex);
    return m_settings;
}

bool MemorySerialLink::rts() const
{
    std::lock_guard lock(m_mutex);
    return m_rts;
}

bool MemorySerialLink::dtr() const
{
    std::lock_guard lock(m_mutex);
    return m_dtr;
}

void MemorySerialLink::setCts(bool asserted)
{
    std::lock_guard lock(m_mutex);
    m_cts = asserted;
}

std::vector<std::string> MemorySerialLink::openedNames() const
{
    std::lock_guard lock(m_mutex);
    return m_openedNames;
}

int MemorySerialLink::purgeCount() const
{
    std::lock_guard lock(m_mutex);
    return m_purgeCount;
}

int MemorySerialLink::readCount() const
{
    std::lock_guard lock(m_mutex);
    return m_readCount;
}

int MemorySerialLink::timedOutReads() const
{
    std::lock_guard lock(m_mutex);
    return m_timedOutReads;
}

size_t MemorySerialLink::pendingBytes() const
{
    std::lock_guard lock(m_mutex);
    size_t n = 0;
    for (const Piece& piece : m_incoming) {
        n += piece.bytes.size();
    }
    return n;
}

bool MemorySerialLink::waitForBlockedCall(int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return m_blockedCalls > 0; });
}

} // namespace quillan::device
