#pragma once

// Small pieces the tests use to build and search projects through the core.

#include "document/TarnDoc.h"
#include "gateway/ZAVGateway.h"
#include "model/Import.h"

#include <string>

namespace quillan::test {

// A project "Plant" on 900 MHz, channel 5, group 10, with one gateway of the defaults.
inline NewProjectValues plantValues(const std::string& folder)
{
    NewProjectValues values;
    values.name = "Plant";
    values.folder = folder;
    values.band = band900;
    values.channel = 5;
    values.group = 10;
    values.gateway = NewGatewayValues{};
    return values;
}

// The gateway's first point of that name, or null.
inline Import* pointNamed(const ZAVGateway& g, const std::string& name)
{
    Import* found = nullptr;
    g.forEachPoint([&](Import& p) {
        if (found == nullptr && p.pointName == name) {
            found = &p;
        }
    });
    return found;
}

} // namespace quillan::test
