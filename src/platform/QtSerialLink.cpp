#include "platform/QtSerialLink.h"

#include "model/Notifications.h"
#include "model/Text.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QSerialPort>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <vector>

#if defined(Q_OS_UNIX)
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace quillan::platform {

using device::LineSettings;
using device::ReadResult;
using device::ReadStatus;
using device::WriteStatus;

namespace {

using Clock = std::chrono::steady_clock;

QSerialPort::Parity toQtParity(uint8_t code)
{
    switch (code) {
    case device::PARITY_ODD:
        return QSerialPort::OddParity;
    case device::PARITY_EVEN:
        return QSerialPort::EvenParity;
    case device::PARITY_MARK:
        return QSerialPort::MarkParity;
    case device::PARITY_SPACE:
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits toQtStopBits(uint8_t code)
{
    switch (code) {
    case device::STOP_BITS_ONE_AND_HALF:
        return QSerialPort::OneAndHalfStop;
    case device::STOP_BITS_TWO:
        return QSerialPort::TwoStop;
    default:
        return QSerialPort::OneStop;
    }
}

// Errors after which the port is of no further use.
bool isPortLost(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
           error == QSerialPort::WriteError;
}

} // namespace

// Wakes the port thread: runTasks is invoked by name, so what a caller hands over travels
// only through PortThread's own lock, never inside one of Qt's events.
class PortWaker final : public QObject {
    Q_OBJECT
public:
    explicit PortWaker(std::function<void()> runTasks) : m_runTasks(std::move(runTasks)) {}

public slots:
    void runTasks() { m_runTasks(); }

private:
    std::function<void()> m_runTasks;
};

// The thread that owns the QSerialPort, and what it shares with the callers. Everything
// under m_mutex is shared; the port and the members marked "port thread" are touched on the
// port thread only. A plain std::thread running a QEventLoop rather than a QThread: joining it
// is then a synchronisation the thread checker can see.
class QtSerialLink::PortThread final {
public:
    using Task = std::function<void(QSerialPort&)>;

    explicit PortThread(NotificationSink* debugSink) : m_debugSink(debugSink)
    {
        m_worker = std::thread([this] { run(); });
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_started; });
    }

    ~PortThread()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        // Queued rather than quitting the loop from here: it is the port thread's own.
        wake();
        m_worker.join();
    }

    PortThread(const PortThread&) = delete;
    PortThread& operator=(const PortThread&) = delete;

    // Runs f(port) on the port thread and returns its result; none when the thread is not
    // running. Never called on the port thread, which does not wait for anybody.
    template <class F> auto call(F&& f) -> std::optional<std::invoke_result_t<F&, QSerialPort&>>
    {
        using R = std::invoke_result_t<F&, QSerialPort&>;
        std::optional<R> result;
        bool done = false;
        {
            std::lock_guard lock(m_mutex);
            if (!m_running) {
                return std::nullopt;
            }
            m_tasks.push_back({[&](QSerialPort& port) { result = f(port); }, &done});
        }
        wake();
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return done; });
        return result;
    }

    // Queues f(port) and returns at once.
    void post(Task f)
    {
        {
            std::lock_guard lock(m_mutex);
            if (!m_running) {
                return;
            }
            m_tasks.push_back({std::move(f), nullptr});
        }
        wake();
    }

    void debugLine(const std::string& text)
    {
        if (m_debugSink != nullptr) {
            // Posted: the port thread must never wait for the thread that may be waiting
            // for it.
            m_debugSink->debugLine(text, Delivery::posted);
        }
    }

    // Port thread. Opens the port; an open one is closed first.
    bool openPort(QSerialPort& port, const std::string& name)
    {
        closePort(port);
        port.setPortName(QString::fromStdString(name));
        if (!port.open(QIODevice::ReadWrite)) {
            port.clearError();
            return false;
        }
        // RTS must follow setRts only.
        (void)port.setFlowControl(QSerialPort::NoFlowControl);
        port.clearError();
        ++m_generation;
        m_modemLinesReported = false;
        m_closePending = false;
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_received.clear();
        m_unwritten = 0;
        m_line = device::DEFAULT_LINE_SETTINGS;
        m_line.baudRate = static_cast<uint32_t>(std::max<qint32>(port.baudRate(), 0));
        return true;
    }

    // Port thread.
    void closePort(QSerialPort& port)
    {
        if (port.isOpen()) {
            port.close();
        }
        port.clearError();
        std::lock_guard lock(m_mutex);
        m_open = false;
        m_received.clear();
        m_unwritten = 0;
        m_changed.notify_all();
    }

    // Port thread, after a modem-line call failed: true when the port has no modem lines
    // (said once per open), false for a real failure.
    bool modemLinesMissing(QSerialPort& port)
    {
        const bool unsupported = port.error() == QSerialPort::UnsupportedOperationError;
        port.clearError();
        if (unsupported && !m_modemLinesReported) {
            m_modemLinesReported = true;
            debugLine(strprintf("%s has no modem lines; RTS and DTR taken as set, CTS as asserted",
                                port.portName().toStdString().c_str()));
        }
        return unsupported;
    }

    // Caller's thread, without the lock: waits until the driver's transmit queue is empty, or
    // deadline; false when the port failed, was closed or cancelled, or the queue never
    // emptied. A port that cannot tell (a pseudo-terminal reports 0) counts as empty.
    bool drain(const LineSettings& line, Clock::time_point deadline)
    {
        for (;;) {
            const std::optional<int> queued = call([](QSerialPort& port) {
                int n = 0;
#if defined(Q_OS_UNIX)
                if (!port.isOpen() || ::ioctl(static_cast<int>(port.handle()), TIOCOUTQ, &n) != 0) {
                    n = 0;
                }
#else
                (void)port;
#endif
                return n;
            });
            std::unique_lock lock(m_mutex);
            if (!queued || m_cancelled || !m_open) {
                return false;
            }
            if (*queued <= 0) {
                return true;
            }
            const auto next =
                Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                   device::lineTime(line, static_cast<size_t>(*queued)));
            if (next > deadline) {
                return false;
            }
            m_changed.wait_until(lock, next, [this] { return m_cancelled || !m_open; });
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Shared, under m_mutex.
    bool m_open = false;
    bool m_cancelled = false;
    std::string m_name;
    std::vector<uint8_t> m_received; // arrived and not yet read
    qint64 m_unwritten = 0;          // of the write in progress, not yet gone out
    bool m_writeFailed = false;
    LineSettings m_line = device::DEFAULT_LINE_SETTINGS; // as applied to the port

private:
    void run()
    {
        if (QCoreApplication::instance() == nullptr) {
            qWarning("QtSerialLink needs a QCoreApplication; the port stays closed");
            std::lock_guard lock(m_mutex);
            m_started = true;
            m_changed.notify_all();
            return;
        }
        QEventLoop loop; // first: it gives the thread the event dispatcher the port needs
        QSerialPort port;
        PortWaker waker([this, &port, &loop] { runTasks(port, loop); });
        QObject::connect(&port, &QSerialPort::readyRead, &waker, [this, &port] {
            const QByteArray bytes = port.readAll();
            if (bytes.isEmpty()) {
                return;
            }
            std::lock_guard lock(m_mutex);
            m_received.insert(m_received.end(), bytes.begin(), bytes.end());
            m_changed.notify_all();
        });
        QObject::connect(&port, &QSerialPort::bytesWritten, &waker, [this](qint64 count) {
            std::lock_guard lock(m_mutex);
            m_unwritten = std::max<qint64>(m_unwritten - count, 0);
            m_changed.notify_all();
        });
        QObject::connect(&port, &QSerialPort::errorOccurred, &waker,
                         [this, &port, &waker](QSerialPort::SerialPortError error) {
                             portError(port, waker, error);
                         });
        {
            std::lock_guard lock(m_mutex);
            m_waker = &waker;
            m_running = true;
            m_started = true;
            m_changed.notify_all();
        }
        loop.exec();
        closePort(port);
        std::lock_guard lock(m_mutex);
        m_running = false;
        m_waker = nullptr;
        // Calls still queued find the thread gone.
        for (PendingTask& task : m_tasks) {
            if (task.done != nullptr) {
                *task.done = true;
            }
        }
        m_tasks.clear();
        m_changed.notify_all();
    }

    struct PendingTask {
        Task run;
        bool* done; // set once run, for a caller that waits
    };

    void wake()
    {
        std::lock_guard lock(m_mutex);
        if (m_waker != nullptr) {
            QMetaObject::invokeMethod(m_waker, "runTasks", Qt::QueuedConnection);
        }
    }

    // Port thread.
    void runTasks(QSerialPort& port, QEventLoop& loop)
    {
        std::unique_lock lock(m_mutex);
        while (!m_tasks.empty()) {
            PendingTask task = std::move(m_tasks.front());
            m_tasks.pop_front();
            lock.unlock();
            task.run(port);
            lock.lock();
            if (task.done != nullptr) {
                *task.done = true;
                m_changed.notify_all();
            }
        }
        if (m_stopping) {
            loop.quit();
        }
    }

    // Port thread.
    void portError(QSerialPort& port, PortWaker& waker, QSerialPort::SerialPortError error)
    {
        if (!isPortLost(error) || !port.isOpen() || m_closePending) {
            return;
        }
        m_closePending = true;
        {
            std::lock_guard lock(m_mutex);
            m_open = false;
            m_received.clear();
            m_changed.notify_all();
        }
        debugLine(strprintf("Serial port %s failed: %s", port.portName().toStdString().c_str(),
                            port.errorString().toStdString().c_str()));
        // Closed once QSerialPort is out of the notifier that reported the error; a port
        // opened again meanwhile is left alone.
        const int generation = m_generation;
        QMetaObject::invokeMethod(
            &waker,
            [this, &port, generation] {
                if (generation == m_generation && m_closePending) {
                    closePort(port);
                    m_closePending = false;
                }
            },
            Qt::QueuedConnection);
    }

    NotificationSink* m_debugSink;
    std::thread m_worker;
    std::deque<PendingTask> m_tasks;   // under m_mutex
    PortWaker* m_waker = nullptr;      // under m_mutex
    bool m_started = false;            // under m_mutex
    bool m_running = false;            // under m_mutex
    bool m_stopping = false;           // under m_mutex
    int m_generation = 0;              // port thread
    bool m_modemLinesReported = false; // port thread
    bool m_closePending = false;       // port thread
};

