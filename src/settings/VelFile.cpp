#include "settings/VelFile.h"

#include "model/Text.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quillan {

namespace {

constexpr std::uint32_t kAccessMask = 0x0003;

} // namespace

VelFile::~VelFile()
{
    closeHandle();
}

bool VelFile::open(const std::string& name, std::uint32_t mode)
{
    closeHandle();
    m_open = false;
    m_fileName = name;

    int flags = 0;
    switch (mode & kAccessMask) {
    case modeRead:
        flags = O_RDONLY;
        break;
    case modeWrite:
        flags = O_WRONLY;
        break;
    case modeReadWrite:
        flags = O_RDWR;
        break;
    default:
        return false;
    }
    if (mode & modeCreate) {
        flags |= O_CREAT;
        if (!(mode & modeNoTruncate)) {
            flags |= O_TRUNC;
        }
    }
    if (mode & modeNoInherit) {
        flags |= O_CLOEXEC;
    }
    const std::string platformName = cp1252ToUtf8(name);
    int handle = -1;
    do {
        handle = ::open(platformName.c_str(), flags, 0666);
    } while (handle < 0 && errno == EINTR);
    if (handle < 0) {
        return false;
    }
    m_handle = handle;
    m_open = true;
    return true;
}

std::int64_t VelFile::getPosition() const
{
    if (m_handle < 0) {
        return kInvalidPosition;
    }
    const off_t position = ::lseek(m_handle, 0, SEEK_CUR);
    return position < 0 ? kInvalidPosition : static_cast<std::int64_t>(position);
}

std::int64_t VelFile::seek(std::int64_t distance, SeekOrigin origin)
{
    if (m_handle < 0) {
        return kInvalidPosition;
    }
    int whence = SEEK_SET;
    if (origin == SeekOrigin::current) {
        whence = SEEK_CUR;
    } else if (origin == SeekOrigin::end) {
        whence = SEEK_END;
    }
    const off_t position = ::lseek(m_handle, static_cast<off_t>(distance), whence);
    return position < 0 ? kInvalidPosition : static_cast<std::int64_t>(position);
}

bool VelFile::setLength(std::int64_t length)
{
    if (seek(length, SeekOrigin::begin) != length) {
        return false;
    }
    return ::ftruncate(m_handle, static_cast<off_t>(length)) == 0;
}

std::int64_t VelFile::getLength()
{
    const std::int64_t position = getPosition();
    if (position == kInvalidPosition) {
        return kInvalidPosition;
    }
    const std::int64_t length = seek(0, SeekOrigin::end);
    seek(position, SeekOrigin::begin);
    return length;
}

std::size_t VelFile::read(void* buffer, std::size_t count)
{
    if (count == 0 || m_handle < 0) {
        return 0;
    }
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(m_handle, bytes + done, count - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t VelFile::write(const void* buffer, std::size_t count)
{
    if (count == 0 || m_handle < 0) {
        return 0;
    }
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_handle, bytes + done, count - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void VelFile::flush()
{
    if (m_handle >= 0) {
        ::fsync(m_handle);
    }
}

void VelFile::abort()
{
    closeHandle();
    m_fileName.clear();
}

void VelFile::close()
{
    closeHandle();
    m_open = false;
    m_fileName.clear();
}

void VelFile::closeHandle()
{
    if (m_handle >= 0) {
        ::close(m_handle);
        m_handle = -1;
    }
}

} // namespace quillan
