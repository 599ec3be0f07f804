#include "sim/LineOutput.h"

#include <algorithm>
#include <cstring>

namespace quillan::sim {

void LineOutput::queueReply(std::vector<uint8_t> bytes, std::chrono::milliseconds delay)
{
    if (bytes.empty()) {
        return;
    }
    Piece piece;
    piece.bytes = std::move(bytes);
    piece.reply = true;
    piece.delay = delay;
    m_pieces.push_back(std::move(piece));
}

void LineOutput::queueAt(std::vector<uint8_t> bytes, Clock::time_point start)
{
    if (bytes.empty()) {
        return;
    }
    Piece piece;
    piece.bytes = std::move(bytes);
    piece.notBefore = start;
    m_pieces.push_back(std::move(piece));
    // Armed at once unless it waits behind a reply that is not.
    if (m_pieces.size() == 1 || m_pieces[m_pieces.size() - 2].start) {
        armFrom(m_pieces.size() - 1, start);
    }
}

void LineOutput::arm(Clock::time_point now)
{
    for (size_t i = 0; i < m_pieces.size(); ++i) {
        if (!m_pieces[i].start) {
            armFrom(i, now);
            return;
        }
    }
}

void LineOutput::armFrom(size_t first, Clock::time_point now)
{
    for (size_t i = first; i < m_pieces.size(); ++i) {
        Piece& piece = m_pieces[i];
        if (piece.start) {
            continue;
        }
        Clock::time_point start = now + piece.delay;
        if (piece.notBefore) {
            start = std::max(start, *piece.notBefore);
        }
        if (i > 0) {
            const Piece& previous = m_pieces[i - 1];
            start = std::max(start, arrivalOfByte(previous, previous.bytes.size() - 1));
        }
        piece.start = start;
    }
}

LineOutput::Clock::time_point LineOutput::arrivalOfByte(const Piece& piece, size_t index) const
{
    return *piece.start + m_characterTime * static_cast<long>(index + 1);
}

size_t LineOutput::arrivedIn(const Piece& piece, Clock::time_point now) const
{
    if (!piece.start || now < *piece.start) {
        return 0;
    }
    if (m_characterTime == Clock::duration::zero()) {
        return piece.bytes.size();
    }
    const auto n = static_cast<size_t>((now - *piece.start) / m_characterTime);
    return std::min(n, piece.bytes.size());
}

size_t LineOutput::arrived(Clock::time_point now) const
{
    size_t n = 0;
    for (const Piece& piece : m_pieces) {
        const size_t in = arrivedIn(piece, now);
        n += in - std::min(in, piece.taken);
        if (in < piece.bytes.size()) {
            break;
        }
    }
    return n;
}

size_t LineOutput::take(uint8_t* out, size_t max, Clock::time_point now)
{
    size_t n = 0;
    while (n < max && !m_pieces.empty()) {
        Piece& piece = m_pieces.front();
        const size_t in = arrivedIn(piece, now);
        const size_t available = in - std::min(in, piece.taken);
        const size_t k = std::min(available, max - n);
        std::memcpy(out + n, piece.bytes.data() + piece.taken, k);
        piece.taken += k;
        n += k;
        if (piece.taken < piece.bytes.size()) {
            break;
        }
        m_pieces.pop_front();
    }
    return n;
}

void LineOutput::discardArrived(Clock::time_point now)
{
    while (!m_pieces.empty()) {
        Piece& piece = m_pieces.front();
        piece.taken = std::max(piece.taken, arrivedIn(piece, now));
        if (piece.taken < piece.bytes.size()) {
            return;
        }
        m_pieces.pop_front();
    }
}

size_t LineOutput::pending() const
{
    size_t n = 0;
    for (const Piece& piece : m_pieces) {
        n += piece.bytes.size() - piece.taken;
    }
    return n;
}

bool LineOutput::replyPending() const
{
    return std::any_of(m_pieces.begin(), m_pieces.end(), [](const Piece& p) { return p.reply; });
}

size_t LineOutput::frontRemaining() const
{
    return m_pieces.empty() ? 0 : m_pieces.front().bytes.size() - m_pieces.front().taken;
}

std::optional<LineOutput::Clock::time_point> LineOutput::arrivalOf(size_t count) const
{
    if (m_pieces.empty() || !m_pieces.front().start || count == 0) {
        return std::nullopt;
    }
    const Piece& piece = m_pieces.front();
    const size_t index = std::min(piece.taken + count, piece.bytes.size()) - 1;
    return arrivalOfByte(piece, index);
}

} // namespace quillan::sim
