#include "SimTestSupport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace quillan::simtest {

using Clock = std::chrono::steady_clock;

namespace {

int remainingMs(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

ConfigImage modbusImage()
{
    ConfigImage image;
    PortRecord config;
    config.baudRate = 57600;
    config.dataBits = 8;
    config.stopBits = StopBits::one;
    config.parity = Parity::none;
    config.protocol = PortProtocol::modbusSlave;
    config.slaveId = kSlaveId;
    image.setPort(0, config);

    int32_t points = 0;
    const PointFormat formats[] = {PointFormat::shortInt, PointFormat::shortInt,
                                   PointFormat::floatValue, PointFormat::floatValue};
    for (const PointFormat f : formats) {
        image.write(*image.appendRecord(BlockType::dataStore, points),
                    DataStoreRecord{0, static_cast<uint16_t>(f)});
    }
    int32_t imports = 0;
    for (const uint16_t point : {0, 3}) {
        ImportRecord record;
        record.index = point;
        record.sourceType = SourceType::localIo;
        image.write(*image.appendRecord(BlockType::imports, imports), record);
    }
    int32_t maps = 0;
    const MapRecord map[] = {
        {0, kReadOnlyRegister, 1, MapAttribute::value, PointFormat::shortInt},
        {1, kWritableRegister, 1, MapAttribute::value, PointFormat::shortInt},
        {1, kTimestampRegister, 1, MapAttribute::timestamp, PointFormat::shortInt},
        {2, kWritableFloat, 1, MapAttribute::value, PointFormat::floatValue},
        {3, kReadOnlyFloat, 1, MapAttribute::value, PointFormat::floatValue},
    };
    for (const MapRecord& record : map) {
        image.write(*image.appendRecord(BlockType::modbusMap, maps), record);
    }
    return image;
}

void appendMappedPoints(ConfigImage& image, uint16_t firstRegister, unsigned count,
                        PointFormat format)
{
    int32_t points = static_cast<int32_t>(image.pageCount(BlockType::dataStore, 0));
    int32_t maps = static_cast<int32_t>(image.pageCount(BlockType::modbusMap, 0));
    for (unsigned i = 0; i < count; ++i) {
        const auto point = static_cast<uint16_t>(points);
        image.write(*image.appendRecord(BlockType::dataStore, points),
                    DataStoreRecord{0, static_cast<uint16_t>(format)});
        image.write(*image.appendRecord(BlockType::modbusMap, maps),
                    MapRecord{point, static_cast<uint16_t>(firstRegister + i), 1,
                              MapAttribute::value, format});
    }
}

std::string firstDifference(const ConfigImage& actual, const ConfigImage& expected)
{
    const auto a = actual.bytes();
    const auto e = expected.bytes();
    const auto at = std::mismatch(a.begin(), a.end(), e.begin()).first;
    if (at == a.end()) {
        return {};
    }
    const auto offset = static_cast<size_t>(at - a.begin());
    char text[80];
    std::snprintf(text, sizeof text, "byte %zu is 0x%02X, expected 0x%02X", offset, a[offset],
                  e[offset]);
    return text;
}

Bytes withModbusCrc(Bytes frame)
{
    uint16_t crc = 0xFFFF;
    for (const uint8_t b : frame) {
        crc ^= b;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<uint16_t>(crc >> 1);
        }
    }
    frame.push_back(static_cast<uint8_t>(crc));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

PosixTestLink::PosixTestLink() : m_cancelFd(::eventfd(0, EFD_NONBLOCK)) {}

PosixTestLink::~PosixTestLink()
{
    close();
    if (m_cancelFd >= 0) {
        ::close(m_cancelFd);
    }
}

void PosixTestLink::cancel()
{
    const uint64_t one = 1;
    (void)!::write(m_cancelFd, &one, sizeof one);
}

void PosixTestLink::resetCancel()
{
    uint64_t count = 0;
    (void)!::read(m_cancelFd, &count, sizeof count);
}

int PosixTestLink::waitFor(short events, int timeoutMs) const
{
    pollfd fds[2] = {{m_cancelFd, POLLIN, 0}, {m_fd, events, 0}};
    const int ready = ::poll(fds, 2, timeoutMs);
    if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
        return -2;
    }
    return ready > 0 ? 1 : ready;
}

bool PosixTestLink::open(const std::string& portName)
{
    close();
    resetCancel();
    m_fd = ::open(portName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0) {
        return false;
    }
    termios t{};
    if (::tcgetattr(m_fd, &t) != 0) {
        close();
        return false;
    }
    ::cfmakeraw(&t);
    (void)::tcsetattr(m_fd, TCSANOW, &t);
    m_name = portName;
    return true;
}

void PosixTestLink::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool PosixTestLink::purge(bool receive, bool /*transmit*/)
{
    if (m_fd < 0) {
        return false;
    }
    // Only the receive side: a request written to a pseudo-terminal waits in its queue until
    // the simulator reads it, and flushing that queue would take it back.
    return !receive || ::tcflush(m_fd, TCIFLUSH) == 0;
}

device::WriteStatus PosixTestLink::write(const uint8_t* data, size_t count)
{
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    size_t done = 0;
    while (m_fd >= 0 && done < count) {
        if (waitFor(0, 0) == -2) {
            return device::WriteStatus::cancelled;
        }
        const ssize_t n = ::write(m_fd, data + done, count - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return device::WriteStatus::failed;
        }
        const int ready = waitFor(POLLOUT, remainingMs(deadline));
        if (ready == -2) {
            return device::WriteStatus::cancelled;
        }
        if (ready <= 0) {
            return device::WriteStatus::failed;
        }
    }
    return m_fd >= 0 ? device::WriteStatus::ok : device::WriteStatus::failed;
}

device::ReadResult PosixTestLink::read(uint8_t* buffer, size_t capacity, int timeoutMs)
{
    if (m_fd < 0) {
        return {device::ReadStatus::error, 0};
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int ready = waitFor(POLLIN, remainingMs(deadline));
        if (ready == -2) {
            return {device::ReadStatus::cancelled, 0};
        }
        if (ready == 0) {
            return {device::ReadStatus::timeout, 0};
        }
        if (ready < 0 && errno != EINTR) {
            return {device::ReadStatus::error, 0};
        }
        const ssize_t n = ::read(m_fd, buffer, capacity);
        if (n > 0) {
            return {device::ReadStatus::data, static_cast<size_t>(n)};
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            return {device::ReadStatus::error, 0};
        }
    }
}

Bytes PosixTestLink::receive(size_t count, int timeoutMs)
{
    Bytes bytes;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (bytes.size() < count) {
        uint8_t chunk[4096];
        const auto r =
            read(chunk, std::min(sizeof chunk, count - bytes.size()), remainingMs(deadline));
        if (r.status != device::ReadStatus::data) {
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + r.count);
    }
    return bytes;
}

SimProcess::~SimProcess()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    for (const int fd : {m_pidfd, m_out, m_err}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool SimProcess::start(const std::vector<std::string>& args)
{
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        return false;
    }
    std::vector<std::string> all{ZAV_GATEWAY_SIM_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    m_out = out[0];
    m_err = err[0];
    if (m_pid < 0) {
        return false;
    }
    m_pidfd = static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0));
    return m_pidfd >= 0;
}

