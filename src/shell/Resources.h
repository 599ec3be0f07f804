#pragma once

namespace quillan::shell {

// Registers the pictures built into the library; before the first window is made.
void initResources();

} // namespace quillan::shell
