#pragma once

#include <string>

namespace quillan {

class Node;

// Why the project tree would not offer Delete for the node (a gateway goes only once its
// modules are gone, and nothing goes while another site than the first is active); empty when
// it would.
[[nodiscard]] std::string deleteRefusal(const Node& node, bool firstSiteActive);

} // namespace quillan
