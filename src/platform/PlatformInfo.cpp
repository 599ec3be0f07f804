#include <QtGlobal>

// Keeps the library non-empty until its first implementation lands.
namespace quillan::platform {
const char* qtVersion()
{
    return qVersion();
}
} // namespace quillan::platform
