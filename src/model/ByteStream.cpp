#include "model/ByteStream.h"

#include <algorithm>
#include <cstring>

namespace quillan {

size_t MemorySource::read(uint8_t* data, size_t count)
{
    const size_t n = std::min(count, m_size - m_position);
    if (n > 0) {
        std::memcpy(data, m_data + m_position, n);
    }
    m_position += n;
    return n;
}

bool MemorySink::write(const uint8_t* data, size_t count)
{
    m_bytes.insert(m_bytes.end(), data, data + count);
    return true;
}

FileSource::FileSource(std::FILE* file) : m_file(file)
{
    const long start = std::ftell(file);
    if (start >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
        const long end = std::ftell(file);
        if (end >= start) {
            m_size = static_cast<uint64_t>(end - start);
        }
        std::fseek(file, start, SEEK_SET);
    }
}

size_t FileSource::read(uint8_t* data, size_t count)
{
    return std::fread(data, 1, count, m_file);
}

bool FileSink::write(const uint8_t* data, size_t count)
{
    return std::fwrite(data, 1, count, m_file) == count;
}

bool FileSink::flush()
{
    return std::fflush(m_file) == 0;
}

} // namespace quillan
