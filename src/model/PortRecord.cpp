#include "model/PortRecord.h"

#include "model/Bytes.h"

namespace quillan {

using namespace bytes;

void PortRecord::encode(std::span<uint8_t, kSize> out) const
{
    putU32(&out[0], baudRate);
    out[4] = dataBits;
    out[5] = static_cast<uint8_t>(stopBits);
    out[6] = static_cast<uint8_t>(parity);
    out[7] = static_cast<uint8_t>(protocol);
    putU16(&out[8], slaveId);
    putU16(&out[10], flags);
}

PortRecord PortRecord::decode(std::span<const uint8_t, kSize> in)
{
    PortRecord r;
    r.baudRate = getU32(&in[0]);
    r.dataBits = in[4];
    r.stopBits = static_cast<StopBits>(in[5]);
    r.parity = static_cast<Parity>(in[6]);
    r.protocol = static_cast<PortProtocol>(in[7]);
    r.slaveId = getU16(&in[8]);
    r.flags = getU16(&in[10]);
    return r;
}

} // namespace quillan
