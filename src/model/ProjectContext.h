#pragma once

#include <cstdint>
#include <string>

namespace quillan {

class Import;
class Node;
class NotificationSink;
class UserPrompts;

// What the nodes of a project need from the document that holds them. Nodes outside a
// document (fresh clones, tests) have none and skip these calls.
class ProjectContext {
public:
    virtual ~ProjectContext() = default;

    virtual void setModified() = 0;
    [[nodiscard]] virtual NotificationSink& notifications() = 0;
    [[nodiscard]] virtual UserPrompts& prompts() = 0;
    // The full path of the project file; empty before the first save.
    [[nodiscard]] virtual std::string documentPath() const = 0;
    // A gateway or module of the project by its id; the root is never found.
    [[nodiscard]] virtual Node* findNodeById(uint32_t id) = 0;
    // Every top-level node forgets the point, then drops what it set aside.
    virtual void unlinkPointEverywhere(const Import& point) = 0;
    // Every top-level node but the root forgets a node that is about to be destroyed.
    virtual void unlinkNodeEverywhere(const Node& node) = 0;
    // Empties the import clipboard when it holds the point.
    virtual void forgetClipboardPoint(const Import& point) = 0;
    // The settings value that decides the CONFIG port protocol of a new gateway.
    [[nodiscard]] virtual uint32_t defaultConfigPortMode() const = 0;
};

} // namespace quillan
