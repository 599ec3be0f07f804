// Loads arbitrary text as a firmware file (Intel HEX) and checks the chunks against a reading
// of the records made here: every chunk holds 1 to 1,024 bytes; the chunks, laid end to end,
// hold exactly the bytes of the valid data records at their full addresses, in file order; a
// chunk starts only where a record does not follow the last one or would not fit; the
// extended address word is that of the last valid type-4 record. Loading line by line gives
// the same as loading the text.
//
// Records without data add no chunk (a deliberate choice: an empty CMD_FLASH_DATA flashes
// nothing), so no chunk is empty.
#include "FuzzSupport.h"
#include "device/FirmwareFile.h"

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace quillan::device;

namespace {

constexpr size_t kMaxChunk = 1024;

struct Record {
    uint32_t address = 0;
    std::vector<uint8_t> data;
};

int digit(char c)
{
    const char* const digits = "0123456789abcdef";
    const char lower = (c >= 'A' && c <= 'F') ? static_cast<char>(c - 'A' + 'a') : c;
    const char* at = lower != '\0' ? std::strchr(digits, lower) : nullptr;
    return at != nullptr ? static_cast<int>(at - digits) : -1;
}

// The valid data records with data, and the last extended address word.
std::pair<std::vector<Record>, uint16_t> readRecords(std::string_view text)
{
    std::vector<Record> records;
    uint16_t extended = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line[0] != ':') {
            continue;
        }
        std::vector<uint8_t> bytes;
        for (size_t i = 1; i + 1 < line.size() && digit(line[i]) >= 0 && digit(line[i + 1]) >= 0;
             i += 2) {
            bytes.push_back(static_cast<uint8_t>(digit(line[i]) * 16 + digit(line[i + 1])));
        }
        unsigned sum = 0;
        for (const uint8_t b : bytes) {
            sum += b;
        }
        if (bytes.empty() || sum % 256 != 0 || bytes.size() != bytes[0] + 5u) {
            continue;
        }
        const unsigned count = bytes[0];
        if (bytes[3] == 0 && count > 0) {
            const uint32_t address = extended * 65536u + bytes[1] * 256u + bytes[2];
            records.push_back({address, {bytes.begin() + 4, bytes.begin() + 4 + count}});
        } else if (bytes[3] == 4 && count >= 2) {
            extended = static_cast<uint16_t>(bytes[4] * 256 + bytes[5]);
        }
    }
    return {records, extended};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    FirmwareFile file;
    std::istringstream in(text);
    file.load(in);
    const auto& chunks = file.chunks();

    const auto [records, extended] = readRecords(text);
    FUZZ_CHECK(file.extendedAddress() == extended);

    // Where the chunks must start and how long they are, from the records alone.
    std::vector<std::pair<uint64_t, size_t>> expected;
    for (const Record& r : records) {
        const bool follows = !expected.empty() &&
                             expected.back().first + expected.back().second == r.address &&
                             expected.back().second + r.data.size() <= kMaxChunk;
        if (follows) {
            expected.back().second += r.data.size();
        } else {
            expected.emplace_back(r.address, r.data.size());
        }
    }
    FUZZ_CHECK(chunks.size() == expected.size());
    size_t record = 0;
    size_t offset = 0; // within records[record]
    for (size_t k = 0; k < chunks.size(); ++k) {
        FUZZ_CHECK(!chunks[k].data.empty() && chunks[k].data.size() <= kMaxChunk);
        FUZZ_CHECK(chunks[k].address == expected[k].first);
        FUZZ_CHECK(chunks[k].data.size() == expected[k].second);
        FUZZ_CHECK(offset == 0); // a chunk starts with a record
        for (const uint8_t byte : chunks[k].data) {
            FUZZ_CHECK(record < records.size());
            FUZZ_CHECK(byte == records[record].data[offset]);
            if (++offset == records[record].data.size()) {
                ++record;
                offset = 0;
            }
        }
    }
    FUZZ_CHECK(record == records.size());

    FirmwareFile byLine;
    std::istringstream again(text);
    for (std::string line; std::getline(again, line);) {
        byLine.loadLine(line);
    }
    FUZZ_CHECK(byLine.chunks().size() == chunks.size());
    for (size_t k = 0; k < chunks.size(); ++k) {
        FUZZ_CHECK(byLine.chunks()[k].address == chunks[k].address);
        FUZZ_CHECK(byLine.chunks()[k].data == chunks[k].data);
    }
    return 0;
}
