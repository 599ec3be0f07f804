#pragma once

#include "device/SerialLink.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillan::device {

// A serial link in memory, for tests and for devices simulated in-process. The host side is
// the SerialLink interface; the device side scripts what comes back, and fault switches make
// the port refuse to open, fail or stall writes, hold reads, drop replies, fail reads or go
// away.
//
// Replies are timed from the moment the host next starts to read, as a device can only answer
// once it has been asked: a purge between sending and reading does not lose them, while bytes
// that have already arrived (inject) are purged.
class MemorySerialLink final : public SerialLink {
public:
    // Called after every write with the bytes just written, on the writing thread and
    // without the link's lock held; it may call reply().
    using Responder =
        std::function<void(MemorySerialLink& link, const std::vector<uint8_t>& bytes)>;

    MemorySerialLink() = default;
    ~MemorySerialLink() override = default;

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

    // Device side.
    void setResponder(Responder responder);
    // Bytes that arrive delayMs after the previous scripted piece (or, if none is pending,
    // after the host starts its next read).
    void reply(std::vector<uint8_t> bytes, int delayMs = 0);
    // The bytes in pieces of the given sizes (the last piece takes the rest), pauseMs apart;
    // the first piece arrives as the host starts to read.
    void replyInChunks(const std::vector<uint8_t>& bytes, const std::vector<size_t>& sizes,
                       int pauseMs);
    // Bytes that have already arrived at the port.
    void inject(const std::vector<uint8_t>& bytes);
    [[nodiscard]] std::vector<uint8_t> written() const;
    [[nodiscard]] std::vector<uint8_t> takeWritten();
    [[nodiscard]] bool waitForWritten(size_t count, int timeoutMs) const;

    // Fault switches.
    void refuseOpen(const std::string& portName);
    void setRefuseAllOpens(bool refuse);
    void setFailWrites(bool fail);
    // Writes block for stallMs (or until the port closes or the link is cancelled) and then
    // fail.
    void setStallWrites(bool stall, int stallMs = 1000);
    // Reads stay pending, whatever has arrived and whatever their time-out, until the switch
    // is cleared, the port closes or the link is cancelled: a driver that does not come back.
    void setHoldReads(bool hold);
    // The next count scripted replies are never delivered.
    void dropReplies(int count);
    void setFailReads(bool fail);
    // The device went away: pending and later reads and writes fail, and the port closes.
    void unplug();

    // Observations.
    [[nodiscard]] LineSettings settings() const;
    [[nodiscard]] bool rts() const;
    [[nodiscard]] bool dtr() const;
    void setCts(bool asserted);
    [[nodiscard]] std::vector<std::string> openedNames() const;
    [[nodiscard]] int purgeCount() const;
    [[nodiscard]] int readCount() const;
    // Reads that ended because nothing arrived within their time-out.
    [[nodiscard]] int timedOutReads() const;
    // Scripted bytes not yet read.
    [[nodiscard]] size_t pendingBytes() const;
    // Waits until a read or write is blocked waiting (for bytes, a stall or a hold); false if
    // none is within timeoutMs.
    [[nodiscard]] bool waitForBlockedCall(int timeoutMs) const;

private:
    using Clock = std::chrono::steady_clock;

    struct Piece {
        std::vector<uint8_t> bytes;
        std::chrono::milliseconds delay{0};
        std::optional<Clock::time_point> due; // set once the host is listening
    };

    void addPieces(const std::vector<uint8_t>& bytes, const std::vector<size_t>& sizes,
                   int firstDelayMs, int pauseMs);
    void armPieces(Clock::time_point now);
    // Waits on m_changed until pred holds or the deadline (if any) passes, counted as a
    // blocked call.
    template <class Pred>
    void blockUntil(std::unique_lock<std::mutex>& lock, std::optional<Clock::time_point> deadline,
                    Pred pred);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_open = false;
    std::string m_name;
    LineSettings m_settings;
    bool m_rts = false;
    bool m_dtr = false;
    bool m_cts = true;
    std::deque<Piece> m_incoming;
    std::vector<uint8_t> m_written;
    Responder m_responder;
    std::set<std::string> m_refusedNames;
    bool m_refuseAll = false;
    bool m_failWrites = false;
    bool m_stallWrites = false;
    int m_stallMs = 1000;
    bool m_holdReads = false;
    bool m_cancelled = false;
    int m_blockedCalls = 0;
    int m_dropReplies = 0;
    bool m_failReads = false;
    std::vector<std::string> m_openedNames;
    int m_purgeCount = 0;
    int m_readCount = 0;
    int m_timedOutReads = 0;
};

} // namespace quillan::device
