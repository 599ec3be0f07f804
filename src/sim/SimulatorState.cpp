#include "sim/SimulatorState.h"

#include "gateway/ZAVGateway.h"

namespace quillan::sim {

SimulatorState SimulatorState::newGateway(bool modbusSlave)
{
    ZAVGateway gateway(1, 0, 1, modbusSlave ? 1 : 0);
    SimulatorState state;
    state.image = gateway.compileImage().image;
    return state;
}

void SimulatorState::setSiteKey(uint32_t key)
{
    SecurityBlock block = image.security();
    block.siteKey = key;
    image.setSecurity(block);
}

} // namespace quillan::sim
