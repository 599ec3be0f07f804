#include "app/LineServer.h"

#include "device/SerialLink.h"
#include "sim/LineOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace quillan::sim {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A pause this long ends whatever the gateway was receiving.
constexpr milliseconds kIdleGap{100};
constexpr milliseconds kTick{100};
// Output nobody reads (no program has the other end open) is dropped after this long, as
// a line without a listener loses it.
constexpr milliseconds kStallLimit{1000};
constexpr size_t kWriteChunk = 64;

} // namespace

LineServer::LineServer(int fd, GatewaySimulator& gateway, Options options)
    : m_fd(fd), m_gateway(gateway), m_options(options)
{
}

std::string LineServer::run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask,
                            const std::function<void()>& stateChanged)
{
    const Clock::duration characterTime =
        m_options.lineTiming ? std::chrono::duration_cast<Clock::duration>(
                                   device::characterTime(device::DEVICE_LINE_SETTINGS))
                             : Clock::duration::zero();
    LineOutput output;
    output.setCharacterTime(characterTime);
    // What the host wrote, on its way along the line. A pseudo-terminal hands it over as fast
    // as the host writes; a real line delivers one character time a byte, and a host that
    // starts its reply time-out before its request has left must see that here too.
    LineOutput input;
    input.setCharacterTime(characterTime);
    std::vector<uint8_t> unsent;
    // Plain flags beside the times: g++ 12 takes optional time points for uninitialised.
    bool stalled = false;
    Clock::time_point stalledSince{};
    bool receiving = false;
    Clock::time_point lastReceived{};
    uint64_t generation = m_gateway.stateGeneration();

    const auto queue = [&](std::vector<Reply> replies, Clock::time_point now) {
        for (Reply& r : replies) {
            output.queueReply(std::move(r.bytes), milliseconds(m_options.turnaroundMs) + r.delay);
        }
        output.arm(now);
    };

    while (stop == 0) {
        auto now = Clock::now();

        if (output.empty() && unsent.empty()) {
            for (DebugLine& line : m_gateway.debugText(now, std::nullopt)) {
                output.queueAt({line.text.begin(), line.text.end()}, line.at);
            }
        }
        if (unsent.empty()) {
            unsent.resize(output.arrived(now));
            unsent.resize(output.take(unsent.data(), unsent.size(), now));
        }
        if (!unsent.empty()) {
            const ssize_t n = ::write(m_fd, unsent.data(), unsent.size());
            if (n > 0) {
                unsent.erase(unsent.begin(), unsent.begin() + n);
                stalled = false;
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                return std::string("write failed: ") + std::strerror(errno);
            } else if (!stalled) {
                stalled = true;
                stalledSince = now;
            } else if (now - stalledSince > kStallLimit) {
                unsent.clear();
                output.clear();
                stalled = false;
            }
        }

        auto wake = now + kTick;
        if (!output.empty()) {
            if (const auto at = output.arrivalOf(std::min(kWriteChunk, output.frontRemaining()))) {
                wake = std::min(wake, *at);
            }
        }
        if (receiving) {
            wake = std::min(wake, lastReceived + kIdleGap);
        }
        if (!input.empty()) {
            if (const auto at = input.arrivalOf(std::min(kWriteChunk, input.frontRemaining()))) {
                wake = std::min(wake, *at);
            }
        }
        if (output.empty() && unsent.empty()) {
            if (const auto at = m_gateway.nextDebugLine(now, std::nullopt)) {
                wake = std::min(wake, *at);
            }
        }
        const auto waitNs = std::max<Clock::duration>(wake - now, Clock::duration::zero());
        const timespec timeout{
            static_cast<time_t>(std::chrono::duration_cast<std::chrono::seconds>(waitNs).count()),
            static_cast<long>((waitNs % std::chrono::seconds(1)).count())};
        pollfd pfd{m_fd, static_cast<short>(POLLIN | (unsent.empty() ? 0 : POLLOUT)), 0};
        const int ready = ::ppoll(&pfd, 1, &timeout, &waitMask);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::string("poll failed: ") + std::strerror(errno);
        }
        now = Clock::now();
        if (ready > 0 && (pfd.revents & (POLLERR | POLLNVAL)) != 0) {
            return "the device failed";
        }
        if (ready > 0 && (pfd.revents & (POLLIN | POLLHUP)) != 0) {
            uint8_t buffer[4096];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                input.queueAt({buffer, buffer + n}, now);
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                return n == 0 ? std::string("the device went away")
                              : std::string("read failed: ") + std::strerror(errno);
            }
        }
        if (const size_t n = input.arrived(now); n > 0) {
            std::vector<uint8_t> bytes(n);
            bytes.resize(input.take(bytes.data(), bytes.size(), now));
            receiving = true;
            lastReceived = now;
            queue(m_gateway.receive(bytes.data(), bytes.size(), now), now);
            if (m_options.hangUpAfterFrames != 0 &&
                m_gateway.framesReceived() >= m_options.hangUpAfterFrames) {
                m_hungUp = true; // before the last frame's answer goes out
                return {};
            }
        }
        if (receiving && input.empty() && now - lastReceived >= kIdleGap) {
            receiving = false;
            queue(m_gateway.lineIdle(now), now);
        }
        if (const uint64_t g = m_gateway.stateGeneration(); g != generation) {
            generation = g;
            stateChanged();
        }
    }
    return {};
}

} // namespace quillan::sim
