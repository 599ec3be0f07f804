#include "gateway/NodeRules.h"

#include "gateway/ZAVGateway.h"

namespace quillan {

std::string deleteRefusal(const Node& node, bool firstSiteActive)
{
    if (node.getKind() == kindProjectRoot) {
        return "the project root is not deleted";
    }
    if (!firstSiteActive) {
        return "nodes are deleted only while the first site is active";
    }
    if (const auto* gateway = dynamic_cast<const ZAVGateway*>(&node);
        gateway != nullptr && gateway->hasChildModules()) {
        return "the gateway still has modules; delete them first";
    }
    return {};
}

} // namespace quillan
