#include "document/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillan {

std::string writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return std::string("cannot create a file beside ") + path + ": " + std::strerror(errno);
    }
    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        ::fchmod(fd, existing.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    std::string error;
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = std::string("write failed: ") + std::strerror(errno);
            break;
        }
        written += static_cast<size_t>(n);
    }
    if (error.empty() && ::fsync(fd) != 0) {
        error = std::string("write failed: ") + std::strerror(errno);
    }
    if (::close(fd) != 0 && error.empty()) {
        error = std::string("write failed: ") + std::strerror(errno);
    }
    if (error.empty() && std::rename(temp.c_str(), path.c_str()) != 0) {
        error = std::string("cannot replace ") + path + ": " + std::strerror(errno);
    }
    if (!error.empty()) {
        std::remove(temp.c_str());
    }
    return error;
}

} // namespace quillan
