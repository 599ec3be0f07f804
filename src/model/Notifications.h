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

// How a notification reaches its window.
enum class Delivery {
    sent,   // the sender waits until the window has handled it; paces a worker's progress
    posted, // queued for the window; the sender goes on at once
};

// The windows that receive notifications.
enum class Receiver {
    mainWindow,   // relays progress to the progress window; output and debug lines
    sessionOwner, // the device property window that owns a device session
    flashWindow,  // the firmware progress dialog
    tabbedView,   // the point views, Modbus tab included, as one window
    modbusTab,    // the Modbus tab, for the replies of the Modbus master
};

// The window that receives a code unless the sender names another.
[[nodiscard]] constexpr Receiver defaultReceiver(int code)
{
    switch (code) {
    case MSG_PASTE_INT_TO:
    case MSG_PASTE_FLOAT_TO:
    case MSG_NODE_SELECTED:
    case MSG_TARGET_SELECTED:
    case MSG_NODE_CHANGED:
    case MSG_ROOT_CHANGED:
    case MSG_NODE_DELETED:
        return Receiver::tabbedView;
    case MSG_SESSION_READ_OK:
        return Receiver::sessionOwner;
    case MSG_FLASH_PROGRESS:
    case MSG_SESSION_IDLE:
        return Receiver::flashWindow;
    case MSG_MODBUS_READ:
    case MSG_MODBUS_WRITE:
        return Receiver::modbusTab;
    default:
        return Receiver::mainWindow;
    }
}

struct Notification {
    int code = 0;
    int step = 0; // progress notifications: step and page
    int page = 0;
    std::string text; // line notifications: the text (8-bit character set)
    Delivery delivery = Delivery::sent;
    Receiver receiver = Receiver::mainWindow;
};

// Receives the numbered notifications and delivers each to its window, sent or posted.
//
// Threads: any thread may call. A notification sent from the thread that owns the windows is
// handled before the call returns, ahead of anything still queued. Sent from another thread
// (a device session's worker), it is handed to the owner thread and the sender waits until it
// has been handled; posted, it is queued and the sender goes on. The notifications of another
// thread are handled in the order they were made, sent and posted alike. An implementation
// that makes senders wait for another thread must let whoever stops a worker release a
// blocked sender (the sent notification is then handled later, like a posted one): the owner
// thread may itself be waiting for that worker to end, and neither may wait for the other.
// Code that runs where the owner thread may be waiting for it (a port's own thread) posts.
class NotificationSink {
public:
    virtual ~NotificationSink() = default;
    virtual void notify(const Notification& notification) = 0;

    // To the code's usual window.
    void send(int code, int step = 0, int page = 0)
    {
        notify({code, step, page, {}, Delivery::sent, defaultReceiver(code)});
    }
    void post(int code, int step = 0, int page = 0)
    {
        notify({code, step, page, {}, Delivery::posted, defaultReceiver(code)});
    }
    void outputLine(const std::string& text, Delivery delivery = Delivery::sent)
    {
        notify({MSG_OUTPUT_LINE, 0, 0, text, delivery, Receiver::mainWindow});
    }
    void debugLine(const std::string& text, Delivery delivery = Delivery::sent)
    {
        notify({MSG_DEBUG_LINE, 0, 0, text, delivery, Receiver::mainWindow});
    }
};

// A sink that drops everything, for callers that have nobody to tell.
class NullNotificationSink final : public NotificationSink {
public:
    void notify(const Notification&) override {}
};

} // namespace quillan
