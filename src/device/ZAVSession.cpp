#include "device/ZAVSession.h"

#include "device/FirmwareVersion.h"
#include "device/SerialLink.h"
#include "model/Notifications.h"
#include "model/Text.h"

#include <filesystem>
#include <fstream>
#include <utility>

namespace quillan::device {

namespace {

constexpr uint16_t kFirstTable = 4; // blocks 4 to 7 are the paged tables

} // namespace

std::string flashOutcomeText(const FlashOutcome& outcome)
{
    if (outcome.succeeded) {
        return "Flash complete...";
    }
    const char* cause = receiveStatusText(outcome.cause);
    switch (outcome.failedStep) {
    case FlashStep::begin:
        return strprintf("Flash failed: the gateway did not start the transfer (%s); nothing "
                         "was written.",
                         cause);
    case FlashStep::data:
        return strprintf("Flash failed at chunk %zu of %zu (address 0x%08X): %s; %zu chunks "
                         "before it were written.",
                         outcome.chunksAcknowledged + 1, outcome.chunkCount,
                         static_cast<unsigned>(outcome.failedAddress), cause,
                         outcome.chunksAcknowledged);
    case FlashStep::end:
        return strprintf("Flash failed: all %zu chunks were written but the gateway did not "
                         "end the transfer (%s).",
                         outcome.chunkCount, cause);
    }
    return "Flash failed.";
}

ZAVSession::ZAVSession(NotificationSink& notifications, SessionTimings timings)
    : m_notifications(notifications), m_timings(timings)
{
    m_engine.setStoreBlock([this](uint16_t type, uint16_t page, const uint8_t* data,
                                  size_t length) { return storeReply(type, page, data, length); });
}

ZAVSession::~ZAVSession()
{
    // The worker uses this object's members: it must have ended before they go.
    endThread();
}

void ZAVSession::setPort(SerialLink* port)
{
    m_port = port;
    m_engine.setLink(port);
}

void ZAVSession::setEnabled(bool enabled)
{
    signal([&] { m_enabled = enabled; });
}

void ZAVSession::startOperation(SessionOperation operation)
{
    signal([&] {
        m_operation = operation;
        m_commandPending = true;
    });
}

void ZAVSession::clearFirmware()
{
    std::lock_guard lock(m_dataMutex);
    m_firmware.clear();
}

bool ZAVSession::loadFirmware(const std::string& path)
{
    std::error_code error;
    // A folder opens as a stream on some systems and then reads as nothing.
    if (std::filesystem::is_directory(path, error)) {
        return false;
    }
    std::ifstream file(path);
    if (!file) {
        return false;
    }
    FirmwareFile loaded;
    {
        std::lock_guard lock(m_dataMutex);
        loaded = m_firmware;
    }
    loaded.load(file);
    if (file.bad()) {
        return false;
    }
    std::lock_guard lock(m_dataMutex);
    m_firmware = std::move(loaded);
    return true;
}

std::vector<FirmwareChunk> ZAVSession::firmwareChunks() const
{
    std::lock_guard lock(m_dataMutex);
    return m_firmware.chunks();
}

std::optional<FlashOutcome> ZAVSession::lastFlash() const
{
    std::lock_guard lock(m_dataMutex);
    return m_lastFlash;
}

IdentityRecord::Bytes ZAVSession::identity() const
{
    std::lock_guard lock(m_dataMutex);
    return m_identity;
}

ConfigImage ZAVSession::image() const
{
    std::lock_guard lock(m_dataMutex);
    return m_image;
}

bool ZAVSession::waitForIdle(int timeoutMs) const
{
    return waitUntil(timeoutMs, [this] { return !m_commandPending && !m_busy; });
}

void ZAVSession::closeSession()
{
    bool running = false;
    signal([&] {
        m_closing = true;
        running = m_busy || m_commandPending;
    });
    if (running) {
        requestStop();
    }
}

void ZAVSession::onStart()
{
    signal([this] { m_closing = false; });
    m_engine.clearFrameBuffer();
    std::lock_guard lock(m_dataMutex);
    m_image.clear();
}

void ZAVSession::run()
{
    // The owner has suspended the debug listener; the conversation runs at 57600 8N1.
    if (SerialLink* port = m_engine.link(); port != nullptr && port->isOpen()) {
        (void)port->configure(DEVICE_LINE_SETTINGS);
    }
    for (;;) {
        SessionOperation operation = SessionOperation::none;
        bool closing = false;
        const Wake wake = waitForEvent(kCommandWaitMs, [&] {
            if (m_closing && !m_commandPending) {
                closing = true;
                return true;
            }
            if (!m_enabled || !m_commandPending) {
                return false;
            }
            m_commandPending = false; // an auto-reset event
            m_busy = true;
            operation = m_operation;
            return true;
        });
        if (wake == Wake::stop) {
            return;
        }
        if (closing) {
            if (m_linkUp && !m_finished) {
                finish();
            }
            return;
        }
        if (wake == Wake::event) {
            carryOut(operation);
            signal([this] { m_busy = false; });
        }
    }
}

void ZAVSession::onExit()
{
    if (SerialLink* port = m_engine.link()) {
        (void)port->setRts(false);
        // Cut short when stopping, which is how the thread normally gets here.
        (void)m_engine.pause(m_timings.exitPauseMs);
        if (port->isOpen()) {
            (void)port->purge(true, true);
        }
    }
    m_engine.setLink(nullptr);
}

void ZAVSession::onStopRequested()
{
    m_engine.cancel();
    // The engine may have forgotten the port already; the port must not take a new wait.
    if (m_port != nullptr) {
        m_port->cancel();
    }
}

void ZAVSession::onThreadEnded()
{
    m_engine.resetCancel();
    if (m_port != nullptr) {
        m_port->resetCancel();
    }
    m_port = nullptr;
}

void ZAVSession::carryOut(SessionOperation operation)
{
    switch (operation) {
    case SessionOperation::connectAndRead:
        connectAndRead();
        break;
    case SessionOperation::finish:
        finish();
        break;
    case SessionOperation::flash:
        flash();
        break;
    case SessionOperation::none:
        break;
    }
}

void ZAVSession::connectAndRead()
{
    m_finished = false;
    if (SerialLink* port = m_engine.link()) {
        (void)port->setRts(true);
        (void)port->purge(true, true);
    }
    m_notifications.send(MSG_SESSION_START);
    if (!m_engine.pause(m_timings.startPauseMs)) {
        return;
    }
    bool up = false;
    for (int attempt = 0; attempt < ENQUIRE_ATTEMPTS && !up && !m_engine.isCancelled(); ++attempt) {
        up = m_engine.sendFrame(CMD_ENQUIRE) && m_engine.readReply(m_timings.enquireTimeoutMs);
    }
    m_linkUp = up;
    if (up && readConfiguration()) {
        // The gateway stays in the conversation (RTS raised) while the owner shows the result.
        m_notifications.post(MSG_SESSION_READ_OK, 1, 0);
        return;
    }
    // A gateway that never answered gets no further notification.
    if (!m_engine.isCancelled()) {
        scheduleFinish();
    }
}

bool ZAVSession::readConfiguration()
{
    m_tableTotals.fill(0);
    m_notifications.send(MSG_READ_PROGRESS, kIdentifyStep, 0);
    if (!request(CMD_IDENTIFY)) {
        return readFailed();
    }
    for (const uint16_t type : {0, 1, 2, 3}) {
        if (!readBlock(type, 0)) {
            return readFailed();
        }
    }
    for (const uint16_t type : {4, 5, 6, 7}) {
        if (!readTable(type)) {
            return readFailed();
        }
    }
    const auto version = FirmwareVersion::parse(IdentityRecord::decode(identity()).firmwareVersion);
    if (version.hasBlock9() && !readBlock(9, 0)) {
        return readFailed();
    }
    if (version.hasBlocks23And24() && !(readBlock(23, 0) && readBlock(24, 0))) {
        return readFailed();
    }
    if (!readBlock(BLOCK_SECURITY_KEY, 0)) {
        return readFailed();
    }
    m_notifications.send(MSG_SESSION_DONE);
    return true;
}

bool ZAVSession::readTable(uint16_t type)
{
    if (!readBlock(type, 0)) {
        return false;
    }
    if (m_tableTotals[type - kFirstTable] < ConfigImage::kRecordsPerPage) {
        return true;
    }
    // A full page may have a successor; the last page is never followed, full or not.
    for (uint16_t page = 1; page < ConfigImage::kTablePages; ++page) {
        if (!readBlock(type, page)) {
            return false;
        }
        if (storedPageCount(type, page) < ConfigImage::kRecordsPerPage) {
            break;
        }
    }
    return true;
}

bool ZAVSession::readBlock(uint16_t type, uint16_t page)
{
    if (m_engine.isCancelled()) {
        return false;
    }
    m_notifications.send(MSG_READ_PROGRESS, type, page);
    const auto payload = BlockRequest{type, page}.encode();
    return request(CMD_READ_BLOCK, payload.data(), payload.size());
}

bool ZAVSession::request(uint8_t command, const uint8_t* payload, size_t length)
{
    const bool ok = m_engine.sendFrame(command, payload, length) &&
                    m_engine.readReply(m_timings.blockTimeoutMs);
    // Any request may be answered with CMD_IDENTITY; the last one is the device's identity.
    std::lock_guard lock(m_dataMutex);
    m_identity = m_engine.identity();
    return ok;
}

bool ZAVSession::readFailed()
{
    if (!m_engine.isCancelled()) {
        m_notifications.send(MSG_SESSION_FAILED);
    }
    return false;
}

void ZAVSession::finish()
{
    if (SerialLink* port = m_engine.link()) {
        (void)port->setRts(false);
    }
    if (!m_engine.pause(m_timings.finishPauseMs)) {
        return;
    }
    m_finished = true;
    if (m_flashWindow) {
        m_notifications.post(MSG_SESSION_IDLE);
    }
}

void ZAVSession::flash()
{
    const std::vector<FirmwareChunk> chunks = firmwareChunks();
    const FlashOutcome outcome = transferFirmware(chunks);
    {
        std::lock_guard lock(m_dataMutex);
        // Chunks the gateway did not take stay loaded, for another try.
        if (outcome.succeeded || outcome.failedStep == FlashStep::end) {
            m_firmware.clear();
        }
        m_lastFlash = outcome;
    }
    if (!m_engine.isCancelled()) {
        scheduleFinish();
    }
}

FlashOutcome ZAVSession::transferFirmware(const std::vector<FirmwareChunk>& chunks)
{
    FlashOutcome outcome;
    outcome.chunkCount = chunks.size();
    outcome.cause = flashRequest(CMD_FLASH_BEGIN, m_timings.flashBeginTimeoutMs);
    if (outcome.cause != ReceiveStatus::ok) {
        return outcome;
    }
    outcome.failedStep = FlashStep::data;
    for (const FirmwareChunk& chunk : chunks) {
        outcome.failedAddress = chunk.address;
        outcome.cause = flashRequest(CMD_FLASH_DATA, m_timings.flashDataTimeoutMs, chunk.encode());
        if (outcome.cause != ReceiveStatus::ok) {
            return outcome;
        }
        // Counted from 0, so the window never sees 100 %: the end of the transfer says that.
        const size_t percent = 100 * outcome.chunksAcknowledged / chunks.size();
        ++outcome.chunksAcknowledged;
        if (m_flashWindow) {
            m_notifications.post(MSG_FLASH_PROGRESS, static_cast<int>(percent), 0);
        }
    }
    outcome.failedStep = FlashStep::end;
    outcome.failedAddress = 0;
    outcome.cause = flashRequest(CMD_FLASH_END, m_timings.flashEndTimeoutMs);
    outcome.succeeded = outcome.cause == ReceiveStatus::ok;
    return outcome;
}

ReceiveStatus ZAVSession::flashRequest(uint8_t command, int timeoutMs,
                                       const std::vector<uint8_t>& payload)
{
    if (!m_engine.sendFrame(command, payload.data(), payload.size())) {
        return m_engine.isCancelled() ? ReceiveStatus::cancelled : ReceiveStatus::linkError;
    }
    if (!m_engine.readReply(timeoutMs)) {
        // A stop ends the wait as a link that went quiet would; it is told apart here.
        return m_engine.isCancelled() ? ReceiveStatus::cancelled : m_engine.lastReceiveStatus();
    }
    return ReceiveStatus::ok;
}

void ZAVSession::scheduleFinish()
{
    startOperation(SessionOperation::finish);
}

bool ZAVSession::storeReply(uint16_t type, uint16_t page, const uint8_t* data, size_t length)
{
    const auto block = static_cast<BlockType>(type);
    std::lock_guard lock(m_dataMutex);
    if (!m_image.storeBlock(block, page, {data, length})) {
        return false;
    }
    if (ConfigImage::isTable(block)) {
        const unsigned count = m_image.pageCount(block, page);
        unsigned& total = m_tableTotals[type - kFirstTable];
        total = page == 0 ? count : total + count;
    }
    return true;
}

uint16_t ZAVSession::storedPageCount(uint16_t type, uint16_t page) const
{
    std::lock_guard lock(m_dataMutex);
    return m_image.pageCount(static_cast<BlockType>(type), page);
}

} // namespace quillan::device
