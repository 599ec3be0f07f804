// Feeds a byte stream to the reply receiver the way the frame engines do (never more than it
// wants, in reads of fuzzed sizes) and compares where it ends with a model of the frame rules:
// the frame it completes, the state it waits in, or where it gives up.
//
// Input: a flags byte (bit 0 start-byte sync, bit 1 a required command, bit 2 a small buffer),
// the required command, the small buffer's size less 6, the read sizes (see Splits), then the
// stream.
#include "FuzzSupport.h"
#include "device/DeviceFrame.h"
#include "device/FrameReceiver.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

using namespace quillan;
using namespace quillan::device;
using quillan::fuzz::le16;

namespace {

enum class Outcome { waiting, complete, failed, noise };

struct Expected {
    Outcome outcome = Outcome::waiting;
    size_t start = 0;    // where the frame starts in the stream (bytes dropped before it)
    size_t gathered = 0; // bytes of the frame in the buffer
};

Expected model(std::span<const uint8_t> stream, size_t capacity, FrameSync sync,
               std::optional<uint8_t> required)
{
    Expected e;
    if (sync == FrameSync::startByte) {
        const auto ff = std::find(stream.begin(), stream.end(), FRAME_START);
        e.start = static_cast<size_t>(ff - stream.begin());
        if (e.start > capacity) {
            return {Outcome::noise, 0, 0};
        }
    }
    const auto frame = stream.subspan(e.start);
    e.gathered = frame.size();
    if (frame.size() < FRAME_HEADER_SIZE) {
        return e;
    }
    const size_t length = le16(frame.data() + 2);
    const size_t failAt = frame[0] != FRAME_START || length + FRAME_OVERHEAD > capacity
                              ? FRAME_HEADER_SIZE
                              : length + FRAME_OVERHEAD;
    if (failAt == length + FRAME_OVERHEAD) {
        if (frame.size() < failAt) {
            return e;
        }
        const auto body = frame.first(FRAME_HEADER_SIZE + length);
        if (fuzz::crc16Bitwise(body, 0) == le16(frame.data() + FRAME_HEADER_SIZE + length) &&
            (!required || *required == frame[1])) {
            return {Outcome::complete, e.start, length + FRAME_OVERHEAD};
        }
    }
    // A rejected frame leaves the reader taking bytes until its buffer is full.
    return {Outcome::failed, e.start, std::min(frame.size(), capacity)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3) {
        return 0;
    }
    std::span<const uint8_t> input(data, size);
    const FrameSync sync = (input[0] & 1) != 0 ? FrameSync::startByte : FrameSync::firstByte;
    const std::optional<uint8_t> required =
        (input[0] & 2) != 0 ? std::optional<uint8_t>(input[1]) : std::nullopt;
    const size_t capacity =
        (input[0] & 4) != 0 ? FRAME_OVERHEAD + input[2] % 64 : FRAME_BUFFER_SIZE;
    input = input.subspan(3);
    fuzz::Splits splits(input);
    const std::span<const uint8_t> stream = input;

    // Exactly the capacity, so that a write past the end is caught.
    const auto buffer = std::make_unique<uint8_t[]>(capacity);
    FrameReceiver receiver(buffer.get(), capacity, sync, required);
    size_t fed = 0;
    for (;;) {
        const FrameReceiver::State state = receiver.state();
        if (state == FrameReceiver::State::complete || state == FrameReceiver::State::overflow) {
            break;
        }
        const size_t wanted = receiver.wanted();
        FUZZ_CHECK(receiver.gathered() <= capacity);
        FUZZ_CHECK(wanted <= capacity - receiver.gathered());
        FUZZ_CHECK(receiver.writePosition() == buffer.get() + receiver.gathered());
        if (wanted == 0) {
            // Only a rejected frame that filled the buffer has nothing more to ask for.
            FUZZ_CHECK(state == FrameReceiver::State::rejected && receiver.gathered() == capacity);
            break;
        }
        if (fed == stream.size()) {
            break;
        }
        const size_t n = std::min({wanted, stream.size() - fed, splits.next().size});
        std::memcpy(receiver.writePosition(), stream.data() + fed, n);
        fed += n;
        receiver.take(n);
    }

    const Expected e = model(stream, capacity, sync, required);
    switch (receiver.state()) {
    case FrameReceiver::State::seekStart:
        FUZZ_CHECK(sync == FrameSync::startByte);
        FUZZ_CHECK(e.outcome == Outcome::waiting && e.gathered == 0);
        FUZZ_CHECK(receiver.gathered() == 0 && receiver.discarded() == stream.size());
        break;
    case FrameReceiver::State::header:
    case FrameReceiver::State::payload:
        FUZZ_CHECK(e.outcome == Outcome::waiting);
        FUZZ_CHECK(fed == stream.size());
        FUZZ_CHECK(receiver.gathered() == e.gathered && receiver.discarded() == e.start);
        FUZZ_CHECK(std::memcmp(buffer.get(), stream.data() + e.start, e.gathered) == 0);
        break;
    case FrameReceiver::State::complete: {
        FUZZ_CHECK(e.outcome == Outcome::complete);
        FUZZ_CHECK(receiver.discarded() == e.start && receiver.gathered() == e.gathered);
        FUZZ_CHECK(std::memcmp(buffer.get(), stream.data() + e.start, e.gathered) == 0);
        FUZZ_CHECK(receiver.payloadLength() + FRAME_OVERHEAD == receiver.gathered());
        FUZZ_CHECK(receiver.command() == buffer[1] && receiver.payload() == buffer.get() + 4);
        // The codec's own reading of the same bytes agrees.
        const auto parsed = parseFrame(buffer.get(), receiver.gathered());
        FUZZ_CHECK(parsed && parsed->command == receiver.command());
        FUZZ_CHECK(parsed->payload.size() == receiver.payloadLength());
        FUZZ_CHECK(std::equal(parsed->payload.begin(), parsed->payload.end(), receiver.payload()));
        break;
    }
    case FrameReceiver::State::rejected:
        FUZZ_CHECK(e.outcome == Outcome::failed);
        FUZZ_CHECK(receiver.gathered() == e.gathered && receiver.discarded() == e.start);
        FUZZ_CHECK(fed == stream.size() || receiver.gathered() == capacity);
        break;
    case FrameReceiver::State::overflow:
        if (e.outcome == Outcome::noise) {
            FUZZ_CHECK(receiver.discarded() > capacity);
        } else {
            FUZZ_CHECK(e.outcome == Outcome::failed && e.gathered == capacity);
            FUZZ_CHECK(receiver.gathered() == capacity);
        }
        break;
    }
    return 0;
}
