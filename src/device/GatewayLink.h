#pragma once

#include "device/DeviceFrame.h"
#include "device/DeviceServices.h"
#include "device/LinkState.h"
#include "device/NodeFrameEngine.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillan {
class UserPrompts;
}

namespace quillan::device {

// The class display name a gateway's result lines give (codes 25 and 32).
inline constexpr const char* GATEWAY_DISPLAY_NAME = "ZAV Gateway Module";
inline constexpr uint16_t GATEWAY_DEVICE_TYPE = 12;

// Reply time-outs and the fixed waits of the link, in milliseconds. The defaults are the
// device's; tests and the fuzz target shorten them.
struct LinkTimings {
    int enquireMs = ENQUIRE_TIMEOUT_MS;
    int identifyMs = IDENTIFY_TIMEOUT_MS;
    int readRadioMs = READ_RADIO_TIMEOUT_MS;
    int securityKeyMs = READ_SECURITY_KEY_TIMEOUT_MS;
    int writeBlockMs = WRITE_BLOCK_TIMEOUT_MS;
    int storeConfigMs = STORE_CONFIG_TIMEOUT_MS;
    int queryProjectMs = QUERY_PROJECT_TIMEOUT_MS;
    int readProjectMs = READ_PROJECT_TIMEOUT_MS;
    int storeProjectMs = STORE_PROJECT_TIMEOUT_MS;
    int openSettleMs = 200; // after RTS goes up, before the first request
    int closeDrainMs = 50;  // before RTS drops, so the last bytes leave the converter
    int closeSettleMs = 200;
};

// A gateway's side of one device operation: the port taken from the debug listener, the
// conversation through the node's frame engine, and the progress and result lines the
// operation reports. Runs on one thread (the operation's, which may be a worker); cancel()
// may come from any thread, and ends every wait at once, the fixed ones included. The link
// is given back (RTS low, debug listener active) however the operation ends.
class GatewayLink {
public:
    GatewayLink(DeviceServices services, std::string gatewayName, LinkTimings timings = {});
    GatewayLink(const GatewayLink&) = delete;
    GatewayLink& operator=(const GatewayLink&) = delete;

    // Suspends the debug listener and takes the port at 57600 8N1 with RTS raised. A closed
    // port reports result 20 and returns false; the operation carries on and its enquiries
    // fail.
    bool openLink();
    // Drops RTS (with its waits) if the port was taken, then activates the debug listener.
    void closeLink();
    // Clears the link flag and closes the link.
    void endConversation();
    // Up to six CMD_ENQUIRE; the link flag becomes the result.
    bool enquire();
    // CMD_IDENTIFY with the identity record cleared first.
    bool identify();
    // The identify step of the gateway's operations: its progress step, then identify; a
    // failure is reported (MSG_SESSION_FAILED, result 24) and ends the conversation.
    bool identifyDevice();
    // CMD_READ_RADIO with the radio information cleared first.
    bool readRadio();
    // The 6-byte CMD_READ_BLOCK of block 10; a 4-byte block becomes the device key.
    bool readSecurityKey();
    // Writes block 10: the key becomes the device key.
    bool writeSecurityKey(uint32_t key);
    bool writeBlock(uint16_t blockType, uint16_t page, std::span<const uint8_t> data);
    bool storeConfiguration();
    // CMD_QUERY_PROJECT: the reply's value, nonzero when the device holds a project file.
    // Refused while the link flag is clear.
    [[nodiscard]] std::optional<uint32_t> queryProjectFileStored();
    // CMD_READ_PROJECT: the packed project file the device holds, when it sent one.
    [[nodiscard]] std::optional<std::vector<uint8_t>> requestProjectFile();
    bool storeProjectFile(std::span<const uint8_t> packed);

    // The result line of a code to the main window; with close, ends the conversation.
    void reportStatus(int code, bool close);
    // A progress notification, sent to the main window.
    void progress(int code, int step = 0, int page = 0);

    void cancel() { m_engine.cancel(); }

    [[nodiscard]] UserPrompts& prompts() { return m_services.prompts; }
    [[nodiscard]] const LinkState& state() const { return m_state; }
    [[nodiscard]] const std::string& gatewayName() const { return m_gatewayName; }
    // Between openLink on an open port and closeLink.
    [[nodiscard]] bool holdsPort() const { return m_holdsPort; }
    // Every result code reported, in order (22 and 20 among them).
    [[nodiscard]] const std::vector<int>& reportedCodes() const { return m_reported; }
    [[nodiscard]] const NodeFrameEngine& engine() const { return m_engine; }

private:
    // One of the fixed waits; a cancel ends it.
    void pause(int ms);

    DeviceServices m_services;
    std::string m_gatewayName;
    LinkTimings m_timings;
    LinkState m_state;
    NodeFrameEngine m_engine;
    bool m_holdsPort = false;
    std::vector<int> m_reported;
};

} // namespace quillan::device
