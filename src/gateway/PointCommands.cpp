#include "gateway/PointCommands.h"

#include "gateway/ZAVGateway.h"
#include "model/Import.h"

namespace quillan {

std::vector<RFImport*> importPoints(ZAVGateway& source, ZAVGateway& target,
                                    const std::vector<Import*>& points)
{
    std::vector<RFImport*> created;
    for (Import* point : points) {
        auto shared = makeSharedImport(*point, target);
        created.push_back(shared.get());
        target.addSharedImport(std::move(shared));
        if (!source.incrementExportUse(*point, target)) {
            source.addExport(makeRadioExport(*point, target, source));
        }
    }
    return created;
}

void cancelImportPoints(ZAVGateway& source, ZAVGateway& target,
                        const std::vector<RFImport*>& created)
{
    for (RFImport* point : created) {
        source.unlinkImport(*point);
        target.removeImport(*point);
    }
    source.clearCompiled();
}

std::string pasteToModbusMap(ZAVGateway& gateway, const std::vector<Import*>& points,
                             bool isFloat)
{
    for (const Import* point : points) {
        if (point->getRuntimeClass().isDerivedFrom(MBCommand::classInfo)) {
            return "a Modbus write import cannot be mapped again";
        }
        if (gateway.findPointById(point->pointId) != point) {
            return "the point belongs to another gateway";
        }
    }
    for (Import* point : points) {
        gateway.addMapEntry(std::make_unique<ModbusMap>(point, 2, false), isFloat);
    }
    gateway.markModified();
    return {};
}

MBCommand& addNewWriteImport(ZAVGateway& gateway, const std::string& name, bool isFloat)
{
    auto point = makeWriteImport(name, gateway, isFloat);
    MBCommand& added = *point;
    gateway.addWriteImport(std::move(point));
    gateway.addMapEntry(std::make_unique<ModbusMap>(&added, isFloat ? 2 : 0, true), isFloat);
    gateway.markModified();
    return added;
}

} // namespace quillan
