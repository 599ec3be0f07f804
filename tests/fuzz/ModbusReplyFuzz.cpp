// Runs one request of the Modbus master (read registers, write a register or write a float
// register) against a reply taken from the input, over a link that serves it at once in reads
// of fuzzed sizes with fuzzed pauses, and every wait set to zero. The outcome must be the one
// a model of the reply rules gives, worked out here with a CRC of its own: the result, the
// error line, the reply kept and the notification to the tab. The master must never ask the
// link for bytes outside its 256-byte reply buffer, nor for more than the reply it expects.
//
// Input: a flags byte (bits 0-1: 0 or 3 read, 1 write, 2 float write; bit 2: a pause reads as
// a cancel; bit 3: the port is closed; bit 4: the end of the stream reads as a port error),
// slave id, register (2 bytes), count or value (2 bytes; a float's four bytes), the read sizes
// and pauses (see Splits; a pause falls after the bytes of the entry that marks it), then the
// reply stream.
#include "FuzzSupport.h"
#include "device/SerialLink.h"
#include "device/modbus/MBCommThread.h"
#include "model/Notifications.h"

#include <bit>
#include <cstring>
#include <string>

using namespace quillan;
using namespace quillan::device;
using namespace quillan::device::modbus;
using Bytes = std::vector<uint8_t>;

namespace {

enum class Op { read, write, writeFloat };

// The reply stream cut into pieces up front, so that where a pause falls does not depend on
// how the master asks for bytes.
class ScriptedLink final : public SerialLink {
public:
    struct Piece {
        size_t size;
        bool pauseAfter;
    };

    ScriptedLink(std::span<const uint8_t> stream, fuzz::Splits splits, bool open)
        : m_stream(stream), m_open(open)
    {
        size_t at = 0;
        while (at < stream.size()) {
            const auto read = splits.next();
            const size_t size = std::min(read.size, stream.size() - at);
            m_pieces.push_back({size, read.pauseAfter});
            at += size;
        }
    }

    bool open(const std::string&) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    std::string portName() const override { return "fuzz"; }
    bool configure(const LineSettings&) override { return m_open; }
    bool setRts(bool) override { return m_open; }
    bool setDtr(bool) override { return m_open; }
    bool cts() override { return m_open; }
    // The reply only comes after the request, so a purge finds nothing to drop.
    bool purge(bool, bool) override { return m_open; }
    WriteStatus write(const uint8_t* data, size_t count) override
    {
        written.insert(written.end(), data, data + count);
        return WriteStatus::ok;
    }
    ReadResult read(uint8_t* buffer, size_t capacity, int timeoutMs) override
    {
        FUZZ_CHECK(timeoutMs == 0);
        FUZZ_CHECK(capacity > 0);
        FUZZ_CHECK(buffer >= replyBuffer &&
                   buffer + capacity <= replyBuffer + MBCommThread::BUFFER_SIZE);
        ++reads;
        if (m_pausePending) {
            m_pausePending = false;
            return {cancelAtPause ? ReadStatus::cancelled : ReadStatus::timeout, 0};
        }
        if (m_piece == m_pieces.size()) {
            return {errorAtEnd ? ReadStatus::error : ReadStatus::timeout, 0};
        }
        const size_t n = std::min(capacity, m_pieces[m_piece].size - m_inPiece);
        std::memcpy(buffer, m_stream.data() + consumed, n);
        consumed += n;
        m_inPiece += n;
        if (m_inPiece == m_pieces[m_piece].size) {
            m_pausePending = m_pieces[m_piece].pauseAfter;
            ++m_piece;
            m_inPiece = 0;
        }
        return {ReadStatus::data, n};
    }
    void cancel() override {}
    void resetCancel() override {}

    // The bytes that come before the first pause, and whether a pause ends them (else the
    // end of the stream does).
    struct Prefix {
        size_t size = 0;
        bool paused = false;
    };
    [[nodiscard]] Prefix beforePause() const
    {
        Prefix prefix;
        for (const Piece& p : m_pieces) {
            prefix.size += p.size;
            if (p.pauseAfter) {
                prefix.paused = true;
                break;
            }
        }
        return prefix;
    }

