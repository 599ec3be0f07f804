#include "shell/Resources.h"

#include <QtGlobal>

// Outside any namespace, as Q_INIT_RESOURCE requires.
static void initQuillanResources()
{
    Q_INIT_RESOURCE(quillan);
}

namespace quillan::shell {

void initResources()
{
    initQuillanResources();
}

} // namespace quillan::shell
