#pragma once

#include <functional>

namespace quillan {

class Import;
class ZAVGateway;

// One point of the gateway's data store, in numbering order, and what the compile does with
// it.
struct DataStoreSlot {
    Import& point;
    // The point whose size and format words fill the data store record (a shared import's
    // source).
    const Import& words;
    bool clearFormatBit7;
    bool importRecord;
    // A shared import: its source point index is refreshed before the record is written.
    bool sharedImport;
    // An input of a plain module (neither Modbus nor I/O module).
    bool plainModuleInput;
};

// Visits the gateway's data store points in the order that numbers them: local points, module
// inputs, I/O module inputs, shared imports, write imports; with the first-record rule of
// Modbus and I/O modules applied.
void walkDataStore(const ZAVGateway& gateway, const std::function<void(const DataStoreSlot&)>& visit);

} // namespace quillan
