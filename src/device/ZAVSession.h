#pragma once

#include "device/DeviceFrame.h"
#include "device/DeviceServices.h"
#include "device/FirmwareFile.h"
#include "device/SessionFrameEngine.h"
#include "device/VelThread.h"
#include "gateway/ConfigImage.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quillan {
class NotificationSink;
}

namespace quillan::device {

class SerialLink;

// The fixed waits and reply time-outs of a session, in milliseconds. Tests and the fuzz target
// shorten them; a gateway needs these.
struct SessionTimings {
    int startPauseMs = 500; // after MSG_SESSION_START, before the first enquiry
    int enquireTimeoutMs = ENQUIRE_TIMEOUT_MS;
    int blockTimeoutMs = SESSION_BLOCK_TIMEOUT_MS;    // every reply of the configuration read
    int finishPauseMs = 200;                          // after RTS drops at the finish step
    int exitPauseMs = 100;                            // after RTS drops as the thread ends
    int flashBeginTimeoutMs = FLASH_BEGIN_TIMEOUT_MS; // the gateway prepares its flash memory
    int flashDataTimeoutMs = FLASH_DATA_TIMEOUT_MS;
    int flashEndTimeoutMs = FLASH_END_TIMEOUT_MS;
};

// The operation codes the owner sets before it signals the command event.
enum class SessionOperation : int {
    none = 0,
    connectAndRead = 1,
    finish = 2,
    flash = 3,
};

// The steps of a flash transfer, in order.
enum class FlashStep { begin, data, end };

// How the last flash transfer ended. The flash window is told only that the session went idle,
// after a failure as after success; this is what tells them apart.
struct FlashOutcome {
    bool succeeded = false;
    FlashStep failedStep = FlashStep::begin; // when not succeeded
    // Why the failed step failed: no reply (timeout), a NAK, the port, or a stop (cancelled).
    ReceiveStatus cause = ReceiveStatus::ok;
    size_t chunkCount = 0;
    size_t chunksAcknowledged = 0; // the failed chunk's index when the data step failed
    uint32_t failedAddress = 0;    // the failed chunk's address

    bool operator==(const FlashOutcome&) const = default;
};

// "Flash complete...", or what failed and how much was written, for the user.
[[nodiscard]] std::string flashOutcomeText(const FlashOutcome& outcome);

// A device session: a worker that reads a gateway's whole configuration into its own image
// (connect and read), drops the conversation (finish) and carries out a firmware transfer
// (flash), reporting to the windows by notifications: progress to the main window, sent, so
// that the progress display paces it; the outcome to the owner and the flash window, posted.
//
// The owner (the device property window, or a command-line tool) gives it the port, enables
// it, starts the thread, and then starts operations. The session owns the port from then on
// until the thread has ended.
//
// Stopping: stopThread() and the destructor cancel the engine and the port, which ends any
// read, write or fixed wait at once; an operation cut short that way sends nothing more. A
// sent notification is the one wait the session cannot end itself: the owner releases its
// notification relays (QtNotificationRelay::release, which lets waiting senders go) before it
// stops the session, as the owner's thread cannot handle the notification while it waits for
// the worker. Once the thread has ended, the cancel is cleared on the port again (it is
// shared), and the session has forgotten the port.
class ZAVSession final : public VelThread {
public:
    // notifications must outlive the session; it is called from the worker.
    explicit ZAVSession(NotificationSink& notifications, SessionTimings timings = {});
    ~ZAVSession() override;

    // Owner, before startThread. The port is forgotten when the thread ends.
    void setPort(SerialLink* port);
    void setTrace(FrameTrace trace) { m_engine.setTrace(std::move(trace)); }

    // Commands are carried out only while enabled (false at construction).
    void setEnabled(bool enabled);
    // Sets the operation code, then signals the command event.
    void startOperation(SessionOperation operation);
    // The firmware dialog is open: the flash transfer posts its progress to it, and the finish
    // step MSG_SESSION_IDLE.
    void setFlashWindow(bool registered) { m_flashWindow = registered; }

    // The firmware that operation 3 flashes. The owner sets it while no operation runs.
    void clearFirmware();
    // Appends the chunks of an Intel HEX file; false, adding nothing, when it cannot be read.
    [[nodiscard]] bool loadFirmware(const std::string& path);
    [[nodiscard]] std::vector<FirmwareChunk> firmwareChunks() const;
    // None until a flash transfer has ended (one cut short by a stop included).
    [[nodiscard]] std::optional<FlashOutcome> lastFlash() const;

    // Cleared while connecting and reading, set by the finish step.
    [[nodiscard]] bool finished() const { return m_finished; }
    // The gateway answered the enquiry; the owner finishes the conversation before stopping.
    [[nodiscard]] bool linkUp() const { return m_linkUp; }
    // The device's last CMD_IDENTITY payload and the image read; copies, safe while the
    // worker runs.
    [[nodiscard]] IdentityRecord::Bytes identity() const;
    [[nodiscard]] ConfigImage image() const;

    // Waits until no command is pending or being carried out (the operation started last, and
    // the finish step that a failure schedules, are done).
    [[nodiscard]] bool waitForIdle(int timeoutMs) const;
    // Any thread, when the window the session serves has closed: run() ends, letting go of a
    // gateway still in the conversation (the finish step) when idle, cutting short what is
    // still being carried out otherwise.
    void closeSession();

protected:
    void onStart() override;
    void run() override;
    void onExit() override;
    void onStopRequested() override;
    void onThreadEnded() override;

private:
    // The idle loop's wait; any command or the stop event wakes it at once.
    static constexpr int kCommandWaitMs = 250;
    static constexpr uint16_t kIdentifyStep = 31;

    void carryOut(SessionOperation operation);
    void connectAndRead();
    [[nodiscard]] bool readConfiguration();
    [[nodiscard]] bool readTable(uint16_t type);
    [[nodiscard]] bool readBlock(uint16_t type, uint16_t page);
    [[nodiscard]] bool request(uint8_t command, const uint8_t* payload = nullptr,
                               size_t length = 0);
    [[nodiscard]] bool readFailed();
    void finish();
    void flash();
    [[nodiscard]] FlashOutcome transferFirmware(const std::vector<FirmwareChunk>& chunks);
    [[nodiscard]] ReceiveStatus flashRequest(uint8_t command, int timeoutMs,
                                             const std::vector<uint8_t>& payload = {});
    void scheduleFinish();
    [[nodiscard]] bool storeReply(uint16_t type, uint16_t page, const uint8_t* data, size_t length);
    [[nodiscard]] uint16_t storedPageCount(uint16_t type, uint16_t page) const;

    NotificationSink& m_notifications;
    const SessionTimings m_timings;
    SessionFrameEngine m_engine;
    SerialLink* m_port = nullptr; // owner's copy, for stopping

    // Guarded by the thread's lock (VelThread::signal).
    bool m_enabled = false;
    SessionOperation m_operation = SessionOperation::none;
    bool m_commandPending = false; // the command event
    bool m_busy = false;
    bool m_closing = false;

    std::atomic<bool> m_flashWindow{false};
    std::atomic<bool> m_finished{true};
    std::atomic<bool> m_linkUp{false};

    mutable std::mutex m_dataMutex; // what the owner may read or set while the worker runs
    IdentityRecord::Bytes m_identity{};
    ConfigImage m_image;
    FirmwareFile m_firmware;
    std::optional<FlashOutcome> m_lastFlash;

    // Worker only: records read so far of each table (blocks 4 to 7).
    std::array<unsigned, 4> m_tableTotals{};
};

} // namespace quillan::device
