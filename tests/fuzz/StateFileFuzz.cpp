// Decodes arbitrary bytes as a simulator state file. A file that is refused leaves the state
// it was to fill alone; one that is taken must hold only what a state may hold, and its state
// must encode to a file that decodes to the same state again.
//
// Input: a mode byte, then the file. In mode 0 the file is taken as it is. Otherwise it is the
// body alone without the image's bytes: the image (a fixed pattern) goes in after the image's
// size field, and the header and check sum are put round it, so that the fuzzer reaches the
// fields behind the check sum and the 97,422-byte image.
#include "FuzzSupport.h"
#include "sim/StateFile.h"

#include <algorithm>
#include <bit>
#include <cstring>

using namespace quillan;
using namespace quillan::sim;

namespace {

constexpr size_t kImageSize = 97'422;
constexpr size_t kHeaderSize = 16;

void appendLe32(std::vector<uint8_t>& out, uint32_t v)
{
    uint8_t b[4];
    bytes::putU32(b, v);
    out.insert(out.end(), b, b + 4);
}

const std::vector<uint8_t>& imagePattern()
{
    static const std::vector<uint8_t> image = [] {
        std::vector<uint8_t> bytes(kImageSize);
        for (size_t k = 0; k < bytes.size(); ++k) {
            bytes[k] = static_cast<uint8_t>(k * 7 + (k >> 9));
        }
        return bytes;
    }();
    return image;
}

// Where the image's bytes start in a body: after type, channel, version length, version text
// and the image's size field.
size_t imageOffset(std::span<const uint8_t> body)
{
    const size_t versionLength = body.size() > 4 ? body[4] : 0;
    return std::min(body.size(), 2 + 2 + 1 + versionLength + 4);
}

std::vector<uint8_t> wrap(std::span<const uint8_t> body)
{
    const size_t at = imageOffset(body);
    std::vector<uint8_t> file{'Z', 'A', 'V', 'S', 'I', 'M', 'S', 'T'};
    appendLe32(file, kStateFormatVersion);
    appendLe32(file, static_cast<uint32_t>(body.size() + kImageSize));
    file.insert(file.end(), body.begin(), body.begin() + static_cast<std::ptrdiff_t>(at));
    file.insert(file.end(), imagePattern().begin(), imagePattern().end());
    file.insert(file.end(), body.begin() + static_cast<std::ptrdiff_t>(at), body.end());
    appendLe32(file, fuzz::crc32(file));
    return file;
}

void checkHoldable(const SimulatorState& state)
{
    FUZZ_CHECK(state.firmwareVersion.size() <= SimulatorState::kMaxVersionLength);
    FUZZ_CHECK(state.firmwareVersion.find('\0') == std::string::npos);
    FUZZ_CHECK(state.projectFile.size() <= 8186);
    // Runs are kept merged: none empty, none touching the next.
    uint64_t end = 0;
    bool first = true;
    size_t total = 0;
    for (const auto& [address, bytes] : state.firmware.runs()) {
        FUZZ_CHECK(!bytes.empty());
        FUZZ_CHECK(first || address > end);
        end = uint64_t{address} + bytes.size();
        FUZZ_CHECK(end <= (uint64_t{1} << 32));
        total += bytes.size();
        first = false;
    }
    FUZZ_CHECK(total <= FirmwareMemory::kCapacity);
}

// Equal, point values compared by their bits so that a NaN equals itself.
bool sameState(const SimulatorState& a, const SimulatorState& b)
{
    const auto bits = [](const SimulatorState& s) {
        std::vector<std::pair<uint16_t, uint64_t>> values;
        for (const auto& [index, value] : s.pointValues) {
            values.emplace_back(index, std::bit_cast<uint64_t>(value));
        }
        return values;
    };
    return a.deviceType == b.deviceType && a.channel == b.channel &&
           a.firmwareVersion == b.firmwareVersion && a.projectFile == b.projectFile &&
           a.firmware == b.firmware && bits(a) == bits(b) &&
           std::memcmp(a.image.bytes().data(), b.image.bytes().data(), kImageSize) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) {
        return 0;
    }
    const std::span<const uint8_t> rest(data + 1, size - 1);
    const bool raw = data[0] == 0;
    const std::vector<uint8_t> file =
        raw ? std::vector<uint8_t>(rest.begin(), rest.end()) : wrap(rest);

    SimulatorState state;
    state.deviceType = 0xBEEF;
    state.firmwareVersion = "untouched";
    state.projectFile = {1, 2, 3};
    const StateFileResult result = decodeState(file, state);
    if (!result.ok()) {
        FUZZ_CHECK(!result.message.empty());
        FUZZ_CHECK(state.deviceType == 0xBEEF && state.firmwareVersion == "untouched");
        FUZZ_CHECK(state.projectFile == std::vector<uint8_t>({1, 2, 3}) && state.firmware.empty());
        return 0;
    }
    checkHoldable(state);
    if (!raw) {
        const auto image = state.image.bytes();
        FUZZ_CHECK(std::memcmp(image.data(), imagePattern().data(), kImageSize) == 0);
    }

    const std::vector<uint8_t> once = encodeState(state);
    FUZZ_CHECK(once.size() >= kHeaderSize + kImageSize);
    SimulatorState again;
    FUZZ_CHECK(decodeState(once, again).ok());
    FUZZ_CHECK(sameState(again, state));
    return 0;
}