    const uint8_t* replyBuffer = nullptr;
    bool cancelAtPause = false;
    bool errorAtEnd = false;
    Bytes written;
    size_t consumed = 0;
    int reads = 0;

private:
    std::span<const uint8_t> m_stream;
    std::vector<Piece> m_pieces;
    size_t m_piece = 0;
    size_t m_inPiece = 0;
    bool m_pausePending = false;
    bool m_open;
};

class Sink final : public NotificationSink {
public:
    void notify(const Notification& n) override { all.push_back(n); }
    std::vector<Notification> all;
};

void appendBe16(Bytes& frame, uint16_t v)
{
    frame.push_back(static_cast<uint8_t>(v >> 8));
    frame.push_back(static_cast<uint8_t>(v));
}

Bytes withCrc(Bytes frame)
{
    const uint16_t crc = fuzz::crc16Bitwise(frame, 0xFFFF);
    frame.push_back(static_cast<uint8_t>(crc));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

struct Expected {
    bool ok = false;
    std::string error; // the last Debug line of a failure; empty for a cancel
    size_t replySize = 0;
};

// The reply rules: a read reply is n + 5 bytes (n its third byte), a write reply echoes the
// request, an exception reply is 5 bytes; it must all come before a pause and fit the buffer,
// then slave id, function code and CRC are checked in that order.
Expected model(std::span<const uint8_t> stream, ScriptedLink::Prefix prefix, bool pauseIsCancel,
               bool errorAtEnd, const Bytes& request)
{
    const std::span<const uint8_t> gathered = stream.first(prefix.size);
    const auto cutOff = [&]() -> Expected {
        if (prefix.paused && pauseIsCancel) {
            return {false, "", 0};
        }
        return {false,
                gathered.empty() ? "Modbus Response error: no response received."
                                 : "Modbus Response error: incomplete response.",
                0};
    };
    const uint8_t function = request[1];
    if (gathered.size() < 2) {
        return cutOff();
    }
    size_t size = 0;
    if ((gathered[1] & 0x80) != 0) {
        size = 5;
    } else if (function == 6) {
        size = request.size();
    } else if (gathered.size() < 3) {
        return cutOff();
    } else {
        size = size_t{gathered[2]} + 5;
    }
    if (size > MBCommThread::BUFFER_SIZE) {
        return {false, "Modbus Response error: incomplete response.", 0};
    }
    // A float write's echo is judged at 8 bytes: cut off after them by a pause (not a cancel,
    // not a port error), it fails its CRC check.
    const bool shortEcho = function == 6 && size == 10 && gathered.size() >= 8 &&
                           gathered.size() < size && !(prefix.paused && pauseIsCancel) &&
                           !(!prefix.paused && errorAtEnd);
    if (gathered.size() < size && !shortEcho) {
        return cutOff();
    }
    const auto reply = gathered.first(std::min(size, gathered.size()));
    if (reply[0] != request[0]) {
        return {false, "Modbus Response error: invalid slave id.", 0};
    }
    if (reply[1] != function) {
        return {false, "Modbus Response error: invalid function code.", 0};
    }
    const uint16_t crc = fuzz::crc16Bitwise(reply.first(size - 2), 0xFFFF);
    if (shortEcho || reply[size - 2] != (crc & 0xFF) || reply[size - 1] != (crc >> 8)) {
        return {false, "Modbus Response error: CRC Error.", 0};
    }
    return {true, "Modbus Response: success.", size};
}

std::vector<std::string> debugLines(const Sink& sink)
{
    std::vector<std::string> lines;
    for (const Notification& n : sink.all) {
        if (n.code == MSG_DEBUG_LINE) {
            lines.push_back(n.text);
        }
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6) {
        return 0;
    }
    std::span<const uint8_t> input(data, size);
    const uint8_t flags = input[0];
    const Op op = (flags & 3) == 1 ? Op::write : (flags & 3) == 2 ? Op::writeFloat : Op::read;
    const uint8_t slaveId = input[1];
    const auto reg = static_cast<uint16_t>(input[2] << 8 | input[3]);
    const auto word = static_cast<uint16_t>(input[4] << 8 | input[5]);
    input = input.subspan(6);
    uint16_t low = 0;
    if (op == Op::writeFloat) {
        if (input.size() < 2) {
            return 0;
        }
        low = static_cast<uint16_t>(input[0] << 8 | input[1]);
        input = input.subspan(2);
    }
    fuzz::Splits splits(input);
    const std::span<const uint8_t> stream = input;

    // The request as it must go out, built here.
    Bytes request{slaveId, static_cast<uint8_t>(op == Op::read ? 3 : 6)};
    appendBe16(request, reg);
    appendBe16(request, word);
    if (op == Op::writeFloat) {
        appendBe16(request, low);
    }
    request = withCrc(request);

    const bool closed = (flags & 8) != 0;
    ScriptedLink link(stream, splits, !closed);
    link.cancelAtPause = (flags & 4) != 0;
    link.errorAtEnd = (flags & 16) != 0;
    Sink sink;
    MBCommThread master(link, sink, {0, 0, 0, 0});
    link.replyBuffer = master.response().data();

    bool ok = false;
    switch (op) {
    case Op::read:
        ok = master.readRegisters(reg, word, slaveId);
        break;
    case Op::write:
        ok = master.writeRegister(reg, word, slaveId);
        break;
    case Op::writeFloat:
        ok = master.writeFloatRegister(
            reg, std::bit_cast<float>(static_cast<uint32_t>(word) << 16 | low), slaveId);
        break;
    }

    const std::vector<std::string> lines = debugLines(sink);
    FUZZ_CHECK(!lines.empty());
    if (closed) {
        FUZZ_CHECK(!ok && link.written.empty() && link.reads == 0);
        FUZZ_CHECK(lines.size() == 2 && lines[1] == "Modbus Error: Serial port open failure.");
        return 0;
    }
    FUZZ_CHECK(link.written == request);
    const Bytes sent(master.request().begin(), master.request().end());
    FUZZ_CHECK(sent == request);

    const Expected expected =
        model(stream, link.beforePause(), link.cancelAtPause, link.errorAtEnd, request);
    FUZZ_CHECK(ok == expected.ok);
    // Request line and its one-line trace, then the outcome.
    FUZZ_CHECK(lines.size() >= 2);
    const size_t tabNotes = static_cast<size_t>(
        std::count_if(sink.all.begin(), sink.all.end(), [](const Notification& n) {
            return n.code == MSG_MODBUS_READ || n.code == MSG_MODBUS_WRITE;
        }));
    if (!ok) {
        FUZZ_CHECK(master.response().empty());
        FUZZ_CHECK(tabNotes == 0);
        if (expected.error.empty()) {
            FUZZ_CHECK(lines.size() == 2);
        } else {
            FUZZ_CHECK(lines.size() == 3 && lines[2] == expected.error);
        }
        FUZZ_CHECK(link.consumed <= MBCommThread::BUFFER_SIZE);
        return 0;
    }
    // Not a byte beyond the reply was taken off the line.
    FUZZ_CHECK(link.consumed == expected.replySize);
    const Bytes reply(master.response().begin(), master.response().end());
    FUZZ_CHECK(reply == Bytes(stream.begin(),
                              stream.begin() + static_cast<std::ptrdiff_t>(expected.replySize)));
    const size_t traceLines = (expected.replySize + 14) / 15;
    FUZZ_CHECK(lines.size() == 3 + traceLines && lines[2] == expected.error);
    FUZZ_CHECK(lines[3].rfind("  <-   ", 0) == 0);
    FUZZ_CHECK(tabNotes == 1);
    const Notification& note = sink.all.back();
    FUZZ_CHECK(note.code == (op == Op::read ? MSG_MODBUS_READ : MSG_MODBUS_WRITE));
    FUZZ_CHECK(note.receiver == Receiver::modbusTab && note.delivery == Delivery::sent);
    FUZZ_CHECK(note.step == (op == Op::writeFloat ? 1 : 0));
    return 0;
}
