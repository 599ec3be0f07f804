#include "model/ModulePoints.h"

#include "model/Archive.h"

namespace quillan {

void ModulePoints::serialize(Archive& ar)
{
    ar.ioObjects(inputs);
    ar.ioObjects(outputs);
}

void ModulePoints::setOwner(Node* owner)
{
    for (auto& input : inputs) {
        if (input) {
            input->owner = owner;
        }
    }
    for (auto& output : outputs) {
        if (output) {
            output->owner = owner;
        }
    }
}

void ModulePoints::copyFrom(const ModulePoints& other, Node* owner)
{
    inputs.clear();
    outputs.clear();
    for (const auto& input : other.inputs) {
        inputs.push_back(input ? input->clone() : nullptr);
    }
    for (const auto& output : other.outputs) {
        outputs.push_back(output ? output->clone() : nullptr);
    }
    setOwner(owner);
}

void ModulePoints::unlinkPoint(const Import& point)
{
    for (auto& output : outputs) {
        if (output && output->sourceChainContains(point)) {
            output->source = nullptr;
        }
    }
}

void ModulePoints::unlinkNode(const Node& node)
{
    for (auto& output : outputs) {
        if (output && output->sourceChainOwnedBy(node)) {
            output->source = nullptr;
        }
    }
}

} // namespace quillan
