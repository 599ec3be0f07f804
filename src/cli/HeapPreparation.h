#pragma once

#include <cstdint>

namespace quillan::cli {

// Grows the heap once by about what a project of that many file bytes takes in memory, in
// large pages where the system offers them. A 10 MB project is half a million small objects,
// and on a fresh heap every 4 KB page of them costs a page fault: most of a short command's
// time. Does nothing for small projects, where there is nothing to gain.
void prepareHeapForProject(uint64_t fileBytes);

} // namespace quillan::cli
