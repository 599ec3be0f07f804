#pragma once

#include "settings/VelFile.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace quillan {

class NotificationSink;

struct LogTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The log file: one time-stamped line per call, appended and flushed at once so nothing is
// lost when the program stops. Lines may come from a device worker as well as from the
// user-interface thread.
class VelLogFile final {
public:
    using Clock = std::function<LogTime()>;

    // The sink receives the message when a log cannot be created. The clock defaults to the
    // local time.
    explicit VelLogFile(NotificationSink& sink, Clock clock = {});
    ~VelLogFile();
    VelLogFile(const VelLogFile&) = delete;
    VelLogFile& operator=(const VelLogFile&) = delete;

    // Closes the current log and opens the path for appending, creating it when missing. On
    // failure the lines are dropped until a later openLog succeeds.
    void openLog(const std::string& path);
    void writeLine(const std::string& text);

    [[nodiscard]] bool isOpen() const;

    [[nodiscard]] static LogTime localTime();
    // "hh:mm:ss-mmm-", two spaces, the text, CR LF.
    [[nodiscard]] static std::string formatLine(const LogTime& time, const std::string& text);
    // A line of the output window: "hh:mm:ss.mmm-", one space, the text.
    [[nodiscard]] static std::string formatOutputLine(const LogTime& time, const std::string& text);

private:
    NotificationSink& m_sink;
    Clock m_clock;
    mutable std::mutex m_mutex;
    std::unique_ptr<VelFile> m_file;
};

} // namespace quillan
