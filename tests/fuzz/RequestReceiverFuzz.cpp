// Feeds a byte stream to the simulator's request receiver twice: in reads of fuzzed sizes, and
// with everything between two pauses at once. Both must take the same requests off the line,
// each a frame that stands in the stream after the previous one with a check sum that holds,
// and every byte must end up in a request or among the discarded ones.
//
// Input: a flags byte (bit 0: Modbus on), the read sizes and pauses (see Splits), the stream.
#include "FuzzSupport.h"
#include "device/DeviceFrame.h"
#include "sim/RequestReceiver.h"

#include <algorithm>

using namespace quillan;
using namespace quillan::sim;

namespace {

void checkState(const RequestReceiver& receiver, size_t& discarded)
{
    FUZZ_CHECK(receiver.buffered() <= RequestReceiver::kCapacity);
    FUZZ_CHECK(receiver.discarded() >= discarded);
    discarded = receiver.discarded();
}

void idle(RequestReceiver& receiver, std::vector<Request>& out, size_t& discarded)
{
    receiver.lineIdle(out);
    FUZZ_CHECK(receiver.buffered() == 0);
    FUZZ_CHECK(receiver.state() == RequestReceiver::State::seekStart);
    checkState(receiver, discarded);
}

// The bytes the request stood for on the line.
std::vector<uint8_t> frameOf(const Request& request)
{
    if (request.kind == Request::Kind::modbus) {
        return request.bytes;
    }
    std::vector<uint8_t> frame{device::FRAME_START, request.command,
                               static_cast<uint8_t>(request.bytes.size()),
                               static_cast<uint8_t>(request.bytes.size() >> 8)};
    frame.insert(frame.end(), request.bytes.begin(), request.bytes.end());
    const uint16_t crc = fuzz::crc16Bitwise(frame, 0);
    frame.push_back(static_cast<uint8_t>(crc));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) {
        return 0;
    }
    std::span<const uint8_t> input(data, size);
    const bool modbus = (input[0] & 1) != 0;
    input = input.subspan(1);
    fuzz::Splits splits(input);
    const std::span<const uint8_t> stream = input;

    RequestReceiver chunked;
    RequestReceiver whole;
    chunked.setModbusEnabled(modbus);
    whole.setModbusEnabled(modbus);
    std::vector<Request> fromChunks;
    std::vector<Request> fromWhole;
    size_t chunkedDiscarded = 0;
    size_t wholeDiscarded = 0;
    size_t fed = 0;
    size_t sincePause = 0;
    while (fed < stream.size()) {
        const fuzz::Splits::Read read = splits.next();
        const size_t n = std::min(read.size, stream.size() - fed);
        chunked.feed(stream.data() + fed, n, fromChunks);
        checkState(chunked, chunkedDiscarded);
        fed += n;
        if (read.pauseAfter) {
            idle(chunked, fromChunks, chunkedDiscarded);
            whole.feed(stream.data() + sincePause, fed - sincePause, fromWhole);
            checkState(whole, wholeDiscarded);
            idle(whole, fromWhole, wholeDiscarded);
            sincePause = fed;
        }
    }
    whole.feed(stream.data() + sincePause, fed - sincePause, fromWhole);
    checkState(whole, wholeDiscarded);
    idle(chunked, fromChunks, chunkedDiscarded);
    idle(whole, fromWhole, wholeDiscarded);

    FUZZ_CHECK(fromChunks.size() == fromWhole.size());
    FUZZ_CHECK(chunked.discarded() == whole.discarded());
    size_t at = 0;
    size_t taken = 0;
    for (size_t i = 0; i < fromChunks.size(); ++i) {
        const Request& r = fromChunks[i];
        FUZZ_CHECK(r.kind == fromWhole[i].kind && r.command == fromWhole[i].command &&
                   r.bytes == fromWhole[i].bytes);
        const std::vector<uint8_t> frame = frameOf(r);
        if (r.kind == Request::Kind::device) {
            FUZZ_CHECK(r.bytes.size() <= device::MAX_PAYLOAD_SIZE);
        } else {
            FUZZ_CHECK(modbus);
            FUZZ_CHECK(frame.size() >= 4 && frame[0] >= 1 && frame[0] <= 247);
            FUZZ_CHECK(r.command == frame[1]);
            FUZZ_CHECK(fuzz::crc16Bitwise(std::span(frame).first(frame.size() - 2), 0xFFFF) ==
                       fuzz::le16(frame.data() + frame.size() - 2));
        }
        const auto found = std::search(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                       stream.end(), frame.begin(), frame.end());
        FUZZ_CHECK(found != stream.end());
        at = static_cast<size_t>(found - stream.begin()) + frame.size();
        taken += frame.size();
    }
    FUZZ_CHECK(taken + chunked.discarded() == stream.size());
    return 0;
}
