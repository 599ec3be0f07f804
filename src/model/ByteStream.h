#pragma once

#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

namespace quillan {

// Where an archive reads from. size() is the total length, so that a length field that
// promises more than the stream holds can be refused before anything is allocated.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Returns the number of bytes read; fewer than asked only at the end of the stream.
    virtual size_t read(uint8_t* data, size_t count) = 0;
    [[nodiscard]] virtual uint64_t size() const = 0;
};

// Where an archive writes to.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    [[nodiscard]] virtual bool write(const uint8_t* data, size_t count) = 0;
    [[nodiscard]] virtual bool flush() { return true; }
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    explicit MemorySource(const std::vector<uint8_t>& bytes)
        : MemorySource(bytes.data(), bytes.size())
    {
    }
    size_t read(uint8_t* data, size_t count) override;
    [[nodiscard]] uint64_t size() const override { return m_size; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
};

class MemorySink final : public ByteSink {
public:
    [[nodiscard]] bool write(const uint8_t* data, size_t count) override;
    [[nodiscard]] const std::vector<uint8_t>& bytes() const { return m_bytes; }
    // The bytes written, handed over without a copy; the sink is empty afterwards.
    [[nodiscard]] std::vector<uint8_t> take() { return std::move(m_bytes); }
    void reserve(size_t bytes) { m_bytes.reserve(bytes); }

private:
    std::vector<uint8_t> m_bytes;
};

// Over a stdio stream opened by the caller; the caller closes it.
class FileSource final : public ByteSource {
public:
    explicit FileSource(std::FILE* file);
    size_t read(uint8_t* data, size_t count) override;
    [[nodiscard]] uint64_t size() const override { return m_size; }

private:
    std::FILE* m_file;
    uint64_t m_size = 0;
};

class FileSink final : public ByteSink {
public:
    explicit FileSink(std::FILE* file) : m_file(file) {}
    [[nodiscard]] bool write(const uint8_t* data, size_t count) override;
    [[nodiscard]] bool flush() override;

private:
    std::FILE* m_file;
};

} // namespace quillan
