#pragma once

#include "device/modbus/MBCommThread.h"
#include "device/modbus/ModbusTab.h"
#include "model/Notifications.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace quillan::shell {
class TarnApp;
}

namespace quillan::views {
class OutputWnd;
}

namespace quillan::device::modbus {

// The Modbus tab's requests, run on a worker thread so that the window keeps drawing and
// answering while the gateway is asked. The worker touches the port and the master only: each
// good reply comes back to the user-interface thread as the request and reply bytes, where the
// view places the values into its rows. Debug lines are posted, so the worker never waits for
// the window.
//
// One exchange at a time. While it runs the application's port is held (TarnApp::portBusy),
// which keeps the device operations and the gateway detection off it, and the Output window's
// debug listener is suspended; the port runs at the configuration port's line settings with
// RTS low, where the gateway answers Modbus.
class ModbusExchange final : public QObject {
    Q_OBJECT
public:
    explicit ModbusExchange(shell::TarnApp& app, QObject* parent = nullptr);
    ~ModbusExchange() override;

    // Where the debug listener is found when an exchange starts.
    void setDebugOutput(std::function<views::OutputWnd*()> find) { m_findOutput = std::move(find); }

    [[nodiscard]] bool isRunning() const { return m_worker.joinable(); }
    // Reads the runs in order; the first failed read ends the poll.
    void poll(uint8_t slaveId, std::vector<RegisterRun> runs);
    void write(uint8_t slaveId, uint16_t reg, WriteValue value);
    // Cancels a running exchange and waits for its thread; what it has not reported yet is
    // dropped, and no signal follows.
    void stop();

Q_SIGNALS:
    // Run number run (counted from 0) is about to be read.
    void runStarting(int run);
    void readReplied(const QByteArray& request, const QByteArray& reply);
    void writeReplied(const QByteArray& echo, bool floatWrite);
    // ok: every request was answered correctly.
    void finished(bool ok);

private:
    // Passes the master's Debug lines on, posted; its replies are taken from it by the worker.
    class PostingSink final : public NotificationSink {
    public:
        explicit PostingSink(NotificationSink& next) : m_next(next) {}
        void notify(const Notification& notification) override;

    private:
        NotificationSink& m_next;
    };

    // Runs on the worker; false when a request failed.
    using Work = std::function<bool(MBCommThread& master, uint64_t generation)>;

    void start(Work work);
    // Queued to the user-interface thread; dropped once the exchange was stopped.
    void report(uint64_t generation, std::function<void()> deliver);
    void deliverReports();
    void complete(uint64_t generation, bool ok);
    void endRunning();

    shell::TarnApp& m_app;
    PostingSink m_sink;
    MBCommThread m_master;
    std::function<views::OutputWnd*()> m_findOutput;
    QPointer<views::OutputWnd> m_suspended;
    std::thread m_worker;
    uint64_t m_generation = 0; // user-interface thread only

    struct Report {
        uint64_t generation = 0;
        std::function<void()> deliver;
    };
    // Handed over under a standard mutex, which the thread checkers see, rather than inside
    // Qt's event queue.
    std::mutex m_reportMutex;
    std::deque<Report> m_reports;
};

} // namespace quillan::device::modbus
