#include "platform/QtSerialLink.h"

#include "model/Notifications.h"
#include "model/Text.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <functional>
#include <optional>
#include <type_traits>

namespace quillan::platform {

using device::LineSettings;
using device::ReadResult;
using device::ReadStatus;

// Runs calls one at a time on the thread that owns the QSerialPort. The thread never runs
// an event loop: the port is used only through its blocking waits.
class QtSerialLink::PortThread final : public QThread {
public:
    PortThread() { start(); }

    ~PortThread() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        wait();
    }

    template <class F> auto call(F&& f)
    {
        using R = std::invoke_result_t<F&, QSerialPort&>;
        std::optional<R> result;
        bool done = false;
        std::unique_lock lock(m_mutex);
        m_tasks.push_back({[&](QSerialPort& port) { result = f(port); }, &done});
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return done; });
        return std::move(*result);
    }

protected:
    void run() override
    {
        QSerialPort port;
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_stop || !m_tasks.empty(); });
            if (m_tasks.empty()) {
                break;
            }
            Task task = std::move(m_tasks.front());
            m_tasks.pop_front();
            lock.unlock();
            task.run(port);
            lock.lock();
            *task.done = true;
            m_changed.notify_all();
        }
    }

private:
    struct Task {
        std::function<void(QSerialPort&)> run;
        bool* done;
    };

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Task> m_tasks;
    bool m_stop = false;
};

namespace {

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

} // namespace

QtSerialLink::QtSerialLink(NotificationSink* debugSink)
    : m_debugSink(debugSink), m_thread(std::make_unique<PortThread>())
{
}

QtSerialLink::~QtSerialLink()
{
    close();
}

void QtSerialLink::debugLine(const std::string& text)
{
    if (m_debugSink != nullptr) {
        m_debugSink->debugLine(text);
    }
}

bool QtSerialLink::open(const std::string& portName)
{
    const bool opened = m_thread->call([&](QSerialPort& port) {
        if (port.isOpen()) {
            port.close();
        }
        m_open = false;
        port.setPortName(QString::fromStdString(portName));
        if (!port.open(QIODevice::ReadWrite)) {
            port.clearError();
            return false;
        }
        // RTS must follow setRts only.
        (void)port.setFlowControl(QSerialPort::NoFlowControl);
        port.clearError();
        m_modemLinesReported = false;
        m_open = true;
        return true;
    });
    std::lock_guard lock(m_nameMutex);
    m_name = opened ? portName : std::string();
    return opened;
}

void QtSerialLink::close()
{
    m_thread->call([this](QSerialPort& port) {
        if (port.isOpen()) {
            port.close();
        }
        port.clearError();
        m_open = false;
        return true;
    });
}

std::string QtSerialLink::portName() const
{
    std::lock_guard lock(m_nameMutex);
    return m_name;
}

bool QtSerialLink::configure(const LineSettings& settings)
{
    if (!device::isValidLineSettings(settings)) {
        return false;
    }
    return m_thread->call([&](QSerialPort& port) {
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
        return ok;
    });
}

bool QtSerialLink::modemLinesMissing(QSerialPort& port)
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

bool QtSerialLink::setRts(bool raised)
{
    return m_thread->call([&](QSerialPort& port) {
        if (!port.isOpen()) {
            return false;
        }
        return port.setRequestToSend(raised) || modemLinesMissing(port);
    });
}

bool QtSerialLink::setDtr(bool raised)
{
    return m_thread->call([&](QSerialPort& port) {
        if (!port.isOpen()) {
            return false;
        }
        return port.setDataTerminalReady(raised) || modemLinesMissing(port);
    });
}

bool QtSerialLink::cts()
{
    return m_thread->call([&](QSerialPort& port) {
        if (!port.isOpen()) {
            return false;
        }
        const QSerialPort::PinoutSignals pins = port.pinoutSignals();
        if (port.error() != QSerialPort::NoError) {
            return modemLinesMissing(port);
        }
        return pins.testFlag(QSerialPort::ClearToSendSignal);
    });
}

bool QtSerialLink::purge(bool receive, bool transmit)
{
    return m_thread->call([&](QSerialPort& port) {
        if (!port.isOpen()) {
            return false;
        }
        // A write returns only once its bytes have left for the driver (a stalled one clears
        // them itself), so there is nothing of ours to discard on the transmit side; flushing
        // the driver's queue there would throw away a request the line has not sent yet.
        (void)transmit;
        QSerialPort::Directions directions;
        if (receive) {
            directions |= QSerialPort::Input;
        }
        const bool ok = directions == QSerialPort::Directions() || port.clear(directions);
        port.clearError();
        return ok;
    });
}

bool QtSerialLink::write(const uint8_t* data, size_t count)
{
    return m_thread->call([&](QSerialPort& port) {
        if (!port.isOpen()) {
            return false;
        }
        if (port.write(reinterpret_cast<const char*>(data), static_cast<qint64>(count)) !=
            static_cast<qint64>(count)) {
            port.clearError();
            return false;
        }
        // Twice the time the bytes take on the line, plus a second: a port that takes longer
        // has stalled (flow stopped, converter gone), and the send fails instead of hanging.
        const qint64 baud = std::max<qint32>(port.baudRate(), 300);
        QDeadlineTimer deadline(static_cast<qint64>(count) * 10 * 1000 * 2 / baud + 1000);
        while (port.bytesToWrite() > 0) {
            const auto remaining = static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0));
            if (!port.waitForBytesWritten(remaining)) {
                const bool stalled = port.error() == QSerialPort::TimeoutError ||
                                     port.error() == QSerialPort::NoError;
                port.clearError();
                if (stalled) {
                    // The rest must not go out ahead of the next request.
                    (void)port.clear(QSerialPort::Output);
                    port.clearError();
                }
                return false;
            }
        }
        return true;
    });
}

ReadResult QtSerialLink::read(uint8_t* buffer, size_t capacity, int timeoutMs)
{
    return m_thread->call([&](QSerialPort& port) -> ReadResult {
        if (!port.isOpen()) {
            return {ReadStatus::error, 0};
        }
        if (capacity == 0) {
            return {ReadStatus::timeout, 0};
        }
        if (port.bytesAvailable() == 0 && !port.waitForReadyRead(std::max(timeoutMs, 0))) {
            const QSerialPort::SerialPortError error = port.error();
            if (error == QSerialPort::TimeoutError || error == QSerialPort::NoError) {
                port.clearError();
                return {ReadStatus::timeout, 0};
            }
            // The other end went away (converter pulled, pseudo-terminal closed): a closed
            // port lets the presence check notice it.
            debugLine(strprintf("Serial port %s failed: %s", port.portName().toStdString().c_str(),
                                port.errorString().toStdString().c_str()));
            port.close();
            port.clearError();
            m_open = false;
            return {ReadStatus::error, 0};
        }
        const qint64 n = port.read(reinterpret_cast<char*>(buffer), static_cast<qint64>(capacity));
        if (n < 0) {
            port.clearError();
            return {ReadStatus::error, 0};
        }
        if (n == 0) {
            return {ReadStatus::timeout, 0};
        }
        return {ReadStatus::data, static_cast<size_t>(n)};
    });
}

} // namespace quillan::platform
