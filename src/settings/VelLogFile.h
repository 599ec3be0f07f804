#pragma once

#include "settings/VelFile.h"

#include <functional>
#include <memory>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace quillan {

class NotificationSink;

struct LogTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The log file: one time-stamped line per call, handed to the system at once so nothing is
// lost when the program stops, and forced to the disk by a thread of its own soon after. A
// flood of debug lines then costs one disk sync per burst instead of one per line, and the
// window that writes them never waits for the disk. Lines may come from a device worker as
// well as from the user-interface thread.
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
    void syncLoop();

    NotificationSink& m_sink;
    Clock m_clock;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    // Shared with the sync thread, which may still be syncing a log just replaced.
    std::shared_ptr<VelFile> m_file;
    bool m_unsynced = false;
    bool m_stopping = false;
    std::thread m_syncer;
};

} // namespace quillan
