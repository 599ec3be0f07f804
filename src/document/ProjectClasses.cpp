#include "document/TarnDoc.h"
#include "gateway/ZAVGateway.h"
#include "model/Export.h"
#include "model/FileNode.h"
#include "model/Import.h"
#include "model/MBModule.h"
#include "model/ModbusMap.h"
#include "model/SerialPortDefinition.h"
#include "model/Site.h"
#include "model/ZAVModule.h"

namespace quillan {

const ClassRegistry& projectClassRegistry()
{
    static const ClassRegistry registry = [] {
        ClassRegistry r;
        for (const ClassInfo* info : {
                 &Node::classInfo,           &FileNode::classInfo,
                 &ZAVGateway::classInfo,     &MBModule::classInfo,
                 &ZAVModule::classInfo,      &AM1Module::classInfo,
                 &AM2Module::classInfo,      &DMModule::classInfo,
                 &Site::classInfo,           &SerialPortDefinition::classInfo,
                 &Import::classInfo,         &IOImport::classInfo,
                 &RFImport::classInfo,       &PolyImport::classInfo,
                 &MBImport::classInfo,       &LegacyImport::classInfo,
                 &AnalogImport::classInfo,   &DiscreteImport::classInfo,
                 &SiemensDLSImport::classInfo, &VelLevelImport::classInfo,
                 &VelRTDImport::classInfo,   &VelFlowImport::classInfo,
                 &PIOImport::classInfo,      &RFNodeImport::classInfo,
                 &RSSIImport::classInfo,     &RFRefreshImport::classInfo,
                 &MBCommand::classInfo,      &ROCImport::classInfo,
                 &Export::classInfo,         &IOExport::classInfo,
                 &RFExport::classInfo,       &PolyExport::classInfo,
                 &MBExport::classInfo,       &LegacyExport::classInfo,
                 &ModbusMap::classInfo,
             }) {
            r.add(*info);
        }
        return r;
    }();
    return registry;
}

} // namespace quillan
