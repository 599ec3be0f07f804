#pragma once

#include "model/ByteStream.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillan {

// Writes the bytes to a temporary file beside the target and renames it over the target, so
// that a failed write leaves the previous file as it was. Returns an empty string on success,
// else what went wrong.
[[nodiscard]] std::string writeFileAtomically(const std::string& path,
                                              const std::vector<uint8_t>& bytes);

// The same, for contents made while they are written: fill writes them into the sink and
// returns what went wrong, or an empty string. A failed write of the sink is reported in
// its place.
[[nodiscard]] std::string writeFileAtomically(const std::string& path,
                                              const std::function<std::string(ByteSink&)>& fill);

} // namespace quillan
