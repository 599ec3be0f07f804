#pragma once

#include "device/DeviceServices.h"
#include "device/ProgressWindowModel.h"
#include "model/Notifications.h"

#include <iosfwd>
#include <mutex>
#include <optional>

namespace quillan::cli {

// The windows of a device operation on a terminal: result lines as the output window shows
// them, the progress window's and the flash window's texts as they change, all time-stamped;
// debug lines with --verbose. It also remembers how the session's read ended. Any thread may
// call it.
class DeviceConsole final : public NotificationSink {
public:
    DeviceConsole(std::ostream& out, bool verbose) : m_out(out), m_verbose(verbose) {}
    void notify(const Notification& notification) override;

    // True once a session reported its configuration read; false once it failed; none yet.
    [[nodiscard]] std::optional<bool> readOutcome() const;
    void clearReadOutcome();

private:
    void print(const std::string& text);

    std::ostream& m_out;
    const bool m_verbose;
    mutable std::mutex m_mutex;
    device::ProgressWindowModel m_progress;
    std::optional<bool> m_readOutcome;
    std::optional<int> m_flashTens; // the flash window's percent last shown, in tens
};

// Prints every frame as "hh:mm:ss.mmm- -> FF 05 00 00 20 15" (sent) or "<-" (received).
[[nodiscard]] device::FrameTrace frameTrace(std::ostream& out);

} // namespace quillan::cli