QtSerialLink::QtSerialLink(NotificationSink* debugSink)
    : m_thread(std::make_unique<PortThread>(debugSink))
{
}

QtSerialLink::~QtSerialLink()
{
    close();
}

bool QtSerialLink::open(const std::string& portName)
{
    {
        std::lock_guard lock(m_thread->m_mutex);
        m_thread->m_open = false;
        m_thread->m_changed.notify_all();
    }
    const bool opened =
        m_thread->call([&](QSerialPort& port) { return m_thread->openPort(port, portName); })
            .value_or(false);
    std::lock_guard lock(m_thread->m_mutex);
    m_thread->m_cancelled = false;
    m_thread->m_name = opened ? portName : std::string();
    return opened;
}

void QtSerialLink::close()
{
    // Pending reads and writes end now, not once the port thread gets to the close.
    {
        std::lock_guard lock(m_thread->m_mutex);
        m_thread->m_open = false;
        m_thread->m_changed.notify_all();
    }
    (void)m_thread->call([this](QSerialPort& port) {
        m_thread->closePort(port);
        return true;
    });
}

bool QtSerialLink::isOpen() const
{
    std::lock_guard lock(m_thread->m_mutex);
    return m_thread->m_open;
}

std::string QtSerialLink::portName() const
{
    std::lock_guard lock(m_thread->m_mutex);
    return m_thread->m_name;
}

