#include "document/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillan {

namespace {

std::string directoryOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The permissions of the file being replaced; a new file gets the usual ones.
void takePermissions(int fd, const std::string& path)
{
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        ::fchmod(fd, existing.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
}

// Buffered writes to a descriptor; keeps the first failure for the message.
class DescriptorSink final : public ByteSink {
public:
    explicit DescriptorSink(int fd) : m_fd(fd) { m_buffer.reserve(kBufferBytes); }

    bool write(const uint8_t* data, size_t count) override
    {
        if (!m_error.empty()) {
            return false;
        }
        if (m_buffer.size() + count > kBufferBytes && !drain()) {
            return false;
        }
        if (count >= kBufferBytes) {
            return writeOut(data, count);
        }
        m_buffer.insert(m_buffer.end(), data, data + count);
        return true;
    }

    bool flush() override { return m_error.empty() && drain(); }

    [[nodiscard]] const std::string& error() const { return m_error; }

private:
    static constexpr size_t kBufferBytes = 256 * 1024;

    bool drain()
    {
        const bool written = writeOut(m_buffer.data(), m_buffer.size());
        m_buffer.clear();
        return written;
    }

    bool writeOut(const uint8_t* data, size_t count)
    {
        while (count > 0) {
            const ssize_t n = ::write(m_fd, data, count);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                m_error = std::string("write failed: ") + std::strerror(errno);
                return false;
            }
            data += n;
            count -= static_cast<size_t>(n);
        }
        return true;
    }

    int m_fd;
    std::vector<uint8_t> m_buffer;
    std::string m_error;
};

std::string writeAll(int fd, const std::function<std::string(ByteSink&)>& fill)
{
    DescriptorSink sink(fd);
    const std::string error = fill(sink);
    if (!sink.error().empty()) {
        return sink.error();
    }
    if (!error.empty()) {
        return error;
    }
    if (!sink.flush()) {
        return sink.error();
    }
    if (::fsync(fd) != 0) {
        return std::string("write failed: ") + std::strerror(errno);
    }
    return {};
}

// A name beside the target that nothing uses yet.
std::string freeTempName(const std::string& path)
{
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
    std::string name = path + ".XXXXXX";
    for (size_t i = path.size() + 1; i < name.size(); ++i) {
        name[i] = kLetters[pick(random)];
    }
    return name;
}

void syncDirectory(const std::string& directory)
{
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::string writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes)
{
    return writeFileAtomically(path, [&bytes](ByteSink& sink) {
        (void)sink.write(bytes.data(), bytes.size());
        return std::string();
    });
}

std::string writeFileAtomically(const std::string& path,
                                const std::function<std::string(ByteSink&)>& fill)
{
    const std::string directory = directoryOf(path);
    // An unnamed file gets its name only when it is complete, so a process killed while
    // writing leaves nothing behind.
    int fd = ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    std::string temp;
    const bool unnamed = fd >= 0;
    if (!unnamed) {
        // File systems without unnamed files: a named one from the start.
        temp = path + ".XXXXXX";
        fd = ::mkstemp(temp.data());
        if (fd < 0) {
            return std::string("cannot create a file beside ") + path + ": " + std::strerror(errno);
        }
    }
    takePermissions(fd, path);
    std::string error = writeAll(fd, fill);
    if (unnamed && error.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        for (int attempt = 0; attempt < 100; ++attempt) {
            temp = freeTempName(path);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                break;
            }
            const int why = errno;
            temp.clear();
            if (why != EEXIST) {
                error =
                    std::string("cannot create a file beside ") + path + ": " + std::strerror(why);
                break;
            }
        }
        if (error.empty() && temp.empty()) {
            error = std::string("cannot create a file beside ") + path;
        }
    }
    if (::close(fd) != 0 && error.empty()) {
        error = std::string("write failed: ") + std::strerror(errno);
    }
    if (error.empty() && std::rename(temp.c_str(), path.c_str()) != 0) {
        error = std::string("cannot replace ") + path + ": " + std::strerror(errno);
    }
    if (!error.empty()) {
        if (!temp.empty()) {
            std::remove(temp.c_str());
        }
        return error;
    }
    // The rename itself survives a power cut only once the folder is on disk.
    syncDirectory(directory);
    return {};
}

} // namespace quillan
