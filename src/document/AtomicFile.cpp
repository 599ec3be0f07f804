#include "document/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
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

std::string baseNameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

constexpr size_t kRandomLetters = 6;
constexpr char kIntermediateEnd[] = ".saving";

// ".NAME.XXXXXX.saving" beside the target, XXXXXX random: the name a finished file holds
// for the moment before it replaces the target.
std::string intermediateName(const std::string& directory, const std::string& base)
{
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
    std::string letters(kRandomLetters, 'X');
    for (char& letter : letters) {
        letter = kLetters[pick(random)];
    }
    return directory + "/." + base + "." + letters + kIntermediateEnd;
}

// A process killed between linking a finished file to its intermediate name and the rename
// leaves it there (complete, a copy of an old or a new version); a later save of the same
// file clears such names away. A live save holds one only for the length of a rename.
void clearIntermediates(const std::string& directory, const std::string& base)
{
    const std::string start = "." + base + ".";
    const size_t length = start.size() + kRandomLetters + sizeof kIntermediateEnd - 1;
    DIR* folder = ::opendir(directory.c_str());
    if (folder == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() == length && name.compare(0, start.size(), start) == 0 &&
            name.compare(length - (sizeof kIntermediateEnd - 1), std::string::npos,
                         kIntermediateEnd) == 0) {
            (void)::unlinkat(::dirfd(folder), name.c_str(), 0);
        }
    }
    ::closedir(folder);
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
    const std::string base = baseNameOf(path);
    if (unnamed && error.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        // A new file takes its name in one step. Linux cannot link over an existing name, so a
        // replacement takes an intermediate name first and is renamed over the target at once.
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno != EEXIST) {
                error = std::string("cannot create ") + path + ": " + std::strerror(errno);
            }
            for (int attempt = 0; error.empty() && temp.empty() && attempt < 100; ++attempt) {
                temp = intermediateName(directory, base);
                if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) !=
                    0) {
                    const int why = errno;
                    temp.clear();
                    if (why != EEXIST) {
                        error = std::string("cannot create a file beside ") + path + ": " +
                                std::strerror(why);
                    }
                }
            }
            if (error.empty() && temp.empty()) {
                error = std::string("cannot create a file beside ") + path;
            }
            if (error.empty() && std::rename(temp.c_str(), path.c_str()) != 0) {
                error = std::string("cannot replace ") + path + ": " + std::strerror(errno);
            }
        }
    }
    if (::close(fd) != 0 && error.empty()) {
        error = std::string("write failed: ") + std::strerror(errno);
    }
    if (!unnamed && error.empty() && std::rename(temp.c_str(), path.c_str()) != 0) {
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
    if (unnamed) {
        clearIntermediates(directory, base);
    }
    return {};
}

} // namespace quillan
