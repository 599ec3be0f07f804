#pragma once

#include <string>
#include <vector>

namespace quillan {

class Import;
class MBCommand;
class RFImport;
class ZAVGateway;

// The point commands of the list views, without their windows.

// Import Points: each point of the source gateway becomes a shared import of the target, and
// the source sends it there (one radio export per point and destination, counted by use).
[[nodiscard]] std::vector<RFImport*> importPoints(ZAVGateway& source, ZAVGateway& target,
                                                  const std::vector<Import*>& points);
// Takes back what a cancelled Import Points created.
void cancelImportPoints(ZAVGateway& source, ZAVGateway& target,
                        const std::vector<RFImport*>& created);

// Maps points of the gateway into its integer or floating-point Modbus table. Refused, with
// the reason, when a point is a Modbus write import or belongs to another gateway.
[[nodiscard]] std::string pasteToModbusMap(ZAVGateway& gateway, const std::vector<Import*>& points,
                                           bool isFloat);

// New Write Import: the point and its map entry (integer table, or floating-point table).
MBCommand& addNewWriteImport(ZAVGateway& gateway, const std::string& name, bool isFloat);

} // namespace quillan
