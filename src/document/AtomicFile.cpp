#include "document/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

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

std::string writeAll(int fd, const std::vector<uint8_t>& bytes)
{
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::string("write failed: ") + std::strerror(errno);
        }
        written += static_cast<size_t>(n);
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
            return std::string("cannot create a file beside ") + path + ": " +
                   std::strerror(errno);
        }
    }
    takePermissions(fd, path);
    std::string error = writeAll(fd, bytes);
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
                error = std::string("cannot create a file beside ") + path + ": " +
                        std::strerror(why);
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
