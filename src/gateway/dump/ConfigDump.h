#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>

namespace quillan {

class ConfigImage;
class NotificationSink;

// The text of a configuration read from a device, section by section. deviceType is the
// first word of the device's identity record; it chooses the names of local channels.
void renderDump(const ConfigImage& image, uint16_t deviceType, std::ostream& out);
[[nodiscard]] std::string dumpText(const ConfigImage& image, uint16_t deviceType);

// Writes the dump to "Dump.txt" in the folder, replacing an existing file, and tells sink
// where it went. The device property window and the CLI pass "." (the working directory).
// False when the file cannot be created or written.
[[nodiscard]] bool writeDump(const ConfigImage& image, uint16_t deviceType,
                             const std::filesystem::path& folder, NotificationSink& sink);

} // namespace quillan
