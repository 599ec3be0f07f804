#pragma once

#include <cstdint>
#include <map>
#include <set>

namespace quillan::sim {

// Faults the simulated gateway injects, each by the request code it answers wrongly.
// A NAKed or dropped request is not carried out; a request answered with a bad CRC, late or
// after garbage has been carried out (the reply was spoilt on the way back).
struct FaultOptions {
    std::set<uint8_t> nak;         // answer CMD_NAK
    std::set<uint8_t> drop;        // no answer
    std::set<uint8_t> badCrc;      // answer with a corrupted CRC
    std::map<uint8_t, int> delays; // answer after so many milliseconds
    bool garbage = false;          // a few bytes (never 0xFF) before every reply
    // By block type, for CMD_WRITE_BLOCK only (a read of the block is answered).
    std::set<uint16_t> nakBlocks;
    std::set<uint16_t> dropBlocks;
    // The first so many requests with the code go unanswered; the later ones are answered.
    std::map<uint8_t, int> dropFirst;
};

} // namespace quillan::sim
