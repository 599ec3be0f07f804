#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillan {

// A thin wrapper over a platform file handle. File names are texts of the model
// (Windows-1252); they are handed to the platform in its own encoding.
class VelFile final {
public:
    // Mode word of open(). Only the access and create/keep bits act here: POSIX has no
    // mandatory sharing, so the share bits are accepted and ignored, as is bit 15; bit 7
    // keeps the handle from child processes (close-on-exec).
    enum Mode : std::uint32_t {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010, // as is 0x0000
        shareDenyWrite = 0x0020, // others may read
        shareDenyRead = 0x0030,  // others may write
        shareDenyNone = 0x0040,  // others may read and write
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,     // create, emptying an existing file
        modeNoTruncate = 0x2000, // with modeCreate: keep an existing file's contents
    };
    enum class SeekOrigin { begin = 0, current = 1, end = 2 };

    static constexpr std::int64_t kInvalidPosition = -1;

    VelFile() = default;
    ~VelFile();
    VelFile(const VelFile&) = delete;
    VelFile& operator=(const VelFile&) = delete;

    // On failure the name stays stored and the file is not open.
    [[nodiscard]] bool open(const std::string& name, std::uint32_t mode);
    void setFileName(const std::string& name) { m_fileName = name; }

    // Positions and lengths are kInvalidPosition when there is no handle or the call fails.
    [[nodiscard]] std::int64_t getPosition() const;
    std::int64_t seek(std::int64_t distance, SeekOrigin origin);
    // Ends the file at the length (growing it when shorter); the position moves there.
    bool setLength(std::int64_t length);
    [[nodiscard]] std::int64_t getLength();

    // Counts of bytes actually moved; 0 without a handle.
    [[nodiscard]] std::size_t read(void* buffer, std::size_t count);
    std::size_t write(const void* buffer, std::size_t count);
    // Writes the platform's buffers to the disk.
    void flush();

    // Closes the handle and empties the name but leaves the open flag as it was.
    void abort();
    void close();

    [[nodiscard]] bool isOpen() const { return m_open; }
    [[nodiscard]] const std::string& fileName() const { return m_fileName; }

private:
    void closeHandle();

    bool m_open = false;
    std::string m_fileName;
    int m_handle = -1;
};

} // namespace quillan
