#pragma once

#include "gateway/ZAVGateway.h"

namespace quillan {

// The gateway's lists as a test needs to shape them: more points than any command would add,
// or a gateway damaged the way a file may hold it.
class GatewayTestAccess {
public:
    template <class T> using List = ZAVGateway::List<T>;

    static List<Import>& localImports(ZAVGateway& g) { return g.m_localImports; }
    static List<Node>& childModules(ZAVGateway& g) { return g.m_childModules; }
    static List<SerialPortDefinition>& ports(ZAVGateway& g) { return g.m_ports; }
    static List<Export>& outputs(ZAVGateway& g) { return g.m_outputs; }
    static List<ModbusMap>& mapIntegerList(ZAVGateway& g) { return g.m_mapIntegerList; }
};

} // namespace quillan
