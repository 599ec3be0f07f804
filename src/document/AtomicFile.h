#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillan {

// Writes the bytes to a temporary file beside the target and renames it over the target, so
// that a failed write leaves the previous file as it was. Returns an empty string on success,
// else what went wrong.
[[nodiscard]] std::string writeFileAtomically(const std::string& path,
                                              const std::vector<uint8_t>& bytes);

} // namespace quillan
