#include "sim/FirmwareMemory.h"

#include <algorithm>

namespace quillan::sim {

size_t FirmwareMemory::size() const
{
    size_t n = 0;
    for (const auto& [address, bytes] : m_runs) {
        n += bytes.size();
    }
    return n;
}

bool FirmwareMemory::write(uint32_t address, std::span<const uint8_t> bytes)
{
    if (bytes.empty()) {
        return true;
    }
    const uint64_t end = uint64_t{address} + bytes.size();
    if (end > (uint64_t{1} << 32) || size() + bytes.size() > kCapacity) {
        return false;
    }
    // Gather every run that touches [address, end) into one and lay the new bytes over it.
    uint64_t start = address;
    uint64_t stop = end;
    auto first = m_runs.upper_bound(address);
    if (first != m_runs.begin()) {
        const auto before = std::prev(first);
        if (before->first + uint64_t{before->second.size()} >= address) {
            first = before;
        }
    }
    auto last = first;
    while (last != m_runs.end() && last->first <= end) {
        start = std::min<uint64_t>(start, last->first);
        stop = std::max<uint64_t>(stop, last->first + uint64_t{last->second.size()});
        ++last;
    }
    std::vector<uint8_t> merged(static_cast<size_t>(stop - start));
    for (auto it = first; it != last; ++it) {
        std::copy(it->second.begin(), it->second.end(),
                  merged.begin() + static_cast<std::ptrdiff_t>(it->first - start));
    }
    std::copy(bytes.begin(), bytes.end(),
              merged.begin() + static_cast<std::ptrdiff_t>(address - start));
    m_runs.erase(first, last);
    m_runs.emplace(static_cast<uint32_t>(start), std::move(merged));
    return true;
}

std::optional<uint8_t> FirmwareMemory::byteAt(uint32_t address) const
{
    auto it = m_runs.upper_bound(address);
    if (it == m_runs.begin()) {
        return std::nullopt;
    }
    --it;
    const uint64_t offset = uint64_t{address} - it->first;
    if (offset >= it->second.size()) {
        return std::nullopt;
    }
    return it->second[static_cast<size_t>(offset)];
}

std::optional<FirmwareMemory::FlatImage> FirmwareMemory::flatImage() const
{
    if (m_runs.empty()) {
        return std::nullopt;
    }
    const uint32_t low = m_runs.begin()->first;
    const auto& [lastAddress, lastBytes] = *m_runs.rbegin();
    const uint64_t size = uint64_t{lastAddress} + lastBytes.size() - low;
    if (size > kMaxFlatSize) {
        return std::nullopt;
    }
    FlatImage image{low, std::vector<uint8_t>(static_cast<size_t>(size), kErased)};
    for (const auto& [address, bytes] : m_runs) {
        std::copy(bytes.begin(), bytes.end(),
                  image.bytes.begin() + static_cast<std::ptrdiff_t>(address - low));
    }
    return image;
}

} // namespace quillan::sim