bool QtSerialLink::configure(const LineSettings& settings)
{
    if (!device::isValidLineSettings(settings)) {
        return false;
    }
    return m_thread
        ->call([&](QSerialPort& port) {
            if (!port.isOpen()) {
                return false;
            }
            // Every field is tried, so one the port refuses (parity on a pseudo-terminal) does
            // not keep the others from being applied.
            bool ok = port.setBaudRate(static_cast<qint32>(settings.baudRate));
            ok = port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) && ok;
            ok = port.setParity(toQtParity(settings.parity)) && ok;
            ok = port.setStopBits(toQtStopBits(settings.stopBits)) && ok;
            ok = port.setFlowControl(QSerialPort::NoFlowControl) && ok;
            port.clearError();
            std::lock_guard lock(m_thread->m_mutex);
            m_thread->m_line = settings;
            m_thread->m_line.baudRate = static_cast<uint32_t>(std::max<qint32>(port.baudRate(), 0));
            return ok;
        })
        .value_or(false);
}

bool QtSerialLink::setRts(bool raised)
{
    return m_thread
        ->call([&](QSerialPort& port) {
            return port.isOpen() &&
                   (port.setRequestToSend(raised) || m_thread->modemLinesMissing(port));
        })
        .value_or(false);
}

bool QtSerialLink::setDtr(bool raised)
{
    return m_thread
        ->call([&](QSerialPort& port) {
            return port.isOpen() &&
                   (port.setDataTerminalReady(raised) || m_thread->modemLinesMissing(port));
        })
        .value_or(false);
}

bool QtSerialLink::cts()
{
    return m_thread
        ->call([&](QSerialPort& port) {
            if (!port.isOpen()) {
                return false;
            }
            const QSerialPort::PinoutSignals pins = port.pinoutSignals();
            if (port.error() != QSerialPort::NoError) {
                return m_thread->modemLinesMissing(port);
            }
            return pins.testFlag(QSerialPort::ClearToSendSignal);
        })
        .value_or(false);
}

