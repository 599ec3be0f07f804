#pragma once

#include <string>

namespace quillan {

// The numbered notifications between device operations, the document and the windows.
// The numbers are fixed: windows and the log match on them.
enum NotificationCode : int {
    MSG_SESSION_START = 2042,
    MSG_SESSION_START_ALT1 = 2043,
    MSG_READ_PROGRESS = 2044,
    MSG_PROGRESS_ALT = 2045,
    MSG_SESSION_DONE = 2046,
    MSG_SESSION_FAILED = 2047,
    MSG_UPDATE_START = 2048,
    MSG_SESSION_START_ALT2 = 2049,
    MSG_WRITE_PROGRESS = 2050,
    MSG_NODE_PROGRESS = 2051,
    MSG_REFRESH_SELECTION = 2054,
    MSG_FILE_START = 2059,
    MSG_FILE_PROGRESS = 2060,
    MSG_PASTE_INT_TO = 3044,
    MSG_PASTE_FLOAT_TO = 3045,
    MSG_SESSION_READ_OK = 3124,
    MSG_FLASH_PROGRESS = 3125,
    MSG_SESSION_IDLE = 3126,
    MSG_MODBUS_READ = 4024,
    MSG_MODBUS_WRITE = 4026,
    MSG_NODE_SELECTED = 6024,
    MSG_TARGET_SELECTED = 6025,
    MSG_NODE_CHANGED = 6026,
    MSG_ROOT_CHANGED = 6124,
    MSG_NODE_DELETED = 6125,
    MSG_OUTPUT_LINE = 7924,
    MSG_DEBUG_LINE = 8024,
    MSG_CLEAR_DEBUG = 8025,
};

struct Notification {
    int code = 0;
    int step = 0; // progress notifications: step and page
    int page = 0;
    std::string text; // line notifications: the text (8-bit character set)
};

// Receives the numbered notifications. Implementations decide whether a notification is
// delivered at once or queued to another thread; callers may be on any thread.
class NotificationSink {
public:
    virtual ~NotificationSink() = default;
    virtual void notify(const Notification& notification) = 0;

    void outputLine(const std::string& text) { notify({MSG_OUTPUT_LINE, 0, 0, text}); }
    void debugLine(const std::string& text) { notify({MSG_DEBUG_LINE, 0, 0, text}); }
    void post(int code, int step = 0, int page = 0) { notify({code, step, page, {}}); }
};

// A sink that drops everything, for callers that have nobody to tell.
class NullNotificationSink final : public NotificationSink {
public:
    void notify(const Notification&) override {}
};

} // namespace quillan
