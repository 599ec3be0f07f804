#include "model/ModbusMap.h"

#include "model/Archive.h"
#include "model/Import.h"
#include "model/Text.h"

namespace quillan {

QUILLAN_IMPLEMENT_SERIAL(ModbusMap, Serializable)

ModbusMap::ModbusMap(Import* p, uint8_t format, bool writeEntry)
    : pointId(p != nullptr ? p->pointId : 0), registerCount(1), formatCode(format),
      isWriteEntry(writeEntry), point(p), registerText(strprintf("%4d", 0))
{
}

ModbusMap::~ModbusMap() = default;

uint32_t ModbusMap::livePointId() const
{
    return point != nullptr ? point->pointId : pointId;
}

void ModbusMap::serialize(Archive& ar)
{
    if (ar.isLoading()) {
        schema = ar.getObjectSchema();
        if (schema != 1) {
            return;
        }
        pointId = ar.readU32();
    } else {
        ar.writeU32(livePointId());
    }
    ar.io(pointIndex);
    ar.io(startRegister);
    ar.io(registerCount);
    ar.io(attribute);
    ar.io(formatCode);
    ar.ioBool(isWriteEntry);
    ar.ioBool(hasRefreshTime);
    ar.io(valueText);
    ar.io(refreshText);
    if (ar.isLoading()) {
        registerText = strprintf("%4u", unsigned{startRegister});
    }
}

std::unique_ptr<ModbusMap> ModbusMap::clone() const
{
    return std::unique_ptr<ModbusMap>(new ModbusMap(*this));
}

void ModbusMap::setStartRegister(uint16_t reg)
{
    // Every save numbers the whole map again, and most entries keep their register.
    if (reg == startRegister && !registerText.empty()) {
        return;
    }
    startRegister = reg;
    registerText = strprintf("%4u", unsigned{reg});
}

} // namespace quillan
