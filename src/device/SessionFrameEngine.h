#pragma once

#include "device/FrameEngine.h"

#include <array>
#include <cstdint>
#include <functional>

namespace quillan::device {

// The frame engine of the device session worker. It drops whatever precedes the first 0xFF
// of a reply and accepts only CMD_ACK, CMD_IDENTITY, CMD_READ_BLOCK and CMD_ACK_72
// (CMD_NAK and anything else count as failures).
class SessionFrameEngine final : public FrameEngine {
public:
    // A CMD_READ_BLOCK reply: block type, page and the data after the 6-byte header, as long
    // as the frame says (the count field is not consulted). Its result is the reply's result.
    using StoreBlock =
        std::function<bool(uint16_t blockType, uint16_t page, const uint8_t* data, size_t length)>;

    explicit SessionFrameEngine(SerialLink* link = nullptr);

    void setStoreBlock(StoreBlock handler) { m_storeBlock = std::move(handler); }
    // The payload of the last CMD_IDENTITY.
    [[nodiscard]] const IdentityRecord::Bytes& identity() const { return m_identity; }
    void clearIdentity() { m_identity.fill(0); }

protected:
    [[nodiscard]] ReceiveStatus handleResponse(uint8_t command, const uint8_t* payload,
                                               size_t length) override;

private:
    StoreBlock m_storeBlock;
    IdentityRecord::Bytes m_identity{};
};

} // namespace quillan::device
