#include "sim/StateFile.h"

#include "model/Bytes.h"
#include "model/Text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

namespace quillan::sim {

namespace {

constexpr std::array<uint8_t, 8> kMagic = {'Z', 'A', 'V', 'S', 'I', 'M', 'S', 'T'};
constexpr size_t kHeaderSize = 16;
constexpr size_t kTrailerSize = 4;
// A real state is about 100 KiB plus the firmware; anything far larger is not ours.
constexpr uintmax_t kMaxFileSize = FirmwareMemory::kCapacity + (4u << 20);
constexpr size_t kMaxProjectSize = 8186;

constexpr std::array<uint32_t, 256> makeCrc32Table()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1) != 0 ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        }
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrc32Table = makeCrc32Table();

uint32_t crc32(std::span<const uint8_t> bytes)
{
    uint32_t c = 0xFFFFFFFFu;
    for (const uint8_t b : bytes) {
        c = kCrc32Table[(c ^ b) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

class Writer {
public:
    void u8(uint8_t v) { m_bytes.push_back(v); }
    void u16(uint16_t v) { field<2>(v, bytes::putU16); }
    void u32(uint32_t v) { field<4>(v, bytes::putU32); }
    void u64(uint64_t v) { field<8>(v, bytes::putU64); }
    void bytes(std::span<const uint8_t> b) { m_bytes.insert(m_bytes.end(), b.begin(), b.end()); }
    void counted(std::span<const uint8_t> b)
    {
        u32(static_cast<uint32_t>(b.size()));
        bytes(b);
    }
    std::vector<uint8_t>& data() { return m_bytes; }

private:
    template <size_t N, class T> void field(T v, void (*put)(uint8_t*, T))
    {
        uint8_t b[N];
        put(b, v);
        m_bytes.insert(m_bytes.end(), b, b + N);
    }

    std::vector<uint8_t> m_bytes;
};

// Reads fields from a span; once a read runs past the end every later read fails too.
class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    [[nodiscard]] bool ok() const { return m_ok; }
    [[nodiscard]] bool atEnd() const { return m_pos == m_bytes.size(); }

    std::span<const uint8_t> take(size_t n)
    {
        if (!m_ok || n > m_bytes.size() - m_pos) {
            m_ok = false;
            return {};
        }
        const auto out = m_bytes.subspan(m_pos, n);
        m_pos += n;
        return out;
    }
    uint8_t u8() { return field<1>()[0]; }
    uint16_t u16() { return bytes::getU16(field<2>().data()); }
    uint32_t u32() { return bytes::getU32(field<4>().data()); }
    uint64_t u64() { return bytes::getU64(field<8>().data()); }

private:
    // A field past the end reads as zeros.
    template <size_t N> std::array<uint8_t, N> field()
    {
        std::array<uint8_t, N> out{};
        const auto b = take(N);
        std::copy(b.begin(), b.end(), out.begin());
        return out;
    }

    std::span<const uint8_t> m_bytes;
    size_t m_pos = 0;
    bool m_ok = true;
};

StateFileResult damaged(const std::string& why)
{
    return {StateFileStatus::damaged, "damaged state file: " + why};
}

} // namespace

std::vector<uint8_t> encodeState(const SimulatorState& state)
{
    Writer body;
    body.u16(state.deviceType);
    body.u16(state.channel);
    const std::string version = state.firmwareVersion.substr(0, SimulatorState::kMaxVersionLength);
    body.u8(static_cast<uint8_t>(version.size()));
    body.bytes({reinterpret_cast<const uint8_t*>(version.data()), version.size()});
    body.counted(state.image.bytes());
    body.counted(state.projectFile);
    body.u32(static_cast<uint32_t>(state.firmware.runs().size()));
    for (const auto& [address, bytes] : state.firmware.runs()) {
        body.u32(address);
        body.counted(bytes);
    }
    body.u32(static_cast<uint32_t>(state.pointValues.size()));
    for (const auto& [index, value] : state.pointValues) {
        body.u16(index);
        body.u64(std::bit_cast<uint64_t>(value));
    }

    Writer file;
    file.bytes(kMagic);
    file.u32(kStateFormatVersion);
    file.counted(body.data());
    file.u32(crc32(file.data()));
    return std::move(file.data());
}

StateFileResult decodeState(std::span<const uint8_t> bytes, SimulatorState& out)
{
    if (bytes.size() < kHeaderSize + kTrailerSize ||
        !std::equal(kMagic.begin(), kMagic.end(), bytes.begin())) {
        return damaged("not a simulator state file");
    }
    Reader header(bytes.subspan(kMagic.size(), 8));
    const uint32_t version = header.u32();
    const uint32_t bodySize = header.u32();
    if (version != kStateFormatVersion) {
        return {StateFileStatus::unsupportedVersion,
                strprintf("state file format %u is not supported (this simulator reads format %u)",
                          version, kStateFormatVersion)};
    }
    if (bodySize != bytes.size() - kHeaderSize - kTrailerSize) {
        return damaged(strprintf("%zu bytes where the header promises %zu", bytes.size(),
                                 size_t{bodySize} + kHeaderSize + kTrailerSize));
    }
    const auto checked = bytes.first(bytes.size() - kTrailerSize);
    if (Reader(bytes.last(kTrailerSize)).u32() != crc32(checked)) {
        return damaged("check sum mismatch");
    }

    Reader r(bytes.subspan(kHeaderSize, bodySize));
    SimulatorState state;
    state.deviceType = r.u16();
    state.channel = r.u16();
    const uint8_t versionLength = r.u8();
    if (versionLength > SimulatorState::kMaxVersionLength) {
        return damaged("version text too long");
    }
    const auto versionBytes = r.take(versionLength);
    state.firmwareVersion.assign(versionBytes.begin(), versionBytes.end());
    if (state.firmwareVersion.find('\0') != std::string::npos) {
        return damaged("version text holds a zero byte");
    }
    if (r.u32() != ConfigImage::kSize) {
        return damaged("configuration image of the wrong size");
    }
    const auto image = ConfigImage::fromBytes(r.take(ConfigImage::kSize));
    if (!r.ok() || !image) {
        return damaged("truncated configuration image");
    }
    state.image = *image;
    const uint32_t projectSize = r.u32();
    if (projectSize > kMaxProjectSize) {
        return damaged("stored project file too large");
    }
    const auto project = r.take(projectSize);
    state.projectFile.assign(project.begin(), project.end());
    const uint32_t runs = r.u32();
    for (uint32_t i = 0; r.ok() && i < runs; ++i) {
        const uint32_t address = r.u32();
        const auto run = r.take(r.u32());
        if (r.ok() && !state.firmware.write(address, run)) {
            return damaged("firmware run outside the program memory");
        }
    }
    const uint32_t values = r.u32();
    for (uint32_t i = 0; r.ok() && i < values; ++i) {
        const uint16_t index = r.u16();
        state.pointValues[index] = std::bit_cast<double>(r.u64());
    }
    if (!r.ok()) {
        return damaged("truncated");
    }
    if (!r.atEnd()) {
        return damaged("unexpected bytes after the last field");
    }
    out = std::move(state);
    return {};
}

StateFileResult loadStateFile(const std::string& path, SimulatorState& out)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return {StateFileStatus::notFound, "no state file " + path};
    }
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        return {StateFileStatus::cannotRead, path + ": " + ec.message()};
    }
    if (size > kMaxFileSize) {
        return {StateFileStatus::damaged, path + ": damaged state file: far too large"};
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!in ||
        !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        return {StateFileStatus::cannotRead, path + ": cannot be read"};
    }
    StateFileResult result = decodeState(bytes, out);
    if (!result.ok()) {
        result.message = path + ": " + result.message;
    }
    return result;
}

StateFileResult saveStateFile(const std::string& path, const SimulatorState& state)
{
    const std::vector<uint8_t> bytes = encodeState(state);
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::remove(temporary.c_str());
            return {StateFileStatus::cannotWrite, temporary + ": cannot be written"};
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::remove(temporary.c_str());
        return {StateFileStatus::cannotWrite, path + ": " + ec.message()};
    }
    return {};
}

} // namespace quillan::sim