std::optional<std::string> SimProcess::firstLine(int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (const size_t nl = m_outBuffer.find('\n'); nl != std::string::npos) {
            return m_outBuffer.substr(0, nl);
        }
        pollfd pfd{m_out, POLLIN, 0};
        if (::poll(&pfd, 1, remainingMs(deadline)) <= 0) {
            return std::nullopt;
        }
        char chunk[256];
        const ssize_t n = ::read(m_out, chunk, sizeof chunk);
        if (n <= 0) {
            return std::nullopt;
        }
        m_outBuffer.append(chunk, static_cast<size_t>(n));
    }
}

std::optional<int> SimProcess::waitForExit(int timeoutMs)
{
    if (m_pid <= 0) {
        return std::nullopt;
    }
    pollfd pfd{m_pidfd, POLLIN, 0};
    if (::poll(&pfd, 1, timeoutMs) <= 0) {
        return std::nullopt;
    }
    int status = 0;
    if (::waitpid(m_pid, &status, 0) != m_pid) {
        return std::nullopt;
    }
    m_pid = -1;
    if (!WIFEXITED(status)) {
        return std::nullopt;
    }
    return WEXITSTATUS(status);
}

std::optional<int> SimProcess::stop(int timeoutMs)
{
    if (m_pid <= 0) {
        return std::nullopt;
    }
    ::kill(m_pid, SIGTERM);
    return waitForExit(timeoutMs);
}

std::string SimProcess::errorOutput()
{
    std::string text;
    char chunk[256];
    pollfd pfd{m_err, POLLIN, 0};
    while (::poll(&pfd, 1, 0) > 0) {
        const ssize_t n = ::read(m_err, chunk, sizeof chunk);
        if (n <= 0) {
            break;
        }
        text.append(chunk, static_cast<size_t>(n));
    }
    return text;
}

Bytes readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace quillan::simtest
