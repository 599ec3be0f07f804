#include "document/TarnDoc.h"
#include "model/FileNode.h"
#include "model/SerialPortDefinition.h"
#include "model/Site.h"

namespace quillan {

const ClassRegistry& projectClassRegistry()
{
    static const ClassRegistry registry = [] {
        ClassRegistry r;
        for (const ClassInfo* info :
             {&Node::classInfo, &FileNode::classInfo, &Site::classInfo,
              &SerialPortDefinition::classInfo}) {
            r.add(*info);
        }
        return r;
    }();
    return registry;
}

} // namespace quillan
