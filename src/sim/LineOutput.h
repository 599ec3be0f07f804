#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace quillan::sim {

// Bytes on their way along one direction of a line, with the time each reaches the other end:
// what the gateway sends, and in the simulator process what it receives. Pieces go out one
// after the other; with line timing each byte takes the time of one character on the line,
// without it a piece arrives whole at its start.
//
// A reply starts once it is armed, which a link does when the host starts to read: a device
// answers only once it has been asked, and a purge between the request and the read must not
// eat the answer. Spontaneous text starts at the time it is queued for.
class LineOutput {
public:
    using Clock = std::chrono::steady_clock;

    // Zero turns line timing off.
    void setCharacterTime(Clock::duration time) { m_characterTime = time; }
    [[nodiscard]] Clock::duration characterTime() const { return m_characterTime; }

    // A reply that starts delay after it is armed (and not before the previous piece ends).
    void queueReply(std::vector<uint8_t> bytes, std::chrono::milliseconds delay);
    // Bytes that start at start (or when the previous piece ends).
    void queueAt(std::vector<uint8_t> bytes, Clock::time_point start);
    // Starts the clock of every reply not yet armed.
    void arm(Clock::time_point now);

    // Bytes that have arrived by now and are not taken yet.
    [[nodiscard]] size_t arrived(Clock::time_point now) const;
    // Takes up to max arrived bytes.
    size_t take(uint8_t* out, size_t max, Clock::time_point now);
    // Drops the bytes that have arrived; bytes still on their way are kept.
    void discardArrived(Clock::time_point now);
    void clear() { m_pieces.clear(); }

    // Bytes not taken yet, arrived or not.
    [[nodiscard]] size_t pending() const;
    [[nodiscard]] bool empty() const { return m_pieces.empty(); }
    // A reply is queued and not fully taken.
    [[nodiscard]] bool replyPending() const;
    // When count bytes of the piece at the front (those already arrived included) will have
    // arrived; none when nothing is armed.
    [[nodiscard]] std::optional<Clock::time_point> arrivalOf(size_t count) const;
    // Bytes left in the piece at the front.
    [[nodiscard]] size_t frontRemaining() const;

private:
    struct Piece {
        std::vector<uint8_t> bytes;
        size_t taken = 0;
        bool reply = false;
        std::chrono::milliseconds delay{0};
        std::optional<Clock::time_point> notBefore;
        std::optional<Clock::time_point> start; // set once armed
    };

    [[nodiscard]] Clock::time_point arrivalOfByte(const Piece& piece, size_t index) const;
    [[nodiscard]] size_t arrivedIn(const Piece& piece, Clock::time_point now) const;
    void armFrom(size_t first, Clock::time_point now);

    std::deque<Piece> m_pieces;
    Clock::duration m_characterTime{0};
};

} // namespace quillan::sim
