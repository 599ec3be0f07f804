#pragma once

#include "device/FrameEngine.h"
#include "device/LinkState.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace quillan::device {

// The frame engine of a node's synchronous device operations. It takes the first byte it
// receives as the frame start (the port purged before each request, the buffer cleared before
// each reply) and keeps what the replies carry in the node's LinkState.
class NodeFrameEngine : public FrameEngine {
public:
    // A CMD_READ_BLOCK reply: block type, data, page, the data byte count field. The gateway
    // keeps a 4-byte block of type 10 as its key; without a handler a block is a failure.
    using StoreConfigBlock = std::function<bool(uint16_t blockType, const uint8_t* data,
                                                uint16_t page, uint16_t byteCount)>;

    explicit NodeFrameEngine(LinkState& state, SerialLink* link = nullptr);

    [[nodiscard]] LinkState& state() { return m_state; }
    [[nodiscard]] const LinkState& state() const { return m_state; }

    void setStoreConfigBlock(StoreConfigBlock handler) { m_storeConfigBlock = std::move(handler); }
    // Called on every CMD_NAK before the reply counts as a failure. The owner reports result
    // 22 ("%s - Device negative acknowledge.") here, without closing the link.
    void setNakHandler(std::function<void()> handler) { m_nakHandler = std::move(handler); }

    // CMD_WRITE_BLOCK with the block data header. Refused while the link flag is clear.
    [[nodiscard]] bool sendWriteBlock(uint16_t blockType, uint16_t page, const uint8_t* data,
                                      size_t byteCount);
    // The 6-byte requests, refused while the link flag is clear.
    [[nodiscard]] bool sendReadSecurityKey(); // CMD_READ_BLOCK for block 10, page 0
    [[nodiscard]] bool sendReadProject();     // CMD_READ_PROJECT
    [[nodiscard]] bool sendQueryProject();    // CMD_QUERY_PROJECT

    // Waits for CMD_PROJECT_DATA only (other replies are ignored like a bad CRC); returns its
    // payload when it holds at least one byte (an empty one counts as refused).
    [[nodiscard]] std::optional<std::vector<uint8_t>>
    readProjectData(int timeoutMs = READ_PROJECT_TIMEOUT_MS);
    // Waits for CMD_PROJECT_DATA only; returns the payload's first 32-bit value (missing bytes
    // read as zero): nonzero when a project file is stored.
    [[nodiscard]] std::optional<uint32_t>
    readProjectFileStored(int timeoutMs = QUERY_PROJECT_TIMEOUT_MS);

protected:
    void prepareSend() override;
    void prepareReceive() override;
    [[nodiscard]] ReceiveStatus handleResponse(uint8_t command, const uint8_t* payload,
                                               size_t length) override;

private:
    [[nodiscard]] bool sendSixByteRequest(uint8_t command, uint16_t first, uint16_t second);

    LinkState& m_state;
    StoreConfigBlock m_storeConfigBlock;
    std::function<void()> m_nakHandler;
};

} // namespace quillan::device
