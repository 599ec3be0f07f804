#include "device/ProjectPacking.h"

#include "device/ProjectPackingAllocator.h"

#include <algorithm>

namespace quillan::device {

namespace {

// Preset 6 (liblzma's default) is the nearest to the LZMA SDK's default encoder, which
// gateways have always been given: normal mode (optimal parsing) with a binary-tree match finder hashing
// 4 bytes (BT4), nice length 64 (the SDK's is 32). The packed size decides whether a project
// can be stored at all, and time hardly matters (a project that fits in a frame packs in a few
// ms, at most some 60 ms). Measured with liblzma 5.4 on plant.zavproj (2,914 bytes) and on the
// first 64 KiB of a generated project: preset 6 gives 746 and 3,658 bytes; the hash-chain
// presets 1 and 3 give 775 to 784 and 4,077 to 4,118 (4 to 12 % larger); the extreme variant
// and nice length 273 give the same or larger. Higher presets differ from 6 only by their
// dictionary, which is set below from the input anyway. On the same generated project from
// 256 KiB on (gateways that are copies of each other, 256 KiB packing to about 6.5 KB) preset 3
// wins by 3 to 15 %; the smaller and more varied inputs above count for more.
constexpr uint32_t ENCODER_PRESET = 6;

// What the properties bytes announce, and so the largest dictionary the encoder may use.
constexpr uint32_t ANNOUNCED_DICTIONARY = 16u << 20;

constexpr int LC = 3;
constexpr int LP = 0;
constexpr int PB = 2;

uint32_t readLe32(const uint8_t* p)
{
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void writeLe32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// Ends the stream whatever way the function is left.
class StreamGuard {
public:
    explicit StreamGuard(lzma_stream& stream) : m_stream(stream) {}
    ~StreamGuard() { lzma_end(&m_stream); }
    StreamGuard(const StreamGuard&) = delete;
    StreamGuard& operator=(const StreamGuard&) = delete;

private:
    lzma_stream& m_stream;
};

int statusOf(lzma_ret ret)
{
    switch (ret) {
    case LZMA_OK:
    case LZMA_STREAM_END:
        return PACK_OK;
    case LZMA_MEM_ERROR:
    case LZMA_MEMLIMIT_ERROR:
        return PACK_ERROR_MEM;
    case LZMA_OPTIONS_ERROR:
        return PACK_ERROR_UNSUPPORTED;
    case LZMA_BUF_ERROR: // no more input: the stream ended before its announced size
        return PACK_ERROR_INPUT_EOF;
    default:
        return PACK_ERROR_DATA;
    }
}

UnpackResult unpackFailure(int status)
{
    UnpackResult result;
    result.status = status;
    return result;
}

PackResult packFailure(int status)
{
    PackResult result;
    result.status = status;
    return result;
}

// The LZMA1 properties byte, (pb * 5 + lp) * 9 + lc, decoded into options; false for a byte
// that is no properties set, or for lc + lp above 4, which liblzma cannot decode (the SDK's
// decoder can, but its own encoder never writes it).
bool decodePropertiesByte(uint8_t byte, lzma_options_lzma& options)
{
    if (byte >= 9 * 5 * 5) {
        return false;
    }
    options.lc = byte % 9u;
    options.lp = (byte / 9u) % 5u;
    options.pb = byte / 45u;
    return options.lc + options.lp <= LZMA_LCLP_MAX;
}

} // namespace

PackResult compressBuffer(std::span<const uint8_t> data)
{
    return compressBuffer(data, nullptr);
}

UnpackResult expandBuffer(std::span<const uint8_t> packed)
{
    return expandBuffer(packed, nullptr);
}

PackResult compressBuffer(std::span<const uint8_t> data, const lzma_allocator* allocator)
{
    if (data.size() > UNPACKED_SIZE_LIMIT) {
        return packFailure(PACK_ERROR_PARAM);
    }

    lzma_options_lzma options{};
    if (lzma_lzma_preset(&options, ENCODER_PRESET)) {
        return packFailure(PACK_ERROR_UNSUPPORTED);
    }
    // A dictionary larger than the input holds nothing more; at 16 MiB the encoder would take
    // some 185 MiB. Any decoder given the announced 16 MiB reads what a smaller one wrote.
    options.dict_size = static_cast<uint32_t>(
        std::clamp<size_t>(data.size(), LZMA_DICT_SIZE_MIN, ANNOUNCED_DICTIONARY));
    options.lc = LC;
    options.lp = LP;
    options.pb = PB;
    options.ext_flags = 0; // no end marker
    options.ext_size_low = 0;
    options.ext_size_high = 0;
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};

