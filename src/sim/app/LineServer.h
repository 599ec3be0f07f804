#pragma once

#include "sim/GatewaySimulator.h"

#include <chrono>
#include <csignal>
#include <functional>
#include <string>

namespace quillan::sim {

// Serves a simulated gateway on the device end of a pseudo-terminal or serial device with
// plain POSIX I/O: received bytes go to the gateway, its replies and debug text go back out
// at the pace of the line.
class LineServer {
public:
    struct Options {
        bool lineTiming = true;
        int turnaroundMs = 20;
        uint64_t hangUpAfterFrames = 0; // 0: never
    };

    // fd is non-blocking and stays the caller's.
    LineServer(int fd, GatewaySimulator& gateway, Options options);

    // Runs until stop is set (by a signal handler; the signals in blockedSignals are unblocked
    // only while waiting), the device fails or the line is hung up as the options ask.
    // stateChanged runs after the gateway's stored state changed. Returns an empty text when
    // stopped or hung up, else what failed.
    [[nodiscard]] std::string run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask,
                                  const std::function<void()>& stateChanged);

    [[nodiscard]] bool hungUp() const { return m_hungUp; }

private:
    int m_fd;
    GatewaySimulator& m_gateway;
    Options m_options;
    bool m_hungUp = false;
};

} // namespace quillan::sim
