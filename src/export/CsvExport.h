#pragma once

#include <string>

namespace quillan {

class NotificationSink;
class TarnDoc;

// The CSV listing of every gateway's Imports, Exports, Outputs and Modbus rows, as the list
// views show them; texts in the 8-bit character set, CR LF line ends.
[[nodiscard]] std::string csvText(TarnDoc& doc);

// The file's path: the project folder followed by the project name and ".csv"; empty without
// a project root.
[[nodiscard]] std::string csvPath(const TarnDoc& doc);

// Writes the listing beside the project, replacing an existing file, after announcing it on
// the Debug and Build tabs. Nothing happens without a gateway; false when the file cannot be
// written.
bool exportCsv(TarnDoc& doc, NotificationSink& notifications);

} // namespace quillan
