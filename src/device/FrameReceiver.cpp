#include "device/FrameReceiver.h"

#include "device/Crc16.h"
#include "device/DeviceFrame.h"

#include <algorithm>
#include <cstring>

namespace quillan::device {

FrameReceiver::FrameReceiver(uint8_t* buffer, size_t capacity, FrameSync sync,
                             std::optional<uint8_t> requiredCommand)
    : m_buffer(buffer), m_capacity(capacity), m_requiredCommand(requiredCommand),
      m_state(sync == FrameSync::startByte ? State::seekStart : State::header)
{
}

size_t FrameReceiver::wanted() const
{
    switch (m_state) {
    case State::seekStart:
        return FRAME_HEADER_SIZE;
    case State::header:
        return FRAME_HEADER_SIZE - m_gathered;
    case State::payload:
        return m_length + FRAME_OVERHEAD - m_gathered;
    case State::rejected:
        return m_capacity - m_gathered;
    case State::complete:
    case State::overflow:
        break;
    }
    return 0;
}

void FrameReceiver::take(size_t count)
{
    m_gathered += std::min(count, m_capacity - m_gathered);
    advance();
}

void FrameReceiver::advance()
{
    for (;;) {
        switch (m_state) {
        case State::seekStart: {
            uint8_t* end = m_buffer + m_gathered;
            uint8_t* start = std::find(m_buffer, end, FRAME_START);
            const auto dropped = static_cast<size_t>(start - m_buffer);
            if (dropped > 0) {
                std::memmove(m_buffer, start, static_cast<size_t>(end - start));
                m_gathered -= dropped;
                m_discarded += dropped;
            }
            // A device that only babbles must not hold the reader past its time-out for
            // ever; more than a buffer's worth of noise ends the read.
            if (m_discarded > m_capacity) {
                m_state = State::overflow;
                return;
            }
            if (m_gathered == 0) {
                return;
            }
            m_state = State::header;
            break;
        }
        case State::header:
            if (m_gathered < FRAME_HEADER_SIZE) {
                return;
            }
            m_length = bytes::getU16(m_buffer + 2);
            m_state = m_buffer[0] == FRAME_START && m_length + FRAME_OVERHEAD <= m_capacity
                          ? State::payload
                          : State::rejected;
            break;
        case State::payload: {
            if (m_gathered < m_length + FRAME_OVERHEAD) {
                return;
            }
            const bool crcOk = crc16Arc(m_buffer, FRAME_HEADER_SIZE + m_length) ==
                               bytes::getU16(m_buffer + FRAME_HEADER_SIZE + m_length);
            const bool commandOk = !m_requiredCommand || *m_requiredCommand == m_buffer[1];
            m_state = crcOk && commandOk ? State::complete : State::rejected;
            return;
        }
        case State::rejected:
            if (m_gathered >= m_capacity) {
                m_state = State::overflow;
            }
            return;
        case State::complete:
        case State::overflow:
            return;
        }
    }
}

} // namespace quillan::device
