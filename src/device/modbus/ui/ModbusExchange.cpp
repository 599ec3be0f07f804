#include "device/modbus/ui/ModbusExchange.h"

#include "shell/TarnApp.h"
#include "views/OutputWnd.h"

namespace quillan::device::modbus {

namespace {

QByteArray bytes(std::span<const uint8_t> frame)
{
    return {reinterpret_cast<const char*>(frame.data()), static_cast<qsizetype>(frame.size())};
}

} // namespace

void ModbusExchange::PostingSink::notify(const Notification& notification)
{
    if (notification.receiver == Receiver::modbusTab) {
        return;
    }
    Notification posted = notification;
    posted.delivery = Delivery::posted;
    m_next.notify(posted);
}

ModbusExchange::ModbusExchange(shell::TarnApp& app, QObject* parent)
    : QObject(parent), m_app(app), m_sink(app.notifications()), m_master(app.port(), m_sink)
{
}

ModbusExchange::~ModbusExchange()
{
    stop();
}

void ModbusExchange::poll(uint8_t slaveId, std::vector<RegisterRun> runs)
{
    start([this, slaveId, runs = std::move(runs)](MBCommThread& master, uint64_t generation) {
        for (size_t i = 0; i < runs.size(); ++i) {
            const int run = static_cast<int>(i);
            report(generation, [this, run] { Q_EMIT runStarting(run); });
            if (!master.readRegisters(runs[i].first, runs[i].count, slaveId)) {
                return false;
            }
            report(generation,
                   [this, request = bytes(master.request()), reply = bytes(master.response())] {
                       Q_EMIT readReplied(request, reply);
                   });
        }
        return true;
    });
}

void ModbusExchange::write(uint8_t slaveId, uint16_t reg, WriteValue value)
{
    start([this, slaveId, reg, value](MBCommThread& master, uint64_t generation) {
        const bool sent = value.isFloat ? master.writeFloatRegister(reg, value.real, slaveId)
                                        : master.writeRegister(reg, value.integer, slaveId);
        if (sent) {
            report(generation, [this, echo = bytes(master.response()), floatWrite = value.isFloat] {
                Q_EMIT writeReplied(echo, floatWrite);
            });
        }
        return sent;
    });
}

void ModbusExchange::start(Work work)
{
    if (isRunning()) {
        return;
    }
    m_app.setPortBusy(true);
    views::OutputWnd* output = m_findOutput ? m_findOutput() : nullptr;
    if (output != nullptr && output->isActive()) {
        output->suspend();
        m_suspended = output;
    }
    const LineSettings line = m_app.configPortLine();
    SerialLink* port = &m_app.port();
    const uint64_t generation = ++m_generation;
    m_worker = std::thread([this, port, line, work = std::move(work), generation] {
        // A closed port is left as it is: the master reports it.
        if (port->isOpen()) {
            (void)port->configure(line);
            (void)port->setRts(false);
        }
        const bool ok = work(m_master, generation);
        report(generation, [this, generation, ok] { complete(generation, ok); });
    });
}

void ModbusExchange::report(uint64_t generation, std::function<void()> deliver)
{
    {
        std::lock_guard lock(m_reportMutex);
        m_reports.push_back({generation, std::move(deliver)});
    }
    QMetaObject::invokeMethod(this, &ModbusExchange::deliverReports, Qt::QueuedConnection);
}

void ModbusExchange::deliverReports()
{
    std::deque<Report> reports;
    {
        std::lock_guard lock(m_reportMutex);
        reports.swap(m_reports);
    }
    for (Report& r : reports) {
        // A stopped exchange's reports, and those after one that ended it, are stale.
        if (r.generation == m_generation && r.deliver) {
            r.deliver();
        }
    }
}

void ModbusExchange::complete(uint64_t generation, bool ok)
{
    if (generation != m_generation || !m_worker.joinable()) {
        return;
    }
    m_worker.join();
    endRunning();
    Q_EMIT finished(ok);
}

void ModbusExchange::stop()
{
    if (!m_worker.joinable()) {
        return;
    }
    m_master.cancel();
    m_worker.join();
    m_master.resetCancel();
    ++m_generation;
    {
        std::lock_guard lock(m_reportMutex);
        m_reports.clear();
    }
    endRunning();
}

void ModbusExchange::endRunning()
{
    if (m_suspended) {
        m_suspended->activate();
    }
    m_suspended = nullptr;
    m_app.setPortBusy(false);
}

} // namespace quillan::device::modbus
