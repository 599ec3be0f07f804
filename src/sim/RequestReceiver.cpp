#include "sim/RequestReceiver.h"

#include "device/Crc16.h"

#include <algorithm>
#include <cstring>

namespace quillan::sim {

namespace {

constexpr uint16_t kFirstFloatRegister = 7001;

uint16_t getBe16(const uint8_t* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

} // namespace

bool RequestReceiver::canStart(uint8_t byte) const
{
    return byte == device::FRAME_START || (m_modbus && byte >= 1 && byte <= 247);
}

void RequestReceiver::feed(const uint8_t* data, size_t count, std::vector<Request>& out)
{
    while (count > 0) {
        if (m_size == kCapacity) {
            // Only a frame that cannot complete fills the buffer; give it up.
            resync();
            scan(out);
            continue;
        }
        const size_t n = std::min(count, kCapacity - m_size);
        std::memcpy(m_buffer.data() + m_size, data, n);
        m_size += n;
        data += n;
        count -= n;
        scan(out);
    }
}

void RequestReceiver::lineIdle(std::vector<Request>& out)
{
    while (m_size > 0) {
        if (m_state == State::modbusToPause) {
            const size_t n = m_size;
            if (n >= 4 && device::crc16Update(0xFFFF, m_buffer.data(), n - 2) ==
                              (m_buffer[n - 2] | (m_buffer[n - 1] << 8))) {
                emit(Request::Kind::modbus, n, out);
                continue;
            }
        }
        resync();
        scan(out);
    }
    m_state = State::seekStart;
}

void RequestReceiver::resync()
{
    size_t drop = std::min<size_t>(1, m_size);
    while (drop < m_size && !canStart(m_buffer[drop])) {
        ++drop;
    }
    m_discarded += drop;
    consume(drop);
}

void RequestReceiver::consume(size_t count)
{
    std::memmove(m_buffer.data(), m_buffer.data() + count, m_size - count);
    m_size -= count;
    m_state = State::seekStart;
}

void RequestReceiver::emit(Request::Kind kind, size_t frameSize, std::vector<Request>& out)
{
    Request request;
    request.kind = kind;
    request.command = m_buffer[1];
    if (kind == Request::Kind::device) {
        request.bytes.assign(m_buffer.begin() + device::FRAME_HEADER_SIZE,
                             m_buffer.begin() + static_cast<std::ptrdiff_t>(frameSize - 2));
    } else {
        request.bytes.assign(m_buffer.begin(),
                             m_buffer.begin() + static_cast<std::ptrdiff_t>(frameSize));
    }
    out.push_back(std::move(request));
    consume(frameSize);
}

void RequestReceiver::scan(std::vector<Request>& out)
{
    for (;;) {
        switch (m_state) {
        case State::seekStart:
            if (m_size == 0) {
                return;
            }
            if (!canStart(m_buffer[0])) {
                resync();
                break;
            }
            m_state =
                m_buffer[0] == device::FRAME_START ? State::deviceHeader : State::modbusHeader;
            break;
        case State::deviceHeader:
            if (m_size < device::FRAME_HEADER_SIZE) {
                return;
            }
            m_expected = bytes::getU16(m_buffer.data() + 2) + device::FRAME_OVERHEAD;
            if (m_expected > kCapacity) {
                resync();
                break;
            }
            m_state = State::devicePayload;
            break;
        case State::devicePayload: {
            if (m_size < m_expected) {
                return;
            }
            const size_t body = m_expected - 2;
            if (device::crc16Arc(m_buffer.data(), body) ==
                bytes::getU16(m_buffer.data() + body)) {
                emit(Request::Kind::device, m_expected, out);
            } else {
                resync();
            }
            break;
        }
        case State::modbusHeader: {
            if (m_size < 2) {
                return;
            }
            const uint8_t function = m_buffer[1];
            if (function >= 1 && function <= 5) {
                m_expected = 8;
            } else if (function == 6) {
                // A write to the floating-point table carries four value bytes.
                if (m_size < 4) {
                    return;
                }
                m_expected = getBe16(m_buffer.data() + 2) >= kFirstFloatRegister ? 10 : 8;
            } else if (function == 15 || function == 16) {
                if (m_size < 7) {
                    return;
                }
                m_expected = 9 + size_t{m_buffer[6]};
            } else {
                m_state = State::modbusToPause;
                break;
            }
            m_state = State::modbusBody;
            break;
        }
        case State::modbusBody: {
            if (m_size < m_expected) {
                return;
            }
            const size_t body = m_expected - 2;
            if (device::crc16Update(0xFFFF, m_buffer.data(), body) ==
                (m_buffer[body] | (m_buffer[body + 1] << 8))) {
                emit(Request::Kind::modbus, m_expected, out);
            } else {
                resync();
            }
            break;
        }
        case State::modbusToPause:
            if (m_size <= kModbusMaxFrame) {
                return;
            }
            resync();
            break;
        }
    }
}

} // namespace quillan::sim
