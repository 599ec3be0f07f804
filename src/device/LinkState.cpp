#include "device/LinkState.h"

#include <cstring>

namespace quillan::device {

std::string LinkState::firmwareVersion() const
{
    return IdentityRecord::decode(identity.data(), identity.size()).firmwareVersion;
}

std::string LinkState::deviceInfoString() const
{
    const char* text = reinterpret_cast<const char*>(deviceText.data());
    return {text, strnlen(text, deviceText.size())};
}

} // namespace quillan::device
