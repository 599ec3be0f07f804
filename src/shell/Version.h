#pragma once

#include "model/Version.h"

namespace quillan::shell {

using quillan::VERSION_NUMBER;
using quillan::VERSION_TEXT;

} // namespace quillan::shell
