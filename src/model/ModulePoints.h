#pragma once

#include "model/Export.h"
#include "model/Import.h"

#include <memory>
#include <vector>

namespace quillan {

class Archive;
class Node;

// The inputs and outputs a module owns.
struct ModulePoints {
    std::vector<std::unique_ptr<Import>> inputs;
    std::vector<std::unique_ptr<Export>> outputs;

    void serialize(Archive& ar);
    // Every point gets the module as its owner.
    void setOwner(Node* owner);
    // Copies of the other module's points, owned by owner.
    void copyFrom(const ModulePoints& other, Node* owner);
    // Outputs whose source chain reaches the point, or a point of the node, lose their source.
    void unlinkPoint(const Import& point);
    void unlinkNode(const Node& node);
};

} // namespace quillan
