#pragma once

#include "model/ZAVModule.h"

#include <string>
#include <vector>

namespace quillan {

class ZAVGateway;

// The choices of the "IO Module" dialog.
struct IoModuleChoices {
    uint8_t kind = 3; // 3: no type chosen yet
    uint8_t address = 0;
    uint32_t interval = 1;
    uint8_t inputUnits = 0;   // analog inputs: 0 integer at 3001, 1 float at 7001
    uint8_t output1Units = 0; // 0-3, the rows of the output units table
    uint8_t output2Units = 0;
    uint8_t groups = groupInputs;
    uint32_t mapOptions = 0; // bit 0 integer table, bit 1 floating-point table

    bool operator==(const IoModuleChoices&) const = default;
};

// The Modbus details the dialog's OK fills from the choices.
[[nodiscard]] IoModulePoints ioModulePoints(const IoModuleChoices& choices);
// A new I/O module on the gateway, made and given its map entries; the refusal otherwise.
[[nodiscard]] std::string addNewIoModule(ZAVGateway& gateway, const IoModuleChoices& choices);
// The lowest address no module of the gateway uses; 16 when all are used.
[[nodiscard]] uint8_t firstFreeIoAddress(const ZAVGateway& gateway);
// The same among a list of modules (the I/O bus page's copies).
[[nodiscard]] uint8_t firstFreeIoAddress(const std::vector<const ZAVModule*>& modules);

// The dialog's choices read back from a module's points. A module without inputs gets the
// address and groups of a new module, taking freeAddress.
[[nodiscard]] IoModuleChoices ioModuleChoicesOf(const ZAVModule& module, uint8_t freeAddress);

// Engineering units texts of the analog kinds: the two input choices and the four output
// choices; empty for other kinds and choices.
[[nodiscard]] const char* ioInputUnitsText(uint8_t kind, uint8_t choice);
[[nodiscard]] const char* ioOutputUnitsText(uint8_t kind, uint8_t choice);
// The units column of the I/O bus page's points list for an input and an output of the
// module: "On/Off" on a digital module, else the text of the choice the point's registers
// show; empty when an output's register matches no choice.
[[nodiscard]] const char* ioInputUnits(const ZAVModule& module, const Import& input);
[[nodiscard]] const char* ioOutputUnits(const ZAVModule& module, const Export& output);

} // namespace quillan