bool QtSerialLink::purge(bool receive, bool transmit)
{
    return m_thread
        ->call([&](QSerialPort& port) {
            if (!port.isOpen()) {
                return false;
            }
            // A write returns only once its bytes have left for the driver (one that stalls
            // or is cancelled clears the rest itself), so there is nothing of ours to discard
            // on the transmit side; flushing the driver's queue there would throw away a
            // request the line has not sent yet.
            (void)transmit;
            if (!receive) {
                return true;
            }
            const bool ok = port.clear(QSerialPort::Input);
            port.clearError();
            // Bytes are gathered on this thread only, so none can slip in between.
            std::lock_guard lock(m_thread->m_mutex);
            m_thread->m_received.clear();
            return ok;
        })
        .value_or(false);
}

WriteStatus QtSerialLink::write(const uint8_t* data, size_t count)
{
    PortThread& t = *m_thread;
    std::unique_lock lock(t.m_mutex);
    if (t.m_cancelled) {
        return WriteStatus::cancelled;
    }
    if (!t.m_open) {
        return WriteStatus::failed;
    }
    if (count == 0) {
        return WriteStatus::ok;
    }
    LineSettings line = t.m_line;
    line.baudRate = std::max<uint32_t>(line.baudRate, 300);
    const auto start = Clock::now();
    const auto onLine = std::chrono::duration_cast<Clock::duration>(device::lineTime(line, count));
    // Twice the time the bytes take on the line, plus a second: a port that takes longer has
    // stalled (flow stopped, converter gone), and the send fails instead of hanging.
    const auto deadline = start + 2 * onLine + std::chrono::seconds(1);
    t.m_unwritten = static_cast<qint64>(count);
    t.m_writeFailed = false;
    lock.unlock();
    t.post([&t, bytes = QByteArray(reinterpret_cast<const char*>(data),
                                   static_cast<qsizetype>(count))](QSerialPort& port) {
        const bool handedOver = port.isOpen() && port.write(bytes) == bytes.size();
        if (!handedOver) {
            port.clearError();
            std::lock_guard taskLock(t.m_mutex);
            t.m_writeFailed = true;
            t.m_changed.notify_all();
        }
    });
    lock.lock();
    const auto ended = [&t] { return t.m_writeFailed || t.m_cancelled || !t.m_open; };
    t.m_changed.wait_until(lock, deadline, [&] { return t.m_unwritten == 0 || ended(); });
    bool gone = t.m_unwritten == 0 && !ended();
    if (gone) {
        // Handed to the driver is not yet sent: the driver and the converter queue what the
        // line has not carried, and a reply time-out started now would run while the request
        // is still going out. The bytes began to leave when they were handed over, so they
        // are gone by the line time from then, unless the driver still holds some.
        t.m_changed.wait_until(lock, start + onLine, ended);
        gone = !ended();
        lock.unlock();
        gone = gone && t.drain(line, deadline);
        lock.lock();
        gone = gone && !ended();
    }
    if (gone) {
        return WriteStatus::ok;
    }
    const WriteStatus status = t.m_cancelled ? WriteStatus::cancelled : WriteStatus::failed;
    lock.unlock();
    // The rest must not go out ahead of the next request.
    (void)t.call([&t](QSerialPort& port) {
        if (port.isOpen()) {
            (void)port.clear(QSerialPort::Output);
            port.clearError();
        }
        std::lock_guard taskLock(t.m_mutex);
        t.m_unwritten = 0;
        return true;
    });
    return status;
}

ReadResult QtSerialLink::read(uint8_t* buffer, size_t capacity, int timeoutMs)
{
    PortThread& t = *m_thread;
    std::unique_lock lock(t.m_mutex);
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    if (capacity > 0) {
        t.m_changed.wait_until(
            lock, deadline, [&t] { return t.m_cancelled || !t.m_open || !t.m_received.empty(); });
    }
    if (t.m_cancelled) {
        return {ReadStatus::cancelled, 0};
    }
    if (!t.m_open) {
        return {ReadStatus::error, 0};
    }
    if (capacity == 0 || t.m_received.empty()) {
        return {ReadStatus::timeout, 0};
    }
    const size_t n = std::min(capacity, t.m_received.size());
    std::memcpy(buffer, t.m_received.data(), n);
    t.m_received.erase(t.m_received.begin(), t.m_received.begin() + static_cast<long>(n));
    return {ReadStatus::data, n};
}

void QtSerialLink::cancel()
{
    std::lock_guard lock(m_thread->m_mutex);
    m_thread->m_cancelled = true;
    m_thread->m_changed.notify_all();
}

void QtSerialLink::resetCancel()
{
    std::lock_guard lock(m_thread->m_mutex);
    m_thread->m_cancelled = false;
}

} // namespace quillan::platform

#include "QtSerialLink.moc"