    lzma_stream stream = LZMA_STREAM_INIT;
    stream.allocator = allocator;
    const lzma_ret init = lzma_raw_encoder(&stream, filters);
    StreamGuard guard(stream);
    if (init != LZMA_OK) {
        return packFailure(statusOf(init));
    }

    PackResult result;
    // Room as the packer has always allocated it; incompressible data grows by about 1/64.
    result.packed.resize(PACKED_HEADER_SIZE + data.size() + data.size() / 3 + 128);
    writeLe32(result.packed.data(), static_cast<uint32_t>(data.size()));
    std::copy(std::begin(PACKED_PROPERTIES), std::end(PACKED_PROPERTIES),
              result.packed.begin() + 4);

    stream.next_in = data.data();
    stream.avail_in = data.size();
    stream.next_out = result.packed.data() + PACKED_HEADER_SIZE;
    stream.avail_out = result.packed.size() - PACKED_HEADER_SIZE;
    lzma_ret ret = LZMA_OK;
    while (ret == LZMA_OK) {
        if (stream.avail_out == 0) {
            const size_t used = result.packed.size();
            result.packed.resize(used * 2);
            stream.next_out = result.packed.data() + used;
            stream.avail_out = result.packed.size() - used;
        }
        ret = lzma_code(&stream, LZMA_FINISH);
    }
    if (ret != LZMA_STREAM_END) {
        return packFailure(statusOf(ret));
    }
    result.packed.resize(PACKED_HEADER_SIZE + stream.total_out);
    return result;
}

UnpackResult expandBuffer(std::span<const uint8_t> packed, const lzma_allocator* allocator)
{
    if (packed.size() < PACKED_HEADER_SIZE) {
        return unpackFailure(PACK_ERROR_INPUT_EOF);
    }
    const uint32_t size = readLe32(packed.data());
    if (size > UNPACKED_SIZE_LIMIT) {
        return unpackFailure(PACK_ERROR_PARAM);
    }

    lzma_options_lzma options{};
    if (!decodePropertiesByte(packed[4], options)) {
        return unpackFailure(PACK_ERROR_UNSUPPORTED);
    }
    // No match reaches back further than the output is long, so a dictionary larger than the
    // output is never needed: a hostile dictionary size costs no more than the output.
    const uint32_t announced = readLe32(packed.data() + 5);
    options.dict_size =
        std::min(std::max(announced, LZMA_DICT_SIZE_MIN), std::max(size, LZMA_DICT_SIZE_MIN));
    // The size stands in front of the stream; an end marker is accepted exactly after it, as
    // an encoder that writes one (xz --format=lzma, the SDK with its end mark) puts it there.
    options.ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
    lzma_set_ext_size(options, size);
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};

    lzma_stream stream = LZMA_STREAM_INIT;
    stream.allocator = allocator;
    const lzma_ret init = lzma_raw_decoder(&stream, filters);
    StreamGuard guard(stream);
    if (init != LZMA_OK) {
        return unpackFailure(statusOf(init));
    }

    // The output grows as it is filled, so that a stream announcing far more than it holds
    // costs no more than what it does hold. It starts at 32 times the stream's length, which a
    // project file packed by LZMA (some 4 to 10 times smaller) fills in one go.
    const size_t streamLength = packed.size() - PACKED_HEADER_SIZE;
    const size_t firstOutput = std::max<size_t>(64u << 10, streamLength * 32);
    UnpackResult result;
    uint8_t nowhere = 0;
    stream.next_in = packed.data() + PACKED_HEADER_SIZE;
    stream.avail_in = streamLength;
    stream.next_out = &nowhere;
    stream.avail_out = 0;
    lzma_ret ret = LZMA_OK;
    while (ret == LZMA_OK) {
        if (stream.avail_out == 0 && result.data.size() < size) {
            const size_t done = result.data.size();
            result.data.resize(std::min<size_t>(size, std::max(firstOutput, done * 2)));
            stream.next_out = result.data.data() + done;
            stream.avail_out = result.data.size() - done;
        }
        ret = lzma_code(&stream, LZMA_FINISH);
    }
    if (ret != LZMA_STREAM_END) {
        return unpackFailure(statusOf(ret));
    }
    // Bytes after the stream's end belong to nothing: not the stream this header announced.
    if (stream.avail_in != 0 || stream.total_out != size) {
        return unpackFailure(PACK_ERROR_DATA);
    }
    return result;
}

} // namespace quillan::device
